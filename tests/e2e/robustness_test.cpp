// Odd registry content never stops the program: whatever the fourteen values
// hold, it starts, opens its windows and switches, on defaults.
#include "app/messages.h"
#include "res/resource.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>
#include <cstdint>

namespace {

const std::string kProfile = "Hopdeck";
const wchar_t kSettingsTitle[] = L"設定/ホットキー登録";

struct Value {
    const char* section;
    const char* name;
};
const Value kValues[] = {{"SETTING", "AUTORUN"},     {"SETTING", "HOTSWITCH"},      {"SETTING", "TOPMOST"},
                         {"SETTING", "SLEEPACTION"}, {"SETTING", "TASKTRAYACTION"}, {"SETTING", "CONTROL"},
                         {"SETTING", "SHIFT"},       {"SETTING", "ALT"},            {"SETTING", "WIN"},
                         {"SETTING", "VIRTUALINDEX"}, {"POSITION", "LEFT"},         {"POSITION", "TOP"},
                         {"POSITION", "RIGHT"},      {"POSITION", "BOTTOM"}};

enum class Kind { Missing, String, Qword, ShortBinary, OutOfRange, LargeNegative };

void StoreAll(Kind kind)
{
    for (const Value& v : kValues) {
        switch (kind) {
        case Kind::Missing: break;
        case Kind::String: test::SetRaw(kProfile, v.section, v.name, REG_SZ, "1", 2); break;
        case Kind::Qword: {
            const uint64_t q = 0x100000001ull;
            test::SetRaw(kProfile, v.section, v.name, REG_QWORD, &q, sizeof q);
            break;
        }
        case Kind::ShortBinary: {
            const BYTE b[2] = {1, 0};
            test::SetRaw(kProfile, v.section, v.name, REG_BINARY, b, 2);
            break;
        }
        case Kind::OutOfRange: test::SetDword(kProfile, v.section, v.name, 100000); break;
        case Kind::LargeNegative: test::SetDword(kProfile, v.section, v.name, 0x80000000u); break;
        }
    }
}

// Starts the program on the current profile and checks every window and the
// switch from outside.
void ExpectWorkingProgram()
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 5000));

    hopdeck.Command(ID_SETTINGS);
    EXPECT_TRUE(hopdeck.FindWindowOf(kSettingsTitle));
    PostMessageA(main, WM_SHOW_HOTSWITCH, 0, 0);
    HWND hot = hopdeck.HotSwitch();
    ASSERT_TRUE(hot);
    RECT r, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both;
    GetWindowRect(hot, &r);
    EXPECT_TRUE(IntersectRect(&both, &r, &screen)) << "the hot switch opens where it can be seen";

    test::ScrollLockWatcher keys;
    hopdeck.Command(ID_SWITCH_PC);
    EXPECT_EQ(keys.WaitFor(4, 5000).size(), 4u);
    EXPECT_EQ(hopdeck.ExitCode(), (DWORD)STILL_ACTIVE);
    EXPECT_FALSE(test::FindDialogWindow(hopdeck.Pid(), "Hopdeck", 0)) << "odd settings are not reported";
    EXPECT_TRUE(hopdeck.Exit());
}

class OddRegistry : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override { test::DeleteProfile(kProfile); }
    void TearDown() override { test::DeleteProfile(kProfile); }
};

TEST_P(OddRegistry, ProgramRunsOnDefaults)
{
    StoreAll(GetParam());
    ExpectWorkingProgram();
}

INSTANTIATE_TEST_SUITE_P(EveryValue, OddRegistry,
                         ::testing::Values(Kind::Missing, Kind::String, Kind::Qword, Kind::ShortBinary,
                                           Kind::OutOfRange, Kind::LargeNegative));

// The profile key exists but nothing can be stored below it (a volatile key
// takes no lasting subkeys): reads give defaults, writes fail silently, and
// nothing is shown to the user.
TEST(UnwritableProfile, ProgramRunsOnDefaultsWithoutAMessage)
{
    test::DeleteProfile(kProfile);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, test::ProfileKey(kProfile).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    HKEY probe;
    ASSERT_NE(RegCreateKeyExA(HKEY_CURRENT_USER, test::ProfileKey(kProfile, "SETTING").c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &probe, nullptr),
              ERROR_SUCCESS);

    ExpectWorkingProgram();
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, test::ProfileKey(kProfile, "POSITION")));
    test::DeleteProfile(kProfile);
}

}  // namespace
