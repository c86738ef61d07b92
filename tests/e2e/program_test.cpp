// Hopdeck.exe started for real under Wine and watched from outside: its window
// by title, commands posted to it, the registry, hot keys, the tray icon and
// the Scroll Lock events it injects.
#include "res/resource.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

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
