#include "tray/tray_icon.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <shellapi.h>
#include <cstring>

namespace {

// The record size that every shell since Windows XP accepts with the fields we use.
constexpr DWORD kNotifyIconSize = 504;

NOTIFYICONDATAA IconRecord(HWND wnd)
{
    NOTIFYICONDATAA nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = kNotifyIconSize;
    nid.hWnd = wnd;
    nid.uID = 0;
    return nid;
}

}  // namespace

bool AddTrayIcon(HWND wnd, HICON icon)
{
    NOTIFYICONDATAA nid = IconRecord(wnd);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYICON;
    nid.hIcon = icon;
    lstrcpynA(nid.szTip, LoadResString(IDS_TRAY_TIP).c_str(), sizeof nid.szTip);

    while (!Shell_NotifyIconA(NIM_ADD, &nid)) {
        if (GetLastError() != ERROR_TIMEOUT) {
            CWinApp::Get()->AppMessageBox(IDS_TRAY_ADD_FAILED, MB_OK | MB_ICONEXCLAMATION);
            SendMessageA(wnd, WM_CLOSE, 0, 0);
            return false;
        }
        // A shell that timed out may have added the icon after all.
        if (Shell_NotifyIconA(NIM_MODIFY, &nid)) break;
        Sleep(1000);
    }
    return true;
}

void RemoveTrayIcon(HWND wnd)
{
    NOTIFYICONDATAA nid = IconRecord(wnd);
    Shell_NotifyIconA(NIM_DELETE, &nid);
}

namespace {

void ShowTrayMenu(HWND wnd)
{
    // The menu only closes on a click elsewhere when its owner is the
    // foreground window; the WM_NULL afterwards lets a second click on the
    // icon open it again at once.
    SetForegroundWindow(wnd);
    POINT pt = {};
    GetCursorPos(&pt);
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (!menu) return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, 0, wnd, nullptr);
    PostMessageA(wnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

}  // namespace

TrayRequest OnTrayCallback(HWND wnd, LPARAM mouseMsg)
{
    switch (mouseMsg) {
    case WM_LBUTTONDOWN:
        return AppSettings().ReadInt("SETTING", "TASKTRAYACTION", 0) ? TrayRequest::Switch
                                                                      : TrayRequest::OpenSettings;
    case WM_RBUTTONDOWN:
        ShowTrayMenu(wnd);
        return TrayRequest::None;
    default:
        return TrayRequest::None;
    }
}
