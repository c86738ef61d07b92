// Hopdeck.exe started for real under Wine and watched from outside: its window
// by title, commands posted to it, the registry, hot keys, the tray icon and
// the Scroll Lock events it injects.
#include "res/resource.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>
#include <shellapi.h>

namespace {

const std::string kProfile = "Hopdeck";

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteProfile(kProfile); }
    void TearDown() override { test::DeleteProfile(kProfile); }

    static void ExpectOneSwitch(test::ScrollLockWatcher& keys)
    {
        const auto& events = keys.WaitFor(4, 5000);
        test::PumpFor(400);  // nothing more may follow
        ASSERT_EQ(events.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(events[i].down, i % 2 == 0) << "event " << i;
            EXPECT_TRUE(events[i].injected) << "event " << i;
        }
    }
};

TEST_F(ProgramTest, FirstStartMakesTheHiddenWindowTheIconAndTheEmptyProfile)
{
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.Started());
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 5000));
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "software\\VANTU\\Hopdeck\\SETTING"));
    EXPECT_TRUE(hopdeck.Exit());
    EXPECT_EQ(hopdeck.ExitCode(), 0u);
}

TEST_F(ProgramTest, SwitchCommandInjectsScrollLockTwice)
{
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    test::ScrollLockWatcher keys;
    hopdeck.Command(ID_SWITCH_PC);
    ExpectOneSwitch(keys);
}

TEST_F(ProgramTest, SuspendSwitchesOnlyWhenAskedTo)
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    test::ScrollLockWatcher keys;

    // Off by default: neither suspend nor standby switches.
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMSTANDBY, 0);
    test::PumpFor(1200);
    EXPECT_TRUE(keys.Events().empty());

    // Read at each notice: a change made while running counts at once.
    test::SetDword(kProfile, "SETTING", "SLEEPACTION", 1);
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    ExpectOneSwitch(keys);
    keys.Clear();
    PostMessageA(main, WM_POWERBROADCAST, PBT_APMSTANDBY, 0);
    ExpectOneSwitch(keys);
}

TEST_F(ProgramTest, SecondStartEndsAtOnceAndLeavesTheFirstRunning)
{
    test::Program first;
    HWND main = first.MainWindow();
    ASSERT_TRUE(main);
    test::Program second;
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitExit(10000));
    EXPECT_TRUE(test::WindowsOf(second.Pid(), "Hopdeck").empty());
    EXPECT_TRUE(IsWindow(main));
    EXPECT_EQ(first.ExitCode(), (DWORD)STILL_ACTIVE);
}

TEST_F(ProgramTest, StoredHotKeyIsHeldWhileRunningAndFreedByExit)
{
    // Ctrl+Shift+Alt+F11: index 11 with three modifiers.
    test::SetDword(kProfile, "SETTING", "VIRTUALINDEX", 11);
    test::SetDword(kProfile, "SETTING", "CONTROL", 1);
    test::SetDword(kProfile, "SETTING", "SHIFT", 1);
    test::SetDword(kProfile, "SETTING", "ALT", 1);
    const UINT mods = MOD_CONTROL | MOD_SHIFT | MOD_ALT;
    ASSERT_TRUE(test::HotKeyFree(mods, VK_F11));

    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    EXPECT_FALSE(test::HotKeyFree(mods, VK_F11));
    ASSERT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 5000));

    // WM_HOTKEY is what the system posts when the combination is pressed.
    test::ScrollLockWatcher keys;
    PostMessageA(main, WM_HOTKEY, 1, MAKELPARAM(mods, VK_F11));
    ExpectOneSwitch(keys);

    ASSERT_TRUE(hopdeck.Exit());
    EXPECT_TRUE(test::HotKeyFree(mods, VK_F11));
    EXPECT_FALSE(test::TrayIconExists(main));
}

