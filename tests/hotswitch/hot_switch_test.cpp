// The hot switch window in this process, owned by the tests' stand-in main
// window: where it opens, what it stores, what a click and a close do, and that
// nothing of it is left behind.
#include "hotswitch/HotSwitchDlg.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "res/resource.h"
#include "tests/support/test_app.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

const char kProfile[] = "HopdeckHotSwitchTest";

// ------------------------------------------------------------ placement rule

bool Everywhere(const RECT&) { return true; }
bool Nowhere(const RECT&) { return false; }

TEST(HotSwitchPlacement, StoredRectangleUnlessItIsEmptyOrOnNoMonitor)
{
    const RECT defaultRect = {1000, 800, 1100, 890};
    const RECT onScreen = {-30, -40, 170, 110};
    RECT place = ChooseHotSwitchRect(onScreen, defaultRect, Everywhere);
    EXPECT_TRUE(EqualRect(&place, &onScreen));

    place = ChooseHotSwitchRect(onScreen, defaultRect, Nowhere);
    EXPECT_TRUE(EqualRect(&place, &defaultRect));

    // No width, or a negative height: the template size at the stored corner.
    const RECT expected = {50, 60, 150, 150};
    for (const RECT& empty : {RECT{50, 60, 50, 300}, RECT{50, 60, 300, 40}}) {
        place = ChooseHotSwitchRect(empty, defaultRect, Everywhere);
        EXPECT_TRUE(EqualRect(&place, &expected));
    }
}

// ------------------------------------------------------------ the window

INT_PTR CALLBACK BareDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The outer size that the template gives, from a bare dialog of the same template.
SIZE TemplateSize()
{
    static SIZE size = {};
    if (!size.cx) {
        HWND bare = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HOTSWITCH),
                                       test::MainWnd().GetSafeHwnd(), BareDialogProc, 0);
        RECT rc = {};
        GetWindowRect(bare, &rc);
        DestroyWindow(bare);
        size = {rc.right - rc.left, rc.bottom - rc.top};
    }
    return size;
}

// Message boxes of this thread are recorded and dismissed at once, so that a
// failure shows as a count instead of a test that waits for a user.
int s_messageBoxes = 0;
LRESULT CALLBACK DismissMessageBoxes(int code, WPARAM wp, LPARAM lp)
{
    if (code == HCBT_ACTIVATE) {
        char cls[16] = "";
        GetClassNameA((HWND)wp, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") == 0 && test::WindowText((HWND)wp) == CWinApp::Get()->AppName()) {
            ++s_messageBoxes;
            PostMessageA((HWND)wp, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

// Visible hot switch windows: dialogs owned by the main window.
int OpenHotSwitches()
{
    int count = 0;
    for (HWND w : test::WindowsOf(GetCurrentProcessId(), nullptr)) {
        char cls[16] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w) &&
            GetWindow(w, GW_OWNER) == test::MainWnd().GetSafeHwnd() && GetDlgItem(w, IDC_SWITCH_BUTTON))
            ++count;
    }
    return count;
}

class HotSwitchWindow : public testing::Test {
protected:
    void SetUp() override
    {
        AppSettings().UseRegistry(kRegistryKeyWord, kProfile);
        test::DeleteProfile(kProfile);
        m_cx = GetSystemMetrics(SM_CXFULLSCREEN);
        m_cy = GetSystemMetrics(SM_CYFULLSCREEN);
        m_template = TemplateSize();
        test::PumpFor(0);
        test::MainWnd().messages.clear();
        s_messageBoxes = 0;
        m_hook = SetWindowsHookExA(WH_CBT, DismissMessageBoxes, nullptr, GetCurrentThreadId());
    }
    void TearDown() override
    {
        // Closing is the only way the object goes; one left in the slot would
        // keep counting toward the GDI+ lifetime in the tests that follow.
        CHotSwitchDlg* dlg = CHotSwitchDlg::GetInstance();
        if (dlg->GetSafeHwnd() || dlg->OpenWindow()) SendMessageA(dlg->GetSafeHwnd(), WM_CLOSE, 0, 0);
        test::PumpFor(0);
        UnhookWindowsHookEx(m_hook);
        EXPECT_EQ(s_messageBoxes, 0);
        test::DeleteProfile(kProfile);
    }

    // What the main window does on WM_SHOW_HOTSWITCH.
    HWND Open()
    {
        CHotSwitchDlg* dlg = CHotSwitchDlg::GetInstance();
        if (!dlg || !dlg->OpenWindow()) return nullptr;
        return dlg->GetSafeHwnd();
    }
    static RECT Rect(HWND w)
    {
        RECT rc = {};
        GetWindowRect(w, &rc);
        return rc;
    }
    static long long Stored(const char* name) { return test::GetDword(kProfile, "POSITION", name); }
    static void Store(const char* name, int value) { test::SetDword(kProfile, "POSITION", name, (DWORD)value); }
    static int ClosedNotices() { return test::MainWnd().Count(WM_HOTSWITCH_CLOSED); }

    int m_cx = 0, m_cy = 0;
    SIZE m_template = {};
    HHOOK m_hook = nullptr;
};

TEST_F(HotSwitchWindow, FirstOpeningSitsInTheBottomRightCornerAndStoresItsRectangle)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindow(w, GW_OWNER), test::MainWnd().GetSafeHwnd());
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.right, m_cx);
    EXPECT_EQ(rc.bottom, m_cy);
    EXPECT_EQ(rc.right - rc.left, m_template.cx);
    EXPECT_EQ(rc.bottom - rc.top, m_template.cy);
    EXPECT_EQ(Stored("LEFT"), rc.left);
    EXPECT_EQ(Stored("TOP"), rc.top);
    EXPECT_EQ(Stored("RIGHT"), rc.right);
    EXPECT_EQ(Stored("BOTTOM"), rc.bottom);
}

