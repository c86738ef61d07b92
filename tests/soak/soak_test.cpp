// Long use leaks nothing: hundreds of open/close cycles of both windows and
// hundreds of switches leave GDI objects, USER objects, kernel handles and heap
// memory where they were (see tests/support/footprint.h for how that is read).
#include "app/settings_store.h"
#include "hotswitch/HotSwitchDlg.h"
#include "settings_dialog/MainDialog.h"
#include "switching/switch_sequence.h"
#include "tests/support/test_app.h"
#include "tests/support/footprint.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

namespace {

const char kProfile[] = "HopdeckSoakTest";
constexpr int kCycles = 200;
constexpr int kWarmUp = 5;

class Soak : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::DeleteProfile(kProfile);
        AppSettings().UseRegistry("VANTU", kProfile);
        ASSERT_TRUE(test::MainWnd().GetSafeHwnd());
    }
    void TearDown() override
    {
        UnregisterHotKey(test::MainWnd().GetSafeHwnd(), 1);
        test::DeleteProfile(kProfile);
        test::MainWnd().messages.clear();
    }
};

void SettingsCycle(int i)
{
    CMainDialog* dlg = CMainDialog::GetInstance();
    ASSERT_TRUE(dlg && dlg->OpenWindow());
    HWND wnd = dlg->GetSafeHwnd();
    HWND list = GetDlgItem(wnd, IDC_FUNCTION_KEY);
    HFONT font = (HFONT)SendMessageA(wnd, WM_GETFONT, 0, 0);
    SendMessageA(GetDlgItem(wnd, IDC_DEFAULT), BM_CLICK, 0, 0);
    UpdateWindow(wnd);
    // Every other cycle goes through OK, which writes the registry and the Run entry.
    SendMessageA(wnd, i % 2 ? WM_CLOSE : WM_COMMAND, IDOK, 0);
    test::PumpFor(0);
    test::MainWnd().messages.clear();  // keeps its capacity: no growth on the tests' side
    ASSERT_FALSE(IsWindow(wnd));
    ASSERT_FALSE(IsWindow(list));
    EXPECT_EQ(GetObjectType(font), 0u) << "the dialog's font goes with it";
}

TEST_F(Soak, SettingsDialogOpenedAndClosedManyTimes)
{
    for (int i = 0; i < kWarmUp; ++i) SettingsCycle(i);
    test::Footprint before = test::Measure();
    for (int i = 0; i < kCycles; ++i) {
        SettingsCycle(i);
        if (HasFatalFailure()) return;
    }
    test::ExpectNoGrowth(before, test::Measure(), kCycles);
}

void HotSwitchCycle()
{
    CHotSwitchDlg* hot = CHotSwitchDlg::GetInstance();
    ASSERT_TRUE(hot && hot->OpenWindow());
    HWND wnd = hot->GetSafeHwnd();
    HWND button = GetDlgItem(wnd, IDC_SWITCH_BUTTON);
    // Paint every state once: hover, focus, normal.
    SendMessageA(button, WM_MOUSEHOVER, 0, 0);
    UpdateWindow(wnd);
    SendMessageA(button, WM_MOUSELEAVE, 0, 0);
    SetFocus(button);
    UpdateWindow(wnd);
    SendMessageA(wnd, WM_CLOSE, 0, 0);
    test::PumpFor(0);
    test::MainWnd().messages.clear();
    ASSERT_FALSE(IsWindow(wnd));
}

TEST_F(Soak, HotSwitchOpenedAndClosedManyTimes)
{
    for (int i = 0; i < kWarmUp; ++i) HotSwitchCycle();
    test::Footprint before = test::Measure();
    for (int i = 0; i < kCycles; ++i) {
        HotSwitchCycle();
        if (HasFatalFailure()) return;
    }
    test::ExpectNoGrowth(before, test::Measure(), kCycles);
}

void NoWait(DWORD) {}

TEST_F(Soak, ManySwitches)
{
    test::ScrollLockWatcher keys;
    keys.Reserve(4 * kCycles + 4);
    RunSwitchSequence(InjectKey, NoWait);
    keys.WaitFor(4, 5000);
    keys.Clear();
    test::Footprint before = test::Measure();
    for (int i = 0; i < kCycles; ++i) RunSwitchSequence(InjectKey, NoWait);
    EXPECT_EQ(keys.WaitFor(4 * kCycles, 10000).size(), 4u * kCycles);
    test::ExpectNoGrowth(before, test::Measure(), kCycles);
    // Pressed an even number of times, Scroll Lock ends as it began.
}

}  // namespace
