#include "app/HopdeckApp.h"
#include "app/MainWnd.h"
#include "app/settings_store.h"
#include "res/resource.h"
#include <new>

CHopdeckApp theApp;

bool CHopdeckApp::InitInstance()
{
    // Without a name there is neither a profile nor an instance mutex to go by.
    if (!*AppName()) return false;
    AppSettings().UseRegistry(kRegistryKeyWord, AppName());

    // Held until the process ends; the system releases it then.
    CreateMutexA(nullptr, TRUE, AppName());
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindWindowA(nullptr, LoadResString(IDS_APP_TITLE).c_str())) SetForegroundWindow(running);
        return false;
    }

    auto* main = new (std::nothrow) CMainWnd;
    if (!main) return false;
    m_pMainWnd = main;
    if (!main->Create()) {
        // The icon could not be added: the window has been closed and the quit
        // request posted, so the message loop ends at once.
        if (!m_pMainWnd) return true;
        // No window at all: a resident program without one could never be reached or ended.
        m_pMainWnd = nullptr;
        delete main;
        return false;
    }
    return true;
}
