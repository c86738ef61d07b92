// The program's own module and the system's: paths, names, resource texts
// and libraries loaded when first needed.
#pragma once
#include "framework/String.h"
#include <windows.h>

// The executable's full path, however long it is.
CString ModulePath(HMODULE module = nullptr);
CStringW ModulePathW(HMODULE module = nullptr);
// "C:\dir\Name.ext" -> "Name".
CString AppNameFromPath(const char* path);
CStringW AppNameFromPath(const wchar_t* path);

// A string-table entry, in the user-interface language Windows chooses.
CStringW LoadResString(UINT id);
// A string-table entry used as a wsprintf format (1024 characters at most).
CStringW FormatResString(UINT id, ...);

// A system DLL, loaded from the system folder only: never from the program's
// folder or the current directory, where anybody may have left a DLL of that
// name (a download folder, for example). Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const char* name);

// The scale of a window in dots per inch: its monitor's under per-monitor
// awareness (Windows 10 1607 and later), the system's elsewhere and for a null
// window.
UINT WindowDpi(HWND wnd);
// GetSystemMetrics at that scale; where Windows has no per-scale metrics (before
// Windows 10 1607) the system's scale is the only one, and its value is taken.
int SystemMetricForDpi(int index, UINT dpi);

// An entry point of a loaded module, typed; false when it is missing. The
// pointer must be declared WINAPI, as every system function is: in a 32-bit
// process a call through a pointer of the C convention leaves the stack as
// the callee left it, one argument's worth off per call. A 64-bit build cannot
// tell the two apart, so the 32-bit build refuses any other pointer type.
template <typename R, typename... Args>
bool GetProc(HMODULE module, const char* name, R(WINAPI*& fn)(Args...))
{
    fn = module ? reinterpret_cast<R(WINAPI*)(Args...)>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
    return fn != nullptr;
}
// Whether a module has an entry point, without calling it.
inline bool HasProc(HMODULE module, const char* name) { return module && GetProcAddress(module, name); }
