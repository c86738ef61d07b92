// Two DLLs the program tests put where a desktop would have them.
//   notrayhook.dll: a CBT hook for a desktop the tests make; it keeps the shell
//     started there from making its notification area, as at logon before the
//     taskbar exists, and signals the event "HopdeckTrayVetoed" when it has.
//   gdiplus.dll (PLANTED): a DLL left beside the program; once loaded, it
//     leaves the file "<its path>.loaded" behind.
#include <windows.h>

#ifdef PLANTED
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    wchar_t path[MAX_PATH + 8];
    if (reason == DLL_PROCESS_ATTACH) lstrcpyW(path + GetModuleFileNameW(instance, path, MAX_PATH), L".loaded");
    if (reason == DLL_PROCESS_ATTACH) CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return TRUE;
}
#else
extern "C" __declspec(dllexport) LRESULT CALLBACK VetoTray(int code, WPARAM wp, LPARAM lp)
{
    wchar_t cls[32] = L"";
    if (code != HCBT_CREATEWND || !GetClassNameW((HWND)wp, cls, 32) || lstrcmpW(cls, L"Shell_TrayWnd") ||
        !GetModuleHandleW(L"explorer.exe"))
        return CallNextHookEx(nullptr, code, wp, lp);
    HANDLE vetoed = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"HopdeckTrayVetoed");
    SetEvent(vetoed);
    CloseHandle(vetoed);
    return 1;
}
#endif
