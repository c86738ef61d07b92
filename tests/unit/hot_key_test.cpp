// Hot-key flags, the function-key table and the hot-key text.
#include "switching/hot_key.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

namespace {

HotKey Key(int index, int control = 0, int shift = 0, int alt = 0, int win = 0)
{
    HotKey k;
    k.index = index;
    k.control = control;
    k.shift = shift;
    k.alt = alt;
    k.win = win;
    return k;
}

TEST(FunctionKeyTable, HoldsNoKeyThenF1ToF12)
{
    EXPECT_STREQ(FunctionKeyTable[0].name, "  ");
    EXPECT_EQ(FunctionKeyTable[0].vk, 0);
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(FunctionKeyTable[i].name, "F" + std::to_string(i));
        EXPECT_EQ(FunctionKeyTable[i].vk, VK_F1 + i - 1);
    }
}

TEST(HotKeyModifiers, CombineAltControlShiftWin)
{
    EXPECT_EQ(HotKeyModifiers(Key(1)), 0u);
    EXPECT_EQ(HotKeyModifiers(Key(1, 0, 0, 1, 0)), (UINT)MOD_ALT);
    EXPECT_EQ(HotKeyModifiers(Key(1, 1, 0, 0, 0)), (UINT)MOD_CONTROL);
    EXPECT_EQ(HotKeyModifiers(Key(1, 0, 1, 0, 0)), (UINT)MOD_SHIFT);
    EXPECT_EQ(HotKeyModifiers(Key(1, 0, 0, 0, 1)), (UINT)MOD_WIN);
    HotKey all = Key(12, 1, 1, 1, 1);
    EXPECT_EQ(HotKeyModifiers(all), 15u);
    EXPECT_EQ(HotKeyVirtualKey(all), (UINT)VK_F12);
}

TEST(HotKeyModifiers, OddStoredValuesStayInTheirOwnBitAsTheDialogShowsThem)
{
    // 2 shows as checked; negative and large values as unchecked. None leaks
    // into a neighbouring flag.
    EXPECT_EQ(HotKeyModifiers(Key(1, 2, 0, 0, 0)), (UINT)MOD_CONTROL);
    EXPECT_EQ(HotKeyModifiers(Key(1, 0, 0, 3, 0)), 0u);
    EXPECT_EQ(HotKeyModifiers(Key(1, -1, -1, -1, -1)), 0u);
    EXPECT_EQ(HotKeyModifiers(Key(1, 0, 0, 0, 256)), 0u);
    EXPECT_EQ(HotKeyText(Key(2, 2, 5, -1, 1)), "F2 + Control + Windows(Apple)");
}

TEST(HotKeyVirtualKey, IndexOutsideTheTableMeansNoKey)
{
    EXPECT_EQ(HotKeyVirtualKey(Key(0, 1, 1, 1, 1)), 0u);
    for (int bad : {-1, 13, 255, -2147483647 - 1, 2147483647}) {
        EXPECT_EQ(HotKeyVirtualKey(Key(bad)), 0u) << bad;
        EXPECT_EQ(HotKeyText(Key(bad, 1)), "  ") << bad;
        EXPECT_EQ(FunctionKeyRow(bad), 0) << bad;
    }
}

TEST(HotKeyText, NamesTheKeyThenModifiersInFixedOrder)
{
    EXPECT_EQ(HotKeyText(Key(5, 1, 0, 1, 0)), "F5 + Control + Alt(Option)");
    EXPECT_EQ(HotKeyText(Key(12, 1, 1, 1, 1)), "F12 + Control + Shift + Alt(Option) + Windows(Apple)");
    EXPECT_EQ(HotKeyText(Key(10)), "F10");
    EXPECT_EQ(HotKeyText(Key(0, 1, 1, 1, 1)), "  ") << "no key: modifiers are not shown";
}

TEST(RegisterHotKeyFor, RegistersIdOneWithTheBuiltFlags)
{
    HWND wnd = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(wnd);
    HotKey key = Key(11, 1, 1, 1, 0);  // Ctrl+Shift+Alt+F11: unlikely to be taken
    ASSERT_TRUE(RegisterHotKeyFor(wnd, key));
    // Another registration of the same combination is refused while we hold it.
    EXPECT_FALSE(RegisterHotKey(nullptr, 0x42, MOD_CONTROL | MOD_SHIFT | MOD_ALT, VK_F11));
    EXPECT_TRUE(UnregisterHotKey(wnd, kHotKeyId));
    DestroyWindow(wnd);
}

}  // namespace
