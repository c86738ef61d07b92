// Every trigger and every window of the real program, checked from outside:
// each trigger yields exactly one four-event sequence, the settings dialog's OK
// and conflict flows land in the registry, the hot switch keeps its place,
// exit closes everything, and a renamed copy keeps its own profile.
#include "app/messages.h"
#include "res/resource.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

namespace {

const std::string kProfile = "Hopdeck";
const wchar_t kSettingsTitle[] = L"設定/ホットキー登録";

class Suite : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteProfile(kProfile); }
    void TearDown() override { test::DeleteProfile(kProfile); }

    static void Store(const char* name, DWORD value) { test::SetDword(kProfile, "SETTING", name, value); }
    static long long Stored(const char* name) { return test::GetDword(kProfile, "SETTING", name); }

    static void ExpectOneSwitch(test::ScrollLockWatcher& keys)
    {
        const auto& events = keys.WaitFor(4, 5000);
        test::PumpFor(400);
        ASSERT_EQ(events.size(), 4u);
        for (size_t i = 0; i < 4; ++i) EXPECT_EQ(events[i].down, i % 2 == 0) << "event " << i;
    }

    static void Press(std::initializer_list<BYTE> keys)
    {
        for (BYTE k : keys) keybd_event(k, 0, 0, 0);
        for (auto it = keys.end(); it != keys.begin();) keybd_event(*--it, 0, KEYEVENTF_KEYUP, 0);
    }

    static HWND OpenSettings(test::Program& p)
    {
        p.Command(ID_SETTINGS);
        return p.FindWindowOf(kSettingsTitle);
    }
    static void Click(HWND dlg, int id) { SendMessageA(GetDlgItem(dlg, id), BM_CLICK, 0, 0); }
    static bool Checked(HWND dlg, int id) { return SendMessageA(GetDlgItem(dlg, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    static void ChooseRow(HWND dlg, int row) { SendMessageA(GetDlgItem(dlg, IDC_FUNCTION_KEY), CB_SETCURSEL, row, 0); }
    static void PressOk(HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDOK, 0); }
};

TEST_F(Suite, PressingTheHotKeySwitchesOnce)
{
    Store("VIRTUALINDEX", 9);
    Store("CONTROL", 1);
    Store("SHIFT", 1);
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    test::ScrollLockWatcher keys;
    Press({VK_CONTROL, VK_SHIFT, VK_F9});
    ExpectOneSwitch(keys);
}

TEST_F(Suite, HotSwitchShownAtStartSwitchesOnAClickAndKeepsItsPlace)
{
    Store("HOTSWITCH", 1);
    Store("TOPMOST", 1);
    test::SetDword(kProfile, "POSITION", "LEFT", 100);
    test::SetDword(kProfile, "POSITION", "TOP", 120);
    test::SetDword(kProfile, "POSITION", "RIGHT", 190);
    test::SetDword(kProfile, "POSITION", "BOTTOM", 230);
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    HWND hot = hopdeck.HotSwitch();
    ASSERT_TRUE(hot);
    RECT r;
    GetWindowRect(hot, &r);
    EXPECT_EQ(r.left, 100);
    EXPECT_EQ(r.top, 120);
    EXPECT_EQ(r.right, 190);
    EXPECT_EQ(r.bottom, 230);
    EXPECT_TRUE(GetWindowLongA(hot, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(hot, GW_OWNER), hopdeck.MainWindow());

    test::ScrollLockWatcher keys;
    SendMessageA(GetDlgItem(hot, IDC_SWITCH_BUTTON), BM_CLICK, 0, 0);
    ExpectOneSwitch(keys);

    // A move is stored at once.
    SetWindowPos(hot, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(test::GetDword(kProfile, "POSITION", "LEFT"), 30);
    EXPECT_EQ(test::GetDword(kProfile, "POSITION", "RIGHT"), 120);

    // The close box closes it until the next start or OK; the option stays.
    PostMessageA(hot, WM_CLOSE, 0, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(hot); }, 5000));
    EXPECT_EQ(Stored("HOTSWITCH"), 1);
    PostMessageA(hopdeck.MainWindow(), WM_SHOW_HOTSWITCH, 0, 0);
    HWND again = hopdeck.HotSwitch();
    ASSERT_TRUE(again);
    GetWindowRect(again, &r);
    EXPECT_EQ(r.left, 30) << "reopens where it was left";
    EXPECT_EQ(r.top, 40);
}

TEST_F(Suite, SettingsOkSavesRegistersAndRecreatesTheHotSwitch)
{
    Store("HOTSWITCH", 1);
    Store("TOPMOST", 1);
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    HWND oldHot = hopdeck.HotSwitch();
    ASSERT_TRUE(oldHot);
    ASSERT_TRUE(GetWindowLongA(oldHot, GWL_EXSTYLE) & WS_EX_TOPMOST);

    HWND dlg = OpenSettings(hopdeck);
    ASSERT_TRUE(dlg);
    Click(dlg, IDC_TOPMOST);
    Click(dlg, IDC_SLEEPACTION);
    ChooseRow(dlg, 7);
    Click(dlg, IDC_ALT);
    Click(dlg, IDC_CONTROL);
    PressOk(dlg);
    ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg); }, 5000));

    const char* names[] = {"AUTORUN", "HOTSWITCH", "TOPMOST", "SLEEPACTION", "TASKTRAYACTION",
                           "CONTROL", "SHIFT",     "ALT",     "WIN",         "VIRTUALINDEX"};
    const long long expected[] = {1, 1, 0, 1, 0, 1, 0, 1, 0, 7};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Stored(names[i]), expected[i]) << names[i];
    EXPECT_FALSE(test::HotKeyFree(MOD_CONTROL | MOD_ALT, VK_F7));

    // A new hot switch, with the new option.
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(oldHot); }, 5000));
    HWND newHot = hopdeck.HotSwitch();
    ASSERT_TRUE(newHot);
    EXPECT_FALSE(GetWindowLongA(newHot, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(hopdeck.CountWindows(L""), 1);

    char run[1024] = "";
    DWORD size = sizeof run;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Hopdeck",
                           RRF_RT_REG_SZ, nullptr, run, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(run, test::ProgramPath().c_str());
}

TEST_F(Suite, DefaultThenCancelWritesNothing)
{
    Store("SLEEPACTION", 1);
    Store("VIRTUALINDEX", 4);
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    HWND dlg = OpenSettings(hopdeck);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(Checked(dlg, IDC_SLEEPACTION));
    Click(dlg, IDC_DEFAULT);
    EXPECT_FALSE(Checked(dlg, IDC_SLEEPACTION));
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDC_FUNCTION_KEY), CB_GETCURSEL, 0, 0), 0);
    Click(dlg, IDCANCEL);
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg); }, 5000));
    EXPECT_EQ(Stored("SLEEPACTION"), 1);
    EXPECT_EQ(Stored("VIRTUALINDEX"), 4);
    EXPECT_EQ(Stored("AUTORUN"), -999999);

    // The next opening shows the stored values again.
    dlg = OpenSettings(hopdeck);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(Checked(dlg, IDC_SLEEPACTION));
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDC_FUNCTION_KEY), CB_GETCURSEL, 0, 0), 4);
}

