// The tray icon as the program loads it, at the display's scale.
#include "res/resource.h"
#include "tray/TrayIcon.h"
#include <gtest/gtest.h>
#include <set>

namespace {

TEST(TrayIcon, ComesAtTheSmallIconSizeOfTheDisplayFromAnImageOfThatSize)
{
    // The icon group (RT_GROUP_ICON): every size a notification area asks for, from 100 % to 300 %, has its own image.
    HRSRC group = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_MAINFRAME), MAKEINTRESOURCEW(14));
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, group)));
    std::set<int> sizes;
    for (int i = 0; i < *reinterpret_cast<const WORD*>(dir + 4); ++i) sizes.insert(dir[6 + 14 * i] ? dir[6 + 14 * i] : 256);
    EXPECT_EQ(sizes, (std::set<int>{16, 20, 24, 32, 40, 48}));

    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(LoadTrayIcon(), &info));
    BITMAP bm = {};
    GetObjectW(info.hbmColor, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(bm.bmBitsPixel, 32);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

}  // namespace
