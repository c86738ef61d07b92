#include "framework/WinApp.h"
#include "framework/System.h"
#include "framework/Wnd.h"

CWinApp* CWinApp::s_app = nullptr;

CWinApp::CWinApp()
    : m_appName(AppNameFromPath(ModulePath().c_str())), m_appNameW(AppNameFromPath(ModulePathW().c_str()))
{
    s_app = this;
}

CWinApp::~CWinApp()
{
    if (s_app == this) s_app = nullptr;
}

void CWinApp::OnWindowDestroyed(CWnd* wnd)
{
    if (s_app && s_app->m_pMainWnd == wnd) {
        s_app->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
}

int CWinApp::Run()
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        bool eaten = false;
        if ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
            (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)) {
            // Offer the message to the window and its ancestors, innermost first,
            // so a modeless dialog gets its Tab, Enter and Esc handling.
            for (HWND h = msg.hwnd; h && !eaten; h = GetAncestor(h, GA_PARENT)) {
                if (CWnd* wnd = CWnd::FromHandle(h)) eaten = wnd->PreFilterMessage(&msg);
            }
        }
        if (!eaten) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return (int)msg.wParam;
}

int CWinApp::AppMessageBox(UINT stringId, UINT type) { return AppMessageBox(LoadResString(stringId).c_str(), type); }

int CWinApp::AppMessageBox(const wchar_t* text, UINT type)
{
    if (!(type & MB_ICONMASK)) type |= MB_ICONEXCLAMATION;
    HWND main = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    HWND owner = main ? GetLastActivePopup(main) : nullptr;
    // The owner is disabled by the box itself; the hidden main window is disabled
    // too, so no tray command can start while the box waits for the user.
    bool disabled = main && owner != main && !EnableWindow(main, FALSE);
    int result = MessageBoxW(owner, text, AppNameW(), type);
    // The box runs a message loop of its own: the main window may be gone now.
    if (disabled && IsWindow(main)) EnableWindow(main, TRUE);
    return result;
}
