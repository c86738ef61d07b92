// The framework's own pieces that need no window: strings and names.
#include "framework/String.h"
#include "framework/System.h"
#include <gtest/gtest.h>

namespace {

TEST(CString, AssigningAnEmptyStringEmptiesIt)
{
    CString s = "Hopdeck";
    s = CString();
    EXPECT_STREQ(s.c_str(), "");
    EXPECT_TRUE(s.empty());
    CStringW w = L"F5";
    w = CStringW(L"");
    EXPECT_STREQ(w.c_str(), L"");
}

TEST(AppName, IsTheFileNameWithoutExtensionHoweverLongThePath)
{
    EXPECT_STREQ(AppNameFromPath("C:\\x.y\\Hop.deck.exe").c_str(), "Hop.deck");
    std::wstring deep = L"C:";
    while (deep.size() < 600) deep += L"\\a-rather-long-folder-name";
    EXPECT_STREQ(AppNameFromPath((deep + L"\\Renamed Copy.exe").c_str()).c_str(), L"Renamed Copy");
    EXPECT_STREQ(AppNameFromPath(ModulePathW().c_str()).c_str(), L"unit_tests");
}

}  // namespace