TEST_F(ProgramTest, OutOfRangeStoredValuesLeaveItRunningWithoutAHotKey)
{
    test::SetDword(kProfile, "SETTING", "VIRTUALINDEX", 200);
    test::SetDword(kProfile, "SETTING", "CONTROL", 0xFFFFFFFF);
    test::SetRaw(kProfile, "SETTING", "HOTSWITCH", REG_SZ, "0", 2);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    test::ScrollLockWatcher keys;
    hopdeck.Command(ID_SWITCH_PC);
    ExpectOneSwitch(keys);
    EXPECT_TRUE(hopdeck.Exit());
}

}  // namespace

namespace {

const wchar_t kSettingsTitle[] = L"設定/ホットキー登録";

void TrayClick(HWND main, UINT mouseMsg) { PostMessageA(main, WM_USER + 1, 0, mouseMsg); }

TEST_F(ProgramTest, IconComesBackEveryTimeTheShellRestarts)
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 5000));
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    for (int i = 0; i < 20; ++i) {
        NOTIFYICONDATAA nid = {};
        nid.cbSize = 504;
        nid.hWnd = main;
        ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));  // as a restarted shell has lost it
        ASSERT_FALSE(test::TrayIconExists(main));
        PostMessageA(main, taskbarCreated, 0, 0);
        ASSERT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 5000)) << "restart " << i;
    }
}

TEST_F(ProgramTest, LeftClickSwitchesWhenAskedOtherwiseOpensOneSettingsDialog)
{
    test::SetDword(kProfile, "SETTING", "TASKTRAYACTION", 1);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    {
        test::ScrollLockWatcher keys;
        // A double click: down, up, double click, up. Only the first press acts.
        TrayClick(main, WM_LBUTTONDOWN);
        TrayClick(main, WM_LBUTTONUP);
        TrayClick(main, WM_LBUTTONDBLCLK);
        TrayClick(main, WM_LBUTTONUP);
        ExpectOneSwitch(keys);
        EXPECT_EQ(hopdeck.CountWindows(kSettingsTitle), 0);
    }

    test::SetDword(kProfile, "SETTING", "TASKTRAYACTION", 0);
    test::ScrollLockWatcher keys;
    TrayClick(main, WM_LBUTTONDOWN);
    ASSERT_TRUE(hopdeck.FindWindowOf(kSettingsTitle));
    TrayClick(main, WM_LBUTTONDOWN);
    hopdeck.Command(ID_SETTINGS);
    test::PumpFor(500);
    EXPECT_EQ(hopdeck.CountWindows(kSettingsTitle), 1) << "one dialog at a time";
    EXPECT_TRUE(keys.Events().empty());
}

TEST_F(ProgramTest, RightClickShowsTheMenuAboveTheCursor)
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    SetCursorPos(400, 500);
    TrayClick(main, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    ASSERT_TRUE(test::PumpUntil([&] { return (menu = hopdeck.OpenMenu()) != nullptr; }, 5000));
    RECT r;
    GetWindowRect(menu, &r);
    EXPECT_EQ(r.bottom, 500) << "bottom-aligned at the cursor";
    EXPECT_EQ(r.left, 400);

    // Escape closes it (the menu loop reads the keys of its thread's queue);
    // the program goes on working.
    PostMessageA(main, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return hopdeck.OpenMenu() == nullptr; }, 5000));
    test::ScrollLockWatcher keys;
    hopdeck.Command(ID_SWITCH_PC);
    ExpectOneSwitch(keys);
}

TEST_F(ProgramTest, ExitClosesTheOpenSettingsDialogRemovesTheIconAndWritesNothing)
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    hopdeck.Command(ID_SETTINGS);
    HWND dlg = hopdeck.FindWindowOf(kSettingsTitle);
    ASSERT_TRUE(dlg);
    SendMessageA(GetDlgItem(dlg, IDC_SLEEPACTION), BM_SETCHECK, BST_CHECKED, 0);
    hopdeck.Command(ID_EXIT);
    ASSERT_TRUE(hopdeck.WaitExit(10000));
    EXPECT_EQ(hopdeck.ExitCode(), 0u);
    EXPECT_FALSE(test::TrayIconExists(main));
    EXPECT_EQ(test::GetDword(kProfile, "SETTING", "SLEEPACTION"), -999999);
}

}  // namespace
