// The switch sequence through its seam, and the hot key as the stored values
// (hand edits included) make it.
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

TEST(HotKey, FlagsKeyAndTextFollowTheStoredValues)
{
    const struct {
        HotKey key;  // control, shift, alt, win, index
        UINT mods, vk;
        const char* text;
    } cases[] = {
        {{1, 0, 1, 0, 5}, MOD_CONTROL | MOD_ALT, VK_F5, "F5 + Control + Alt(Option)"},
        {{1, 1, 1, 1, 12}, 15, VK_F12, "F12 + Control + Shift + Alt(Option) + Windows(Apple)"},
        {{0, 0, 0, 0, 10}, 0, VK_F10, "F10"},
        {{1, 1, 1, 1, 0}, 15, 0, "  "},  // no key: the modifiers are not shown
        // Hand edits: 2 shows as checked, anything else outside 0..1 as not;
        // none leaks into a neighbouring flag. An index outside the table is no key.
        {{2, 5, -1, 256, 2}, MOD_CONTROL, VK_F2, "F2 + Control"},
        {{1, 0, 0, 0, 13}, MOD_CONTROL, 0, "  "},
        {{0, 0, 0, 1, -2147483647 - 1}, MOD_WIN, 0, "  "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(HotKeyModifiers(c.key), c.mods);
        EXPECT_EQ(HotKeyVirtualKey(c.key), c.vk);
        EXPECT_STREQ(HotKeyText(c.key).c_str(), c.text);
    }
}

}  // namespace
