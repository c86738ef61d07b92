#include "tray/TrayIcon.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include <shellapi.h>
#include <cstring>

namespace {

// The wide record as the shells since Windows XP take it (with guidItem).
constexpr DWORD kNotifyIconSize = NOTIFYICONDATAW_V3_SIZE;

NOTIFYICONDATAW IconRecord(HWND wnd)
{
    NOTIFYICONDATAW nid;
    std::memset(&nid, 0, sizeof nid);
    nid.cbSize = kNotifyIconSize;
    nid.hWnd = wnd;
    nid.uID = 0;
    return nid;
}

}  // namespace

TrayAdd AddTrayIcon(HWND wnd, HICON icon)
{
    NOTIFYICONDATAW nid = IconRecord(wnd);
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYICON;
    nid.hIcon = icon;
    lstrcpynW(nid.szTip, LoadResString(IDS_TRAY_TIP).c_str(), ARRAYSIZE(nid.szTip));

    while (!Shell_NotifyIconW(NIM_ADD, &nid)) {
        const DWORD error = GetLastError();
        // The icon may be there already: "TaskbarCreated" is broadcast by other
        // programs and on some display changes while the shell keeps its icons,
        // and a shell that timed out may have added it after all.
        if (Shell_NotifyIconW(NIM_MODIFY, &nid)) break;
        if (error != ERROR_TIMEOUT) {
            // Started at logon before the shell has made its taskbar: the icon
            // comes when the shell announces itself with "TaskbarCreated".
            if (!FindWindowW(L"Shell_TrayWnd", nullptr)) return TrayAdd::NoShellYet;
            return TrayAdd::Failed;
        }
        Sleep(1000);
    }
    return TrayAdd::Added;
}

void RemoveTrayIcon(HWND wnd)
{
    NOTIFYICONDATAW nid = IconRecord(wnd);
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

bool ShowTrayBalloon(HWND wnd, const wchar_t* title, const wchar_t* text)
{
    NOTIFYICONDATAW nid = IconRecord(wnd);
    nid.uFlags = NIF_INFO;
    nid.dwInfoFlags = NIIF_WARNING;
    lstrcpynW(nid.szInfoTitle, title, ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, text, ARRAYSIZE(nid.szInfo));
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

HICON LoadTrayIcon()
{
    // The taskbar is per-monitor aware: its scale is that of its monitor.
    // Before there is a taskbar, the system's scale.
    const UINT dpi = WindowDpi(FindWindowW(L"Shell_TrayWnd", nullptr));
    const int size = SystemMetricForDpi(SM_CXSMICON, dpi);
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, LR_SHARED));
}

namespace {

// "Switch to <name>" for each PC of the desk, below the switch's item. A "&"
// of a name is shown as it is, not as an access key.
void AddPcItems(HMENU menu)
{
    const DeskPcs pcs = ReadPcs(false);
    for (int i = 0; i < pcs.count; ++i) {
        CStringW name;
        for (const wchar_t* c = pcs.pc[i].name.c_str(); *c; ++c) name += *c == L'&' ? L"&&" : CStringW(c, 1);
        InsertMenuW(menu, 1 + i, MF_BYPOSITION | MF_STRING, ID_GO_TO_PC_FIRST + i,
                    FormatResString(IDS_PC_MENU_ITEM, name.c_str()).c_str());
    }
}

void ShowTrayMenu(HWND wnd)
{
    // The menu only closes on a click elsewhere when its owner is the
    // foreground window; the WM_NULL afterwards lets a second click on the
    // icon open it again at once.
    SetForegroundWindow(wnd);
    POINT pt = {};
    GetCursorPos(&pt);
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
    if (!menu) return;
    AddPcItems(GetSubMenu(menu, 0));
    // A modal loop: the window may be gone when it returns, so only its
    // handle is used afterwards.
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, pt.x, pt.y, 0, wnd, nullptr);
    PostMessageW(wnd, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

}  // namespace

TrayRequest OnTrayCallback(HWND wnd, LPARAM mouseMsg)
{
    switch (mouseMsg) {
    case WM_LBUTTONDOWN:
        return ReadOption(Option::TASKTRAYACTION) ? TrayRequest::Switch : TrayRequest::OpenSettings;
    case WM_RBUTTONDOWN:
        ShowTrayMenu(wnd);
        return TrayRequest::None;
    default:
        return TrayRequest::None;
    }
}