TEST_F(HotSwitchWindow, OnlyLeftStoredStretchesTheWindowToTheDefaultRightEdge)
{
    Store("LEFT", 100);
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, m_cy - m_template.cy);
    EXPECT_EQ(rc.right, m_cx);
    EXPECT_EQ(rc.bottom, m_cy);
}

TEST_F(HotSwitchWindow, AStoredRectangleOfAnotherSizeIsTakenAsItIs)
{
    Store("LEFT", 200);
    Store("TOP", 150);
    Store("RIGHT", 520);
    Store("BOTTOM", 400);
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    const RECT rc = Rect(w);
    const RECT expected = {200, 150, 520, 400};
    EXPECT_TRUE(EqualRect(&rc, &expected)) << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
}

TEST_F(HotSwitchWindow, AStoredRectangleOnNoMonitorOpensAtTheDefaultPlace)
{
    Store("LEFT", 30000);
    Store("TOP", 30000);
    Store("RIGHT", 30100);
    Store("BOTTOM", 30100);
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.right, m_cx);
    EXPECT_EQ(rc.bottom, m_cy);
    EXPECT_EQ(rc.right - rc.left, m_template.cx);
    EXPECT_EQ(Stored("LEFT"), rc.left);
}

TEST_F(HotSwitchWindow, AMoveIsStoredAtOnceAndTheNextOpeningComesBackThere)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SetWindowPos(w, nullptr, -30, -45, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Stored("LEFT"), -30);
    EXPECT_EQ(Stored("TOP"), -45);
    EXPECT_EQ(Stored("RIGHT"), -30 + m_template.cx);
    EXPECT_EQ(Stored("BOTTOM"), -45 + m_template.cy);

    SendMessageA(w, WM_CLOSE, 0, 0);
    w = Open();
    ASSERT_NE(w, nullptr);
    const RECT rc = Rect(w);
    EXPECT_EQ(rc.left, -30);
    EXPECT_EQ(rc.top, -45);
}

TEST_F(HotSwitchWindow, TopmostFollowsTheSetting)
{
    test::SetDword(kProfile, "SETTING", "TOPMOST", 1);
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SendMessageA(w, WM_CLOSE, 0, 0);

    test::SetDword(kProfile, "SETTING", "TOPMOST", 0);
    w = Open();
    ASSERT_NE(w, nullptr);
    EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(HotSwitchWindow, TheButtonIsOneFrameOfTheImageAtItsTemplatePlace)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    RECT rc;
    GetWindowRect(button, &rc);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&rc), 2);
    RECT templatePlace = {14, 21, 14 + 27, 21 + 24};
    MapDialogRect(w, &templatePlace);
    EXPECT_EQ(rc.left, templatePlace.left);
    EXPECT_EQ(rc.top, templatePlace.top);
    EXPECT_EQ(rc.right - rc.left, 48);
    EXPECT_EQ(rc.bottom - rc.top, 48);
    EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(HotSwitchWindow, AClickRunsTheSwitch)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    test::ScrollLockWatcher watcher;
    SendMessageA(GetDlgItem(w, IDC_SWITCH_BUTTON), BM_CLICK, 0, 0);
    const auto& events = watcher.WaitFor(4, 3000);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_TRUE(events[0].down);
    EXPECT_FALSE(events[1].down);
    EXPECT_TRUE(events[2].down);
    EXPECT_FALSE(events[3].down);
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(HotSwitchWindow, SpaceOnTheFocusedButtonRunsTheSwitchToo)
{
    // The button keeps its own focus flag instead of the control's focus
    // handling; the keyboard click must not depend on that handling.
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    ASSERT_EQ(GetFocus(), button);
    test::ScrollLockWatcher watcher;
    SendMessageA(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SendMessageA(button, WM_KEYUP, VK_SPACE, 0xC0390001);
    EXPECT_EQ(watcher.WaitFor(4, 3000).size(), 4u);
}

TEST_F(HotSwitchWindow, AWindowDestroyedWithoutClosingStillTakesItsObjectAlong)
{
    // As happens when the owner goes first: no close request, no notice, but
    // the object (and with it the image and GDI+) must not be left behind.
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(CImage::GdiplusRunning());
    DestroyWindow(w);
    EXPECT_FALSE(CImage::GdiplusRunning());
    HWND again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, w);
}

