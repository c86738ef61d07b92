#include "app/MainWnd.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "framework/WinApp.h"
#include "hotswitch/HotSwitchDlg.h"
#include "res/resource.h"
#include "settings_dialog/MainDialog.h"
#include "switching/hot_key.h"
#include "switching/switch_sequence.h"
#include "tray/tray_icon.h"

namespace {

// The shell broadcasts this message when it (re)starts: the icon must be added again.
UINT s_taskbarCreated = 0;

int ReadSetting(const char* entry) { return AppSettings().ReadInt("SETTING", entry, 0); }

}  // namespace

CMainWnd::CMainWnd() : m_icon(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

bool CMainWnd::Create()
{
    CString title = LoadResString(IDS_APP_TITLE);
    if (!CreateEx(0, "HopdeckMainWnd", CS_HREDRAW | CS_VREDRAW, title.c_str(), WS_POPUP, 1, 1, 1, 1, nullptr))
        return false;
    ShowWindow(m_hWnd, SW_HIDE);
    return AddTrayIcon(m_hWnd, m_icon);
}

void CMainWnd::PostNcDestroy() { delete this; }

LRESULT CMainWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE: OnCreate(); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_COMMAND: OnCommand(LOWORD(wp)); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(wp); break;
    case WM_HOTKEY: RunSwitchSequence(); break;
    case WM_TRAYICON: OnTrayIcon(lp); break;
    case WM_SETTINGS_CLOSED: m_settings = nullptr; break;
    case WM_HOTSWITCH_CLOSED: m_hotSwitch = nullptr; break;
    case WM_SHOW_HOTSWITCH: OnShowHotSwitch(); break;
    case WM_HIDE_HOTSWITCH: OnHideHotSwitch(); break;
    default:
        // When the icon cannot be added again the window has been closed and
        // this object deleted: touch nothing more.
        if (msg == s_taskbarCreated && s_taskbarCreated && !OnTaskbarCreated()) return 0;
        break;
    }
    return Default(msg, wp, lp);
}

void CMainWnd::OnCreate()
{
    s_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    HotKey key = ReadHotKey(ReadSetting);
    if (FunctionKeyRow(key.index) != 0) RegisterHotKeyFor(m_hWnd, key);
    if (ReadSetting("HOTSWITCH")) PostMessageA(m_hWnd, WM_SHOW_HOTSWITCH, 0, 0);
}

void CMainWnd::OnDestroy()
{
    RemoveTrayIcon(m_hWnd);
    UnregisterHotKey(m_hWnd, kHotKeyId);
}

void CMainWnd::OnCommand(UINT id)
{
    switch (id) {
    case ID_SWITCH_PC: RunSwitchSequence(); break;
    case ID_SETTINGS: OpenSettings(); break;
    case ID_EXIT: Exit(); break;
    }
}

void CMainWnd::OnPowerBroadcast(WPARAM event)
{
    // The sequence runs before the system goes to sleep, so the KVM switch hands
    // the keyboard and screen to the other PC.
    if ((event == PBT_APMSUSPEND || event == PBT_APMSTANDBY) && ReadSetting("SLEEPACTION")) RunSwitchSequence();
}

bool CMainWnd::OnTaskbarCreated() { return AddTrayIcon(m_hWnd, m_icon); }

void CMainWnd::OnTrayIcon(LPARAM mouseMsg)
{
    switch (OnTrayCallback(m_hWnd, mouseMsg)) {
    case TrayRequest::Switch: RunSwitchSequence(); break;
    case TrayRequest::OpenSettings: OpenSettings(); break;
    case TrayRequest::None: break;
    }
}

void CMainWnd::OnShowHotSwitch()
{
    if (m_hotSwitch) return;
    m_hotSwitch = CHotSwitchDlg::GetInstance();
    if (m_hotSwitch && !m_hotSwitch->OpenWindow()) m_hotSwitch = nullptr;  // OpenWindow released it
}

void CMainWnd::OnHideHotSwitch()
{
    if (!m_hotSwitch) return;
    // Sent, so the window has gone (and posted its closed notice) before the
    // caller goes on to post a new show request.
    SendMessageA(m_hotSwitch->GetSafeHwnd(), WM_CLOSE, 0, 0);
    m_hotSwitch = nullptr;
}

void CMainWnd::OpenSettings()
{
    SetForegroundWindow(m_hWnd);
    if (m_settings) return;  // one dialog at a time
    m_settings = CMainDialog::GetInstance();
    if (m_settings && !m_settings->OpenWindow()) m_settings = nullptr;  // OpenWindow released it
}

void CMainWnd::Exit()
{
    // Queued in this order, so both optional windows close before the main
    // window handles its own WM_CLOSE.
    if (m_settings) PostMessageA(m_settings->GetSafeHwnd(), WM_CLOSE, 0, 0);
    if (m_hotSwitch) PostMessageA(m_hotSwitch->GetSafeHwnd(), WM_CLOSE, 0, 0);
    PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
}
