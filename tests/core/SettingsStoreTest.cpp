// The settings store against the real (Wine) registry, and the option table.
#include "core/SettingsStore.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>

namespace {

const char kProfile[] = "HopdeckStoreTest";

class SettingsStoreTest : public ::testing::Test {
protected:
    SettingsStore store;
    void SetUp() override
    {
        test::DeleteProfile(kProfile);
        store.UseRegistry(kRegistryKeyWord, kProfile);
    }
    void TearDown() override { test::DeleteProfile(kProfile); }
};

TEST_F(SettingsStoreTest, KeepsSignedDwordsAndCreatesOnlyTheEmptySectionOnRead)
{
    EXPECT_EQ(store.ReadInt("SETTING", "AUTORUN", 7), 7);
    EXPECT_TRUE(test::KeyExists(test::ProfileKey(kProfile, "SETTING")));
    EXPECT_EQ(test::GetDword(kProfile, "SETTING", "AUTORUN"), test::kMissing) << "a read creates no value";

    // A window left on a monitor to the left of the primary one.
    ASSERT_TRUE(store.WriteInt("POSITION", "LEFT", -1280));
    BYTE bytes[8] = {};
    DWORD type = 0, size = sizeof bytes;
    RegGetValueA(HKEY_CURRENT_USER, test::ProfileKey(kProfile, "POSITION").c_str(), "LEFT", RRF_RT_ANY, &type, bytes,
                 &size);
    EXPECT_EQ(type, (DWORD)REG_DWORD);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), (std::vector<BYTE>{0x00, 0xFB, 0xFF, 0xFF}));
    EXPECT_EQ(store.ReadInt("POSITION", "LEFT", 0), -1280);
}

TEST_F(SettingsStoreTest, OnlyAFourByteDwordCountsAndAWriteReplacesAnyOtherType)
{
    const BYTE one[] = {1, 0, 0, 0};
    const unsigned long long q = 1;
    const struct {
        DWORD type;
        const void* data;
        DWORD size;
    } odd[] = {{REG_SZ, "0", 2}, {REG_SZ, "", 1},       {REG_BINARY, one, 2},      {REG_BINARY, one, 4},
               {REG_QWORD, &q, 8}, {REG_DWORD, one, 2}, {REG_SZ, "12345678", 9}, {REG_DWORD_BIG_ENDIAN, one, 4}};
    for (const auto& v : odd) {
        test::SetRaw(kProfile, "SETTING", "HOTSWITCH", v.type, v.data, v.size);
        EXPECT_EQ(store.ReadInt("SETTING", "HOTSWITCH", -5), -5) << "type " << v.type << ", " << v.size << " bytes";
    }
    ASSERT_TRUE(store.WriteInt("SETTING", "HOTSWITCH", 1));
    EXPECT_EQ(store.ReadInt("SETTING", "HOTSWITCH", -5), 1);
}

TEST_F(SettingsStoreTest, AnUnreachableProfileGivesDefaultsAndRefusesWrites)
{
    SettingsStore unset, unnamed;
    unnamed.UseRegistry(kRegistryKeyWord, "");
    for (SettingsStore* s : {&unset, &unnamed}) {
        EXPECT_EQ(s->ReadInt("SETTING", "AUTORUN", 3), 3);
        EXPECT_FALSE(s->WriteInt("SETTING", "AUTORUN", 1));
    }
}

TEST_F(SettingsStoreTest, OptionsAreReadAndWrittenThroughTheOneTable)
{
    AppSettings().UseRegistry(kRegistryKeyWord, kProfile);
    // Nothing stored: the dialog offers "always in front", a hot switch opened
    // on such a profile is not kept in front.
    EXPECT_EQ(ReadSettings()[Option::TOPMOST], 1);
    EXPECT_EQ(ReadOption(Option::TOPMOST), 0);
    EXPECT_EQ(ReadSettings()[Option::AUTORUN], 1);

    Settings s = DefaultSettings();
    s[Option::VIRTUALINDEX] = 12;
    s[Option::WIN] = 1;
    WriteSettings(s);
    for (int i = 0; i < Option::Count; ++i)
        EXPECT_EQ(test::GetDword(kProfile, "SETTING", kOptions[i].name), s.value[i]) << kOptions[i].name;
    EXPECT_EQ(ReadOption(Option::VIRTUALINDEX), 12);
}

}  // namespace
