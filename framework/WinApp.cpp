#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include <shlwapi.h>

CWinApp* CWinApp::s_app = nullptr;

namespace {

// GetModuleFileName truncates silently when the buffer is too small, so the
// buffer grows until the whole path fits (paths reach 32767 characters).
template <typename Ch, typename Fn>
CStringT<Ch> FullModulePath(HMODULE module, Fn getModuleFileName)
{
    CStringT<Ch> path;
    for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
        Ch* buf = path.GetBuffer(size);
        if (!buf) break;
        DWORD n = getModuleFileName(module, buf, size);
        if (n == 0) break;
        if (n < size) {
            path.ReleaseBuffer(n);
            return path;
        }
    }
    return CStringT<Ch>();
}

}  // namespace

CString ModulePath(HMODULE module) { return FullModulePath<char>(module, GetModuleFileNameA); }

CStringW ModulePathW(HMODULE module) { return FullModulePath<wchar_t>(module, GetModuleFileNameW); }

CString AppNameFromPath(const char* path)
{
    CString p = path;
    char* buf = p.GetBuffer(p.size());
    if (!buf) return CString();
    *PathFindExtensionA(buf) = '\0';
    return PathFindFileNameA(buf);
}

CString LoadResString(UINT id)
{
    char buf[512];
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buf, sizeof buf);
    return CString(buf, n > 0 ? n : 0);
}

CWinApp::CWinApp() : m_appName(AppNameFromPath(ModulePath().c_str()))
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
