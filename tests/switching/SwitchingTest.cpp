// The switch sequence through its seam: key events and pauses are recorded,
// and Windows refuses the events a case names.
#include "switching/HotKey.h"
#include "switching/SwitchSequence.h"
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace {

std::string s_log;
unsigned s_refused = 0;  // bit n: event n is refused
int s_event = 0;

UINT RecordKey(BYTE vk, WORD scan, DWORD flags)
{
    const bool refused = (s_refused >> s_event++) & 1;
    s_log += std::to_string(vk) + "/" + std::to_string(scan) + (flags & KEYEVENTF_EXTENDEDKEY ? "e" : "") +
             (flags & KEYEVENTF_KEYUP ? " up" : " down") + (refused ? "! " : " ");
    return refused ? 0 : 1;
}
void RecordSleep(DWORD ms) { s_log += "~" + std::to_string(ms) + " "; }

TEST(SwitchSequence, TheLockKeyDownUpDownUpAtItsPaceAndARefusalStopsIt)
{
    const struct {
        int key;
        DWORD pace;
        unsigned refused;
        DWORD waited;  // by the monitors, before the sequence
        bool switched;
        std::string log;
    } cases[] = {
        {kScrollLock, 200, 0, 0, true, "~200 145/70 down ~200 145/70 up ~200 145/70 down ~200 145/70 up "},
        {kNumLock, 50, 0, 20, true, "~30 144/69e down ~50 144/69e up ~50 144/69e down ~50 144/69e up "},
        {kCapsLock, 400, 0, 900, true, "~0 20/58 down ~400 20/58 up ~400 20/58 down ~400 20/58 up "},
        {kCapsLock, 200, 1, 0, false, "~200 20/58 down! "},
        // A press that went in is released, even when Windows refused it once.
        {kCapsLock, 200, 2, 0, false, "~200 20/58 down ~200 20/58 up! ~200 20/58 up "},
        {kNoKey, 200, 0, 0, true, ""},  // monitors alone: no key, no wait
    };
    for (const auto& c : cases) {
        s_log.clear();
        s_event = 0;
        s_refused = c.refused;
        EXPECT_EQ(RunSwitchSequence(static_cast<SwitchKey>(c.key), c.pace, RecordKey, RecordSleep, c.waited),
                  c.switched);
        EXPECT_EQ(s_log, c.log) << "key " << c.key << ", refused " << c.refused;
    }
}

}  // namespace

// Every key of the list is a key of its own, and only F1-F24 and Pause may
// stand alone: the rest type or move the cursor (the keypad's digits among
// them, which are keys of their own with Num Lock on).
TEST(HotKeyTable, EachKeyOnceAndOnlyFunctionKeysAndPauseAlone)
{
    std::set<UINT> keys;
    for (int row = 1; row < kFunctionKeyCount; ++row) {
        HotKey key;
        key.index = row;
        EXPECT_TRUE(keys.insert(HotKeyVirtualKey(key)).second) << row;
        EXPECT_EQ(HotKeyAllowed(key), row <= 25) << row;
        key.shift = 1;
        EXPECT_EQ(HotKeyAllowed(key), row <= 25) << row;
        key.win = 1;
        EXPECT_TRUE(HotKeyAllowed(key)) << row;
    }
}