TEST_F(Suite, AHotKeyTakenElsewhereIsRefusedWithAMessageAndNothingIsWritten)
{
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x66, MOD_CONTROL, VK_F10));
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    HWND dlg = OpenSettings(hopdeck);
    ASSERT_TRUE(dlg);
    Click(dlg, IDC_TASKTRAYACTION);
    ChooseRow(dlg, 10);
    Click(dlg, IDC_CONTROL);
    {
        test::MessageBoxCloser box(hopdeck.Pid(), "Hopdeck");
        PressOk(dlg);
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.text, L"そのホットキーは既に登録されています。");
        EXPECT_EQ(box.owner, dlg);
    }
    test::PumpFor(300);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(SendMessageA(GetDlgItem(dlg, IDC_FUNCTION_KEY), CB_GETCURSEL, 0, 0), 0);
    EXPECT_FALSE(Checked(dlg, IDC_CONTROL));
    EXPECT_TRUE(Checked(dlg, IDC_TASKTRAYACTION));
    EXPECT_EQ(Stored("TASKTRAYACTION"), -999999);
    UnregisterHotKey(nullptr, 0x66);
}

TEST_F(Suite, ExitWithBothWindowsOpenClosesEverything)
{
    Store("HOTSWITCH", 1);
    Store("VIRTUALINDEX", 12);
    Store("WIN", 1);
    Store("SHIFT", 1);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(hopdeck.HotSwitch());
    ASSERT_TRUE(OpenSettings(hopdeck));
    EXPECT_FALSE(test::HotKeyFree(MOD_WIN | MOD_SHIFT, VK_F12));
    hopdeck.Command(ID_EXIT);
    ASSERT_TRUE(hopdeck.WaitExit(10000));
    EXPECT_EQ(hopdeck.ExitCode(), 0u);
    EXPECT_FALSE(test::TrayIconExists(main));
    EXPECT_TRUE(test::HotKeyFree(MOD_WIN | MOD_SHIFT, VK_F12));
}

TEST_F(Suite, ARenamedCopyRunsBesideItWithItsOwnProfile)
{
    const std::string copyPath = test::TestDir() + "\\HopdeckCopy.exe";
    ASSERT_TRUE(CopyFileA(test::ProgramPath().c_str(), copyPath.c_str(), FALSE));
    test::DeleteProfile("HopdeckCopy");
    test::SetDword("HopdeckCopy", "SETTING", "HOTSWITCH", 1);
    {
        test::Program original;
        test::Program copy(copyPath);
        ASSERT_TRUE(original.MainWindow());
        ASSERT_TRUE(copy.MainWindow()) << "another name, another single-instance mutex";
        EXPECT_TRUE(copy.HotSwitch()) << "the copy reads its own profile";
        EXPECT_FALSE(original.HotSwitch(500));
        EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "software\\VANTU\\Hopdeck\\SETTING"));

        test::ScrollLockWatcher keys;
        copy.Command(ID_SWITCH_PC);
        ExpectOneSwitch(keys);
    }
    test::DeleteProfile("HopdeckCopy");
    DeleteFileA(copyPath.c_str());
}

}  // namespace
