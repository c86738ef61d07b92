// The smallest honest program doing Hopdeck's core job, built with the same
// flags, as a yardstick for scripts/bench: one running copy (named mutex), a
// hidden window, a tray icon, a hot key (Ctrl+Shift+Alt+F12) and the switch
// (Scroll Lock down, up, down, up, each after 200 ms). Nothing more.
#include <windows.h>
#include <shellapi.h>

namespace {

const char kName[] = "HopdeckReference";
const UINT kTrayMessage = WM_USER + 1;
const WORD kSwitchCommand = 32774;
const WORD kExitCommand = 32776;
const int kHotKeyId = 1;

void Switch()
{
    static const DWORD kSteps[] = {0, KEYEVENTF_KEYUP, 0, KEYEVENTF_KEYUP};
    for (DWORD flags : kSteps) {
        Sleep(200);
        keybd_event(VK_SCROLL, 0, flags, 0);
    }
}

void TrayIcon(HWND wnd, DWORD action)
{
    NOTIFYICONDATAA nid;
    ZeroMemory(&nid, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = wnd;
    nid.uID = 0;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kTrayMessage;
    nid.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
    lstrcpynA(nid.szTip, kName, sizeof nid.szTip);
    Shell_NotifyIconA(action, &nid);
}

LRESULT CALLBACK WindowProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_HOTKEY:
        Switch();
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == kSwitchCommand) Switch();
        if (LOWORD(wp) == kExitCommand) DestroyWindow(wnd);
        return 0;
    case WM_DESTROY:
        TrayIcon(wnd, NIM_DELETE);
        UnregisterHotKey(wnd, kHotKeyId);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CreateMutexA(nullptr, TRUE, kName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return 0;

    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "HopdeckReferenceWnd";
    if (!RegisterClassA(&wc)) return 1;
    HWND wnd = CreateWindowExA(0, wc.lpszClassName, kName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!wnd) return 1;
    RegisterHotKey(wnd, kHotKeyId, MOD_CONTROL | MOD_SHIFT | MOD_ALT, VK_F12);
    TrayIcon(wnd, NIM_ADD);

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
