// The settings store against the real (Wine) registry.
#include "app/settings_store.h"
#include "framework/WinApp.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>
#include <cstring>

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    const std::string profile = "HopdeckStoreTest";
    SettingsStore store;
    void SetUp() override
    {
        test::DeleteProfile(profile);
        store.UseRegistry("VANTU", profile.c_str());
    }
    void TearDown() override { test::DeleteProfile(profile); }
};

TEST_F(SettingsStoreTest, FirstReadCreatesTheEmptySectionKeyAndReturnsTheDefault)
{
    ASSERT_FALSE(test::KeyExists(HKEY_CURRENT_USER, test::ProfileKey(profile, "SETTING")));
    EXPECT_EQ(store.ReadInt("SETTING", "AUTORUN", 1), 1);
    EXPECT_EQ(store.ReadInt("SETTING", "TOPMOST", 0), 0);
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, "software\\VANTU\\HopdeckStoreTest\\SETTING"));
    DWORD type;
    std::vector<BYTE> data;
    EXPECT_FALSE(test::GetRaw(profile, "SETTING", "AUTORUN", &type, &data)) << "a read creates no value";
}

TEST_F(SettingsStoreTest, WritesLittleEndianDwordsThatReadBackWithTheirSign)
{
    ASSERT_TRUE(store.WriteInt("POSITION", "LEFT", -1280));
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_TRUE(test::GetRaw(profile, "POSITION", "LEFT", &type, &data));
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(data, (std::vector<BYTE>{0x00, 0xFB, 0xFF, 0xFF}));
    EXPECT_EQ(store.ReadInt("POSITION", "LEFT", 0), -1280);

    for (int v : {0, 1, 12, 0x7FFFFFFF, (int)0x80000000}) {
        ASSERT_TRUE(store.WriteInt("SETTING", "VIRTUALINDEX", v));
        EXPECT_EQ(store.ReadInt("SETTING", "VIRTUALINDEX", 77), v);
    }
}

TEST_F(SettingsStoreTest, WriteReplacesAValueOfAnotherType)
{
    test::SetRaw(profile, "SETTING", "HOTSWITCH", REG_SZ, "yes", 4);
    ASSERT_TRUE(store.WriteInt("SETTING", "HOTSWITCH", 1));
    EXPECT_EQ(test::GetDword(profile, "SETTING", "HOTSWITCH"), 1);
}

TEST_F(SettingsStoreTest, OnlyFourByteDwordsCountAsStoredValues)
{
    // A string "0" must not read as a set flag, nor any other odd value.
    test::SetRaw(profile, "SETTING", "SZ_ZERO", REG_SZ, "0", 2);
    test::SetRaw(profile, "SETTING", "SZ_EMPTY", REG_SZ, "", 1);
    const BYTE two[] = {1, 0};
    test::SetRaw(profile, "SETTING", "BIN2", REG_BINARY, two, 2);
    const BYTE four[] = {1, 0, 0, 0};
    test::SetRaw(profile, "SETTING", "BIN4", REG_BINARY, four, 4);
    const unsigned long long q = 1;
    test::SetRaw(profile, "SETTING", "QWORD", REG_QWORD, &q, 8);
    test::SetRaw(profile, "SETTING", "SHORT_DWORD", REG_DWORD, two, 2);
    test::SetRaw(profile, "SETTING", "LONG_STRING", REG_SZ, "12345678", 9);
    test::SetRaw(profile, "SETTING", "BIG_ENDIAN", REG_DWORD_BIG_ENDIAN, four, 4);

    for (const char* name : {"SZ_ZERO", "SZ_EMPTY", "BIN2", "BIN4", "QWORD", "SHORT_DWORD", "LONG_STRING",
                             "BIG_ENDIAN", "MISSING"}) {
        EXPECT_EQ(store.ReadInt("SETTING", name, -5), -5) << name;
    }
}

TEST_F(SettingsStoreTest, AnotherProfileNameIsAnotherProfile)
{
    SettingsStore other;
    other.UseRegistry("VANTU", "HopdeckStoreTestCopy");
    test::DeleteProfile("HopdeckStoreTestCopy");
    store.WriteInt("SETTING", "SLEEPACTION", 1);
    EXPECT_EQ(other.ReadInt("SETTING", "SLEEPACTION", 0), 0);
    other.WriteInt("SETTING", "SLEEPACTION", 7);
    EXPECT_EQ(store.ReadInt("SETTING", "SLEEPACTION", 0), 1);
    test::DeleteProfile("HopdeckStoreTestCopy");
}

TEST_F(SettingsStoreTest, UnreachableProfileGivesDefaultsAndFailedWrites)
{
    SettingsStore unset;  // never pointed at the registry
    EXPECT_EQ(unset.ReadInt("SETTING", "AUTORUN", 3), 3);
    EXPECT_FALSE(unset.WriteInt("SETTING", "AUTORUN", 1));

    // A profile name the registry refuses as a key name.
    SettingsStore bad;
    bad.UseRegistry("VANTU", "");
    EXPECT_EQ(bad.ReadInt("SETTING", "AUTORUN", 4), 4);
    EXPECT_FALSE(bad.WriteInt("SETTING", "AUTORUN", 1));
}

TEST(AppName, IsTheFileNameWithoutExtensionHoweverLongThePath)
{
    EXPECT_EQ(AppNameFromPath("C:\\Program Files\\Tools\\Hopdeck.exe"), "Hopdeck");
    EXPECT_EQ(AppNameFromPath("C:\\x.y\\Hop.deck.exe"), "Hop.deck");
    EXPECT_EQ(AppNameFromPath("Hopdeck"), "Hopdeck");
    std::string deep = "C:";
    while (deep.size() < 600) deep += "\\a-rather-long-folder-name";
    EXPECT_EQ(AppNameFromPath((deep + "\\Renamed Copy.exe").c_str()), "Renamed Copy");
}

TEST(AppName, ModulePathIsComplete)
{
    std::string path = ModulePath().c_str();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(path.substr(path.size() - 4), ".exe");
    EXPECT_EQ(AppNameFromPath(path.c_str()), "unit_tests");
}

}  // namespace
