// The tray icon as the program loads it, at the display's scale.
#include "res/resource.h"
#include "tray/TrayIcon.h"
#include <gtest/gtest.h>
#include <set>

TEST(TrayIcon, ComesAtTheSmallIconSizeOfTheDisplayFromAnImageOfThatSize)
{
    // The icon group (RT_GROUP_ICON): a picture for every size a notification area asks for, 100 % to 300 %.
    const BYTE* dir = static_cast<const BYTE*>(LockResource(
        LoadResource(nullptr, FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), MAKEINTRESOURCEW(14)))));
    std::set<int> sizes;
    for (int i = 0; i < *reinterpret_cast<const WORD*>(dir + 4); ++i) sizes.insert(dir[6 + 14 * i]);
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48}));
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(LoadTrayIcon(), &info));
    BITMAP bm = {};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}