TEST_F(HotSwitchWindow, TheCloseBoxPostsOneClosedNoticeAndFreesTheSlot)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(ClosedNotices(), 0) << "posted, not sent";
    test::PumpFor(50);
    EXPECT_EQ(ClosedNotices(), 1);
    EXPECT_EQ(CHotSwitchDlg::GetInstance()->GetSafeHwnd(), nullptr) << "a new object without a window";
}

TEST_F(HotSwitchWindow, EscClosesLikeTheCloseBox)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    // Esc on the focused button, as the message loop hands it to the dialog manager.
    MSG esc = {GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0x00010001, GetTickCount(), {}};
    ASSERT_EQ(esc.hwnd, GetDlgItem(w, IDC_SWITCH_BUTTON));
    EXPECT_TRUE(IsDialogMessageA(w, &esc));
    EXPECT_FALSE(IsWindow(w));
    test::PumpFor(50);
    EXPECT_EQ(ClosedNotices(), 1);
}

TEST_F(HotSwitchWindow, ABareOkDoesNothing)
{
    HWND w = Open();
    ASSERT_NE(w, nullptr);
    SendMessageA(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    test::PumpFor(50);
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(ClosedNotices(), 0);
}

TEST_F(HotSwitchWindow, AHideFollowedAtOnceByAShowLeavesExactlyOneWindow)
{
    HWND old = Open();
    ASSERT_NE(old, nullptr);
    // The main window's hide (a sent close), then the show it was posted.
    SendMessageA(old, WM_CLOSE, 0, 0);
    HWND fresh = Open();
    ASSERT_NE(fresh, nullptr);
    test::PumpFor(50);
    EXPECT_EQ(OpenHotSwitches(), 1);
    EXPECT_TRUE(IsWindowVisible(fresh));
    EXPECT_EQ(CHotSwitchDlg::GetInstance()->GetSafeHwnd(), fresh);
    EXPECT_EQ(ClosedNotices(), 1);
}

TEST_F(HotSwitchWindow, ClosingLeavesNoWindowBitmapOrGdiplusBehind)
{
    // GDI object counts cannot be read here; instead every handle that a
    // cycle made must be gone once its window has closed (the soak tests run
    // many more cycles against the process's handle tables).
    struct Cycle {
        HWND window, button;
        HBITMAP image, background;
    };
    std::vector<Cycle> cycles;
    for (int i = 0; i < 20; ++i) {
        HWND w = Open();
        ASSERT_NE(w, nullptr);
        UpdateWindow(w);  // the first painting takes the background snapshot
        HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
        auto* alpha = static_cast<CAlphaButton*>(CWnd::FromHandle(button));
        ASSERT_NE(alpha, nullptr);
        cycles.push_back({w, button, alpha->Image().GetBitmap(), alpha->Background()});
        ASSERT_NE(cycles.back().background, nullptr);
        ASSERT_TRUE(CImage::GdiplusRunning());
        SendMessageA(w, i % 2 ? WM_CLOSE : WM_SYSCOMMAND, i % 2 ? 0 : SC_CLOSE, 0);
        EXPECT_FALSE(CImage::GdiplusRunning());
    }
    test::PumpFor(50);
    EXPECT_EQ(ClosedNotices(), 20);
    for (const Cycle& c : cycles) {
        EXPECT_FALSE(IsWindow(c.window));
        EXPECT_FALSE(IsWindow(c.button));
        EXPECT_EQ(GetObjectType(c.image), 0u);
        EXPECT_EQ(GetObjectType(c.background), 0u);
    }
    EXPECT_EQ(OpenHotSwitches(), 0);
}

}  // namespace
