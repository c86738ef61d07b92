// The tray icon's add, when the shell refuses it for good: the user is told
// and the window is closed, which ends the program.
#include "res/resource.h"
#include "tests/support/test_app.h"
#include "tests/support/test_support.h"
#include "tray/tray_icon.h"
#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

class ClosingWnd : public CWnd {
public:
    int closes = 0;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_CLOSE) ++closes;
        return Default(msg, wp, lp);
    }
};

TEST(TrayIcon, AddsRemovesAndTellsTheUserWhenTheShellRefuses)
{
    HWND main = test::MainWnd().GetSafeHwnd();
    ClosingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "HopdeckTrayTestWnd", 0, "", WS_POPUP, 0, 0, 1, 1, nullptr));
    HWND hwnd = wnd.GetSafeHwnd();
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));

    ASSERT_TRUE(AddTrayIcon(hwnd, icon));
    EXPECT_TRUE(test::TrayIconExists(hwnd));

    // The shell refuses a second add of the same icon: not a time-out, so the
    // user sees string 103 and the window is closed.
    {
        test::MessageBoxCloser box(GetCurrentProcessId(), CWinApp::Get()->AppName(), 10000, main);
        EXPECT_FALSE(AddTrayIcon(hwnd, icon));
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.text, L"通知領域にアイコンを登録できませんでした。");
    }
    EXPECT_EQ(wnd.closes, 1);
    EXPECT_FALSE(IsWindow(hwnd));

    RemoveTrayIcon(hwnd);
    EXPECT_FALSE(test::TrayIconExists(hwnd));
}

}  // namespace
