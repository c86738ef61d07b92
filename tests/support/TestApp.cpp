#include "tests/support/TestApp.h"
#include "app/MainWnd.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/WinApp.h"
#include "tests/support/TestSupport.h"

namespace test {

namespace {

class TestApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
};
TestApp s_app;

}  // namespace

HWND Main()
{
    static CMainWnd* main = nullptr;
    if (!main) {
        AppSettings().UseRegistry(kRegistryKeyWord, kInProcessProfile);
        DeleteProfile(kInProcessProfile);
        main = new CMainWnd;
        main->Create();
        s_app.m_pMainWnd = main;
    }
    return main->GetSafeHwnd();
}

HWND OwnedDialog(int controlId, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w = nullptr; !found && (w = FindWindowExW(nullptr, w, L"#32770", nullptr));)
                if (GetWindow(w, GW_OWNER) == Main() && IsWindowVisible(w) && GetDlgItem(w, controlId)) found = w;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

void ResetMain()
{
    HWND main = Main();
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr));)
        if (GetWindow(w, GW_OWNER) == main) PostMessageW(w, WM_CLOSE, 0, 0);
    PumpFor(50);
    UnregisterHotKey(main, 1);
    DeleteProfile(kInProcessProfile);
    DeleteRunValue(CWinApp::Get()->AppNameW());
}

}  // namespace test
