#include "tests/support/test_app.h"
#include <algorithm>

namespace test {

namespace {
class TestApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
};
TestApp s_app;
RecordingMainWnd s_main;
}  // namespace

bool RecordingMainWnd::Create()
{
    if (GetSafeHwnd()) return true;
    if (!CreateEx(0, "HopdeckTestMainWnd", 0, "HopdeckTest", WS_POPUP, 1, 1, 1, 1, nullptr)) return false;
    CWinApp::Get()->m_pMainWnd = this;
    return true;
}

void RecordingMainWnd::Destroy()
{
    // Not through the main-window rule: the tests keep their own loop.
    CWinApp::Get()->m_pMainWnd = nullptr;
    if (GetSafeHwnd()) DestroyWindow(GetSafeHwnd());
}

int RecordingMainWnd::Count(UINT msg) const { return (int)std::count(messages.begin(), messages.end(), msg); }

LRESULT RecordingMainWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg >= WM_USER && msg <= WM_USER + 0xFF) messages.push_back(msg);
    return Default(msg, wp, lp);
}

RecordingMainWnd& MainWnd()
{
    s_main.Create();
    return s_main;
}

}  // namespace test
