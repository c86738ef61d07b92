// The settings store against the real (Wine) registry.
#include "core/SettingsStore.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>

namespace {

TEST(SettingsStore, KeepsSignedLittleEndianDwordsAndReadsNothingElse)
{
    const char profile[] = "HopdeckStoreTest";
    SettingsStore store;
    store.UseRegistry(kRegistryKeyWord, profile);
    // A window left on a monitor to the left of the primary one.
    ASSERT_TRUE(store.WriteInt("POSITION", "LEFT", -1280));
    BYTE bytes[8] = {};
    DWORD size = sizeof bytes;
    RegGetValueA(HKEY_CURRENT_USER, test::ProfileKey(profile, "POSITION").c_str(), "LEFT", RRF_RT_REG_DWORD, nullptr,
                 bytes, &size);
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + size), (std::vector<BYTE>{0x00, 0xFB, 0xFF, 0xFF}));
    EXPECT_EQ(store.ReadInt("POSITION", "LEFT", 0), -1280);

    // Anything but a 4-byte DWORD reads as the default (a string "0" is no set
    // flag); a write replaces it.
    const BYTE one[] = {1, 0, 0, 0};
    const struct {
        DWORD type;
        const void* data;
        DWORD size;
    } odd[] = {{REG_SZ, "0", 2}, {REG_BINARY, one, 2}, {REG_BINARY, one, 4}, {REG_QWORD, "\1\0\0\0\0\0\0", 8},
               {REG_DWORD, one, 2}, {REG_SZ, "12345678", 9}, {REG_DWORD_BIG_ENDIAN, one, 4}};
    for (const auto& v : odd) {
        test::SetRaw(profile, "SETTING", "HOTSWITCH", v.type, v.data, v.size);
        EXPECT_EQ(store.ReadInt("SETTING", "HOTSWITCH", -5), -5) << "type " << v.type << ", " << v.size << " bytes";
    }
    ASSERT_TRUE(store.WriteInt("SETTING", "HOTSWITCH", 1));
    EXPECT_EQ(store.ReadInt("SETTING", "HOTSWITCH", -5), 1);

    // The lock key and the pace count only within their ranges, for the
    // program and the settings dialog alike.
    AppSettings().UseRegistry(kRegistryKeyWord, profile);
    const struct {
        Option::Id id;
        DWORD stored;
        int read;
    } bounds[] = {{Option::SWITCHKEY, 3, 3}, {Option::SWITCHKEY, 4, 0}, {Option::SWITCHKEY, 0xFFFFFFFF, 0},
                  {Option::SWITCHDELAY, 50, 50}, {Option::SWITCHDELAY, 49, 200}, {Option::SWITCHDELAY, 400, 400},
                  {Option::SWITCHDELAY, 401, 200}};
    for (const auto& b : bounds) {
        test::SetDword(profile, "SETTING", kOptions[b.id].name, b.stored);
        EXPECT_EQ(ReadOption(b.id), b.read) << kOptions[b.id].name << " " << b.stored;
        EXPECT_EQ(ReadSettings()[b.id], b.read) << kOptions[b.id].name << " " << b.stored;
    }
    test::DeleteProfile(profile);
}

}  // namespace
