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

// An entry point of a loaded module, typed; false when it is missing.
template <typename Fn>
bool GetProc(HMODULE module, const char* name, Fn& fn)
{
    fn = module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    return fn != nullptr;
}
