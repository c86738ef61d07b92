// The switch sequence through its seam: key output and sleep are recorded.
#include "switching/SwitchSequence.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

std::vector<std::string> s_log;
void RecordKey(BYTE vk, DWORD flags)
{
    s_log.push_back(std::to_string(vk) + (flags == KEYEVENTF_KEYUP ? " up" : " down"));
}
void RecordSleep(DWORD ms) { s_log.push_back("sleep " + std::to_string(ms)); }

TEST(SwitchSequence, FourScrollLockEventsEachAfterTwoHundredMilliseconds)
{
    RunSwitchSequence(RecordKey, RecordSleep);
    EXPECT_EQ(s_log, (std::vector<std::string>{"sleep 200", "145 down", "sleep 200", "145 up", "sleep 200", "145 down",
                                               "sleep 200", "145 up"}));
}
