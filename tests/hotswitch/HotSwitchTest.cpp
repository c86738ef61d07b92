// The hot switch window in this process, shown and hidden by the program's own
// main window: where it opens, what it stores, what a click and a close do.
#include "core/Messages.h"
#include "framework/WinApp.h"
#include "hotswitch/HotSwitchDlg.h"
#include "res/resource.h"
#include "tests/support/TestApp.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>

namespace {

const std::string kProfile = test::kInProcessProfile;

class HotSwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetMain();
        cx = GetSystemMetrics(SM_CXFULLSCREEN);
        cy = GetSystemMetrics(SM_CYFULLSCREEN);
        // The size the template gives at this display's scale.
        HWND bare = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_HOTSWITCH), test::Main(), nullptr, 0);
        GetWindowRect(bare, &templateRect);
        DestroyWindow(bare);
    }
    void TearDown() override
    {
        EXPECT_EQ(test::CountDialogs(GetCurrentProcessId(), CWinApp::Get()->AppNameW()), 0) << "no message box";
        test::ResetMain();
    }

    HWND Show()
    {
        PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
        return test::OwnedDialog(IDC_SWITCH_BUTTON);
    }
    static void Hide() { SendMessageW(test::Main(), WM_HIDE_HOTSWITCH, 0, 0); }
    static void Store(const char* name, int value) { test::SetDword(kProfile, "POSITION", name, (DWORD)value); }
    static long long Stored(const char* name) { return test::GetDword(kProfile, "POSITION", name); }
    static RECT Rect(HWND w)
    {
        RECT rc = {};
        GetWindowRect(w, &rc);
        return rc;
    }
    int Width() const { return templateRect.right - templateRect.left; }
    int Height() const { return templateRect.bottom - templateRect.top; }

    int cx = 0, cy = 0;
    RECT templateRect = {};
};

TEST_F(HotSwitchTest, FirstOpeningSitsInTheBottomRightCornerWithItsBallAndStoresItsPlace)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.right, cx);
    EXPECT_EQ(rc.bottom, cy);
    EXPECT_EQ(rc.right - rc.left, Width());
    EXPECT_EQ(rc.bottom - rc.top, Height());
    EXPECT_EQ(Stored("LEFT"), rc.left);
    EXPECT_EQ(Stored("BOTTOM"), rc.bottom);
    EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) << "TOPMOST missing: not in front";

    // The ball: 48 pixels at 100 %, at its template place, owner-drawn, focused,
    // and wholly inside the window.
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    HDC screen = GetDC(nullptr);
    const int size = MulDiv(48, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    RECT ball = Rect(button), client, templatePlace = {14, 21, 41, 45}, inside;
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&ball), 2);
    MapDialogRect(w, &templatePlace);
    EXPECT_EQ(ball.left, templatePlace.left);
    EXPECT_EQ(ball.top, templatePlace.top);
    EXPECT_EQ(ball.right - ball.left, size);
    EXPECT_EQ(ball.bottom - ball.top, size);
    GetClientRect(w, &client);
    IntersectRect(&inside, &ball, &client);
    EXPECT_TRUE(EqualRect(&inside, &ball)) << "the ball is cut off";
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(HotSwitchTest, TheStoredCornerPlacesTheTemplateSizedWindow)
{
    test::SetDword(kProfile, "SETTING", "TOPMOST", 1);
    const struct {
        RECT stored;
        bool onScreen;
    } cases[] = {
        {{200, 150, 295, 218}, true},          // a size stored at another scale does not count
        {{-30, -45, -30, -45}, true},          // nor does none
        {{30000, 30000, 30100, 30100}, false}, // on no monitor: the default place
    };
    for (const auto& c : cases) {
        Store("LEFT", c.stored.left);
        Store("TOP", c.stored.top);
        Store("RIGHT", c.stored.right);
        Store("BOTTOM", c.stored.bottom);
        HWND w = Show();
        ASSERT_TRUE(w);
        const RECT rc = Rect(w);
        EXPECT_EQ(rc.left, c.onScreen ? c.stored.left : cx - Width());
        EXPECT_EQ(rc.top, c.onScreen ? c.stored.top : cy - Height());
        EXPECT_EQ(rc.right - rc.left, Width());
        EXPECT_EQ(rc.bottom - rc.top, Height());
        EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
        Hide();
    }
    // Only LEFT stored: the rest from the default place.
    test::DeleteProfile(kProfile);
    Store("LEFT", 100);
    const RECT rc = Rect(Show());
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, cy - Height());
}

TEST_F(HotSwitchTest, AMoveIsStoredAtOnceAndTheNextOpeningComesBackThere)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    SetWindowPos(w, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Stored("LEFT"), 30);
    EXPECT_EQ(Stored("RIGHT"), 30 + Width());
    // The close box: the main window forgets it, and the next show opens it there.
    SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(w));
    const RECT rc = Rect(Show());
    EXPECT_EQ(rc.left, 30);
    EXPECT_EQ(rc.top, 40);
}

TEST_F(HotSwitchTest, AClickOrSpaceSwitchesOnceEscClosesEnterDoesNothing)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    {
        test::ScrollLockWatcher keys;
        SendMessageW(button, BM_CLICK, 0, 0);
        EXPECT_TRUE(keys.Saw(1));
    }
    {
        // The button keeps its own focus flag; the keyboard click must still work.
        test::ScrollLockWatcher keys;
        SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageW(button, WM_KEYUP, VK_SPACE, 0xC0390001);
        EXPECT_TRUE(keys.Saw(1));
    }
    SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    test::PumpFor(50);
    EXPECT_TRUE(IsWindowVisible(w));
    MSG esc = {button, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(w, &esc));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_TRUE(Show()) << "the main window forgot the closed window";
}

TEST_F(HotSwitchTest, AHideFollowedAtOnceByAShowLeavesExactlyOneWindow)
{
    HWND old = Show();
    ASSERT_TRUE(old);
    Hide();
    PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
    test::PumpFor(100);
    EXPECT_FALSE(IsWindow(old));
    HWND fresh = test::OwnedDialog(IDC_SWITCH_BUTTON);
    ASSERT_TRUE(fresh);
    // A further show finds it still known: no second window.
    PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
    test::PumpFor(100);
    EXPECT_EQ(test::CountDialogs(GetCurrentProcessId(), L""), 1);
}

TEST_F(HotSwitchTest, AWindowDestroyedWithoutClosingStillTakesItsObjectAndGdiplusAlong)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    ASSERT_TRUE(CImage::GdiplusRunning());
    DestroyWindow(w);  // as when its owner goes first
    EXPECT_FALSE(CImage::GdiplusRunning());
}

}  // namespace
