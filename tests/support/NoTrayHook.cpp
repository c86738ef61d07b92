// notrayhook.dll: a CBT hook for a desktop the tests make. It keeps the shell
// started there from making its notification area, as at logon before the
// taskbar exists, and signals the event "HopdeckTrayVetoed" when it has.
#include <windows.h>

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
