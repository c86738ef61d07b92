// The framework's own string.
#include "framework/String.h"
#include <gtest/gtest.h>

TEST(CString, AssigningAnEmptyStringEmptiesIt)
{
    CString s = "Hopdeck";
    s = CString();
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_TRUE(s.empty());
}
