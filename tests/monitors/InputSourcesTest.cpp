// The inputs a capabilities string lists, read as leniently as monitors write them.
#include "monitors/InputSources.h"
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(InputSources, TheValuesOfCode60FromCarelessCapabilities)
{
    const struct {
        const char* capabilities;
        std::vector<WORD> inputs;
    } cases[] = {
        {"(prot(monitor)type(lcd)vcp(02 10 12 60(0F 11 12) 62)mccs_ver(2.1))", {0x0F, 0x11, 0x12}},
        {"(VCP (14(05 08)60( 11 0f 11 00 ) 62))", {0x11, 0x0F}},  // any case; repeats and 0 dropped
        {"(vcp(021060(0F1112)14))", {0x0F, 0x11, 0x12}},         // codes and values run together
        {"(vcp(6062(01 03)60(0F (1B 03) 10)))", {0x0F, 0x10}},    // another code's group; a nested one
        {"(prot(monitor)cmds(01 60(0F)))vcp(02 04)", {}},         // a 60 outside the vcp list
        {"(vcp(60(11 12)", {0x11, 0x12}},                        // cut short
        {"", {}},
    };
    for (const auto& c : cases) {
        WORD values[kMaxInputs];
        const int n = ParseInputSources(c.capabilities, values, kMaxInputs);
        EXPECT_EQ(std::vector<WORD>(values, values + n), c.inputs) << c.capabilities;
    }
}

}  // namespace
