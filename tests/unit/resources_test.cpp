// The resource script: texts are the program's exact Japanese texts, loaded
// through the ANSI functions in code page 932 as the program loads them.
#include "framework/WinApp.h"
#include "res/resource.h"
#include "res/version.h"
#include <gtest/gtest.h>

namespace {

std::wstring Wide(const CString& ansi)
{
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), ansi.size(), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), ansi.size(), &w[0], n);
    return w;
}

TEST(Resources, RunInTheJapaneseCodePage) { EXPECT_EQ(GetACP(), 932u); }

TEST(Resources, StringTable)
{
    EXPECT_EQ(LoadResString(IDS_TRAY_TIP), "Hopdeck");
    EXPECT_EQ(LoadResString(IDS_APP_TITLE), "Hopdeck");
    EXPECT_EQ(Wide(LoadResString(IDS_TRAY_ADD_FAILED)), L"通知領域にアイコンを登録できませんでした。");
    EXPECT_EQ(Wide(LoadResString(IDS_IMAGE_LOAD_FAILED)), L"ボタン画像を読み込みできませんでした。");
    EXPECT_EQ(Wide(LoadResString(IDS_HOTKEY_TAKEN)), L"そのホットキーは既に登録されています。");
}

TEST(Resources, TrayMenu)
{
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_TRUE(menu);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_TRUE(popup);
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    const struct {
        UINT id;
        const wchar_t* text;
    } items[] = {{ID_SWITCH_PC, L"PCの切り替え"}, {0, L""}, {ID_SETTINGS, L"設定"}, {0, L""}, {ID_EXIT, L"終了(&X)"}};
    for (int i = 0; i < 5; ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
        EXPECT_EQ(std::wstring(text), items[i].text) << i;
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].id ? items[i].id : 0u) << i;
    }
    DestroyMenu(menu);
}

TEST(Resources, IconHasBothSizes)
{
    for (int size : {16, 32}) {
        HICON icon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size,
                                       size, 0);
        ASSERT_TRUE(icon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm = {};
        GetObjectA(info.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, size);
        EXPECT_EQ(bm.bmBitsPixel, 32);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(Resources, VersionBlockMatchesTheVersionHeader)
{
    CString path = ModulePath();
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, &data[0]));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", (void**)&info, &len));
    EXPECT_EQ(HIWORD(info->dwFileVersionMS), HOPDECK_VERSION_MAJOR);
    EXPECT_EQ(LOWORD(info->dwFileVersionMS), HOPDECK_VERSION_MINOR);
    EXPECT_EQ(HIWORD(info->dwFileVersionLS), HOPDECK_VERSION_PATCH);
}

}  // namespace
