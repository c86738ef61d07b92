#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include <shlwapi.h>

CWinApp* CWinApp::s_app = nullptr;

std::string ModulePath(HMODULE module)
{
    // GetModuleFileNameA truncates silently when the buffer is too small, so grow
    // it until the whole path fits.
    std::string path(MAX_PATH, '\0');
    for (;;) {
        DWORD n = GetModuleFileNameA(module, &path[0], (DWORD)path.size());
        if (n == 0) return std::string();
        if (n < path.size()) { path.resize(n); return path; }
        if (path.size() >= 32768 * 2) return std::string();
        path.resize(path.size() * 2);
    }
}

std::string AppNameFromPath(const std::string& path)
{
    std::string p = path;
    char* ext = PathFindExtensionA(&p[0]);
    *ext = '\0';
    return PathFindFileNameA(p.c_str());
}

std::string LoadResString(UINT id)
{
    char buf[512];
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

CWinApp::CWinApp() : m_appName(AppNameFromPath(ModulePath()))
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
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
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
            DispatchMessageA(&msg);
        }
    }
    return (int)msg.wParam;
}

int CWinApp::AppMessageBox(UINT stringId, UINT type)
{
    return AppMessageBox(LoadResString(stringId).c_str(), type);
}

int CWinApp::AppMessageBox(const char* text, UINT type)
{
    if (!(type & MB_ICONMASK)) type |= MB_ICONEXCLAMATION;
    HWND main = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    HWND owner = main ? GetLastActivePopup(main) : nullptr;
    // The owner is disabled by the box itself; the hidden main window is disabled
    // too, so no tray command can start while the box waits for the user.
    bool disabled = main && owner != main && !EnableWindow(main, FALSE);
    int result = ::MessageBoxA(owner, text, AppName(), type);
    if (disabled) EnableWindow(main, TRUE);
    return result;
}
