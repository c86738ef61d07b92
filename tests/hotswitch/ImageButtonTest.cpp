// The image holder and the image button on PNGs made here: what a decode
// yields, the GDI+ lifetime, and the button's frames as painted on screen.
#include "hotswitch/AlphaButton.h"
#include "tests/support/PngMaker.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <shlwapi.h>

namespace {

bool Decode(CImage& image, const std::vector<BYTE>& png)
{
    IStream* stream = SHCreateMemStream(png.data(), (UINT)png.size());
    image.Load(stream);
    stream->Release();
    return !image.IsNull();
}

std::vector<BYTE> Pixel(const CImage& image, int x, int y, int bytes)
{
    const BYTE* p = image.GetBits() + y * image.GetPitch() + x * image.GetBPP() / 8;
    return std::vector<BYTE>(p, p + bytes);
}

TEST(ImageHolder, KeepsTheDepthGdiKnowsTheIndexedColoursAndOneBitmapAtATime)
{
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(2, 1, test::kPngRgb, {1, 2, 3, 4, 5, 6})));
    EXPECT_TRUE(image.GetBPP() == 24 && !image.HasAlpha());
    HBITMAP first = image.GetBitmap();
    ASSERT_TRUE(Decode(image, test::MakePng(3, 1, test::kPngIndexed, {0, 2, 1}, {255, 0, 0, 0, 128, 0, 10, 20, 30})));
    EXPECT_EQ(GetObjectType(first), 0u) << "the second decode replaced the first bitmap";
    EXPECT_EQ(Pixel(image, 0, 0, 3), (std::vector<BYTE>{0, 2, 1}));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image.GetBitmap());
    RGBQUAD c = {};
    GetDIBColorTable(dc, 2, 1, &c);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(std::vector<int>({c.rgbRed, c.rgbGreen, c.rgbBlue, c.rgbReserved}), std::vector<int>({10, 20, 30, 0}));
}

// A green pop-up that hands draw requests back to the button (the framework's reflection).
class GreenWindow : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        static const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        RECT rc;
        if (msg == WM_CTLCOLORBTN) return (LRESULT)green;
        if (msg != WM_ERASEBKGND || !GetClientRect(m_hWnd, &rc)) return Default(msg, wp, lp);
        return FillRect((HDC)wp, &rc, green);
    }
};

// Five 8 x 8 frames of one colour each (then two spare rows), but for two
// top-left pixels: (0, 0) fully transparent and (1, 0) red at alpha 128.
const COLORREF kFrames[kFrameCount] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(100, 100, 0), RGB(90, 90, 90), RGB(0, 90, 180)};
std::vector<BYTE> FramesPng(test::PngColourType type)
{
    std::vector<BYTE> pixels;
    for (int y = 0; y < 42; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool clear = y % 8 == 0 && x == 0, half = y % 8 == 0 && x == 1;
            const COLORREF c = clear ? RGB(1, 2, 3) : half ? RGB(255, 0, 0) : kFrames[(y / 8) % 5];
            pixels.insert(pixels.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
            if (type == test::kPngRgba) pixels.push_back(clear ? 0 : half ? 128 : 255);
        }
    return test::MakePng(8, 42, type, pixels);
}

class AlphaButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.CreateEx(0, L"HopdeckButtonTest", 0, L"", WS_POPUP | WS_VISIBLE, 200, 200, 99, 99, nullptr));
        hwnd = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 20, 30, 25,
                               parent.GetSafeHwnd(), nullptr, nullptr, nullptr);
        ASSERT_TRUE(button.SubclassWindow(hwnd));
    }
    void TearDown() override { DestroyWindow(parent.GetSafeHwnd()); }

    bool Load(const std::vector<BYTE>& png, int width = 0) { return button.LoadPng(png.data(), (DWORD)png.size(), width); }
    COLORREF Shown(int x, int y)
    {
        UpdateWindow(parent.GetSafeHwnd());
        HDC dc = GetDC(hwnd);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(hwnd, dc);
        return c;
    }
    // "widthxheight type" of the button.
    std::string Shape()
    {
        RECT rc;
        GetWindowRect(hwnd, &rc);
        return std::to_string(rc.right - rc.left) + "x" + std::to_string(rc.bottom - rc.top) +
               (GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK ? " owner-drawn" : " push button");
    }

    GreenWindow parent;
    CAlphaButton button;
    HWND hwnd = nullptr;
};

TEST_F(AlphaButtonTest, EachStateShowsItsFrameBlendedOverWhatLayBeneath)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba)));
    EXPECT_EQ(Shape(), "8x8 owner-drawn");
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameNormal]);
    EXPECT_EQ(Shown(0, 0), RGB(0, 255, 0));
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0)) << "255 at alpha 128 over 0 gives 128; 0 over 255 gives 127";
    SetForegroundWindow(parent.GetSafeHwnd());
    SetFocus(hwnd);
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameFocused]);
    SendMessageW(hwnd, WM_MOUSEHOVER, 0, 0);
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameHover]) << "hover beats focus";
    SendMessageW(hwnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(Shown(4, 4), kFrames[kFramePressed]) << "pressed beats hover";
    EnableWindow(hwnd, FALSE);
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameDisabled]) << "disabled beats all";
    EnableWindow(hwnd, TRUE);
    SendMessageW(hwnd, BM_SETSTATE, FALSE, 0);
    SendMessageW(hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameNormal]);
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0)) << "every painting starts again from the first snapshot";
}

TEST_F(AlphaButtonTest, WithoutAnImageItStaysAPushButtonOpaqueImagesAreDrawnAsTheyAre)
{
    EXPECT_FALSE(Load(std::vector<BYTE>(100, 0x55)));
    EXPECT_FALSE(Load(test::MakePng(4, 4, test::kPngRgba, std::vector<BYTE>(64, 0xFF)))) << "no room for five frames";
    EXPECT_EQ(Shape(), "30x25 push button");
    ASSERT_TRUE(Load(FramesPng(test::kPngRgb)));
    EXPECT_EQ(Shown(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameNormal]);
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba), 16)) << "and at the size asked for";
    EXPECT_EQ(Shape(), "16x16 owner-drawn");
    EXPECT_EQ(Shown(8, 8), kFrames[kFrameNormal]);
}

}  // namespace
