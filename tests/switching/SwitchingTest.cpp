// The switch sequence through its seam, and the hot key as hand-edited stored
// values make it.
#include "switching/HotKey.h"
#include "switching/SwitchSequence.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> s_log;
void RecordKey(BYTE vk, DWORD flags) { s_log.push_back(std::to_string(vk) + (flags == KEYEVENTF_KEYUP ? " up" : " down")); }
void RecordSleep(DWORD ms) { s_log.push_back("sleep " + std::to_string(ms)); }

TEST(SwitchSequence, FourScrollLockEventsEachAfterTwoHundredMilliseconds)
{
    RunSwitchSequence(RecordKey, RecordSleep);
    EXPECT_EQ(s_log, (std::vector<std::string>{"sleep 200", "145 down", "sleep 200", "145 up", "sleep 200", "145 down",
                                               "sleep 200", "145 up"}));
}

TEST(HotKey, OddStoredValuesStayInTheirOwnFlagAndAnIndexOffTheTableIsNoKey)
{
    // 2 shows as checked in the dialog, anything else outside 0..1 as not.
    const struct {
        HotKey key;  // control, shift, alt, win, index
        UINT mods, vk;
        const char* text;
    } cases[] = {{{2, 5, -1, 256, 12}, MOD_CONTROL, VK_F12, "F12 + Control"},
                 {{1, 1, 1, 2, 13}, 15, 0, "  "},
                 {{0, 0, 1, 0, -2147483647 - 1}, MOD_ALT, 0, "  "}};
    for (const auto& c : cases) {
        EXPECT_EQ(HotKeyModifiers(c.key), c.mods) << c.text;
        EXPECT_EQ(HotKeyVirtualKey(c.key), c.vk) << c.text;
        EXPECT_STREQ(HotKeyText(c.key).c_str(), c.text);
    }
}

}  // namespace
