// The switch sequence through its seam: key output and sleep are recorded.
#include "switching/switch_sequence.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> s_log;

void RecordKey(BYTE vk, DWORD flags)
{
    s_log.push_back((vk == VK_SCROLL ? std::string("scroll ") : "vk" + std::to_string(vk) + " ") +
                    (flags == KEYEVENTF_KEYUP ? "up" : flags == 0 ? "down" : "flags" + std::to_string(flags)));
}

void RecordSleep(DWORD ms) { s_log.push_back("sleep " + std::to_string(ms)); }

TEST(SwitchSequence, FourScrollLockEventsEachAfterTwoHundredMilliseconds)
{
    s_log.clear();
    RunSwitchSequence(RecordKey, RecordSleep);
    EXPECT_EQ(s_log, (std::vector<std::string>{"sleep 200", "scroll down", "sleep 200", "scroll up", "sleep 200",
                                               "scroll down", "sleep 200", "scroll up"}));
}

}  // namespace
