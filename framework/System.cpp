#include "framework/System.h"
#include <shlwapi.h>
#include <cstdarg>

namespace {

// GetModuleFileName truncates silently when the buffer is too small, so the
// buffer grows until the whole path fits (paths reach 32767 characters).
template <typename Ch, typename Fn>
CStringT<Ch> FullModulePath(HMODULE module, Fn getModuleFileName)
{
    CStringT<Ch> path;
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        Ch* buf = path.GetBuffer(size);
        if (!buf) break;
        DWORD n = getModuleFileName(module, buf, size);
        if (n == 0) break;
        if (n < size) {
            path.ReleaseBuffer(n);
            return path;
        }
    }
    return CStringT<Ch>();
}

template <typename Ch, typename ExtFn, typename FileFn>
CStringT<Ch> NameWithoutExtension(const Ch* path, ExtFn findExtension, FileFn findFileName)
{
    CStringT<Ch> p = path;
    Ch* buf = p.GetBuffer(p.size());
    if (!buf) return CStringT<Ch>();
    *findExtension(buf) = 0;
    return findFileName(buf);
}

}  // namespace

CString ModulePath(HMODULE module) { return FullModulePath<char>(module, GetModuleFileNameA); }

CStringW ModulePathW(HMODULE module) { return FullModulePath<wchar_t>(module, GetModuleFileNameW); }

CString AppNameFromPath(const char* path) { return NameWithoutExtension(path, PathFindExtensionA, PathFindFileNameA); }

CStringW AppNameFromPath(const wchar_t* path)
{
    return NameWithoutExtension(path, PathFindExtensionW, PathFindFileNameW);
}

CStringW LoadResString(UINT id)
{
    // With a zero length LoadStringW hands out the text in place, however long it is.
    const wchar_t* text = nullptr;
    int n = LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<wchar_t*>(&text), 0);
    return n > 0 && text ? CStringW(text, n) : CStringW();
}

CStringW FormatResString(UINT id, ...)
{
    wchar_t text[1024];  // as much as wvsprintf ever writes
    va_list args;
    va_start(args, id);
    wvsprintfW(text, LoadResString(id).c_str(), args);
    va_end(args);
    return text;
}

HMODULE LoadSystemLibrary(const char* name)
{
    // Windows 8 and later, and Windows 7 with its loader update, search the
    // system folder alone on request; the request is known where
    // SetDefaultDllDirectories exists. Everywhere else the full path does it.
    if (HasProc(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories"))
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    CString path(dir, (int)n);
    path += "\\";
    path += name;
    return LoadLibraryA(path.c_str());
}

// The per-scale functions are looked up when used, so the program still starts
// on systems without them.
UINT WindowDpi(HWND wnd)
{
    UINT(WINAPI * forWindow)(HWND) = nullptr;
    if (wnd && GetProc(GetModuleHandleA("user32.dll"), "GetDpiForWindow", forWindow))
        if (const UINT dpi = forWindow(wnd)) return dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int SystemMetricForDpi(int index, UINT dpi)
{
    int(WINAPI * forDpi)(int, UINT) = nullptr;
    return GetProc(GetModuleHandleA("user32.dll"), "GetSystemMetricsForDpi", forDpi) ? forDpi(index, dpi)
                                                                                     : GetSystemMetrics(index);
}
