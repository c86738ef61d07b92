// The image holder and the image button on PNGs made here: what a decode
// yields, the GDI+ lifetime, and the button's frames painted on screen.
#include "framework/Wnd.h"
#include "hotswitch/AlphaButton.h"
#include "tests/support/PngMaker.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <objbase.h>

namespace {

bool Decode(CImage& image, const std::vector<BYTE>& png)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, png.size());
    memcpy(block, png.data(), png.size());
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) return false;
    image.Load(stream);
    stream->Release();
    return !image.IsNull();
}

std::vector<BYTE> Pixel(const CImage& image, int x, int y, int n)
{
    const BYTE* p = image.GetBits() + y * image.GetPitch() + x * image.GetBPP() / 8;
    return std::vector<BYTE>(p, p + n);
}

TEST(ImageHolder, DecodesRgbaStraightRgbAndIndexedAtTheirOwnDepth)
{
    CImage image;
    // Straight alpha shows in pixels that are not opaque: their colour is kept.
    ASSERT_TRUE(Decode(image, test::MakePng(2, 2, test::kPngRgba, {10, 20, 30, 255, 255, 0, 0, 128, 1, 2, 3, 0, 4, 5, 6, 64})));
    EXPECT_EQ(image.GetBPP(), 32);
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(Pixel(image, 0, 0, 8), (std::vector<BYTE>{30, 20, 10, 255, 0, 0, 255, 128}));
    EXPECT_EQ(Pixel(image, 1, 1, 4), (std::vector<BYTE>{6, 5, 4, 64}));
    HBITMAP first = image.GetBitmap();

    ASSERT_TRUE(Decode(image, test::MakePng(3, 1, test::kPngRgb, {10, 20, 30, 40, 50, 60, 70, 80, 90})));
    EXPECT_EQ(GetObjectType(first), 0u) << "the second decode replaced the first bitmap";
    EXPECT_EQ(image.GetBPP(), 24);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(Pixel(image, 0, 0, 9), (std::vector<BYTE>{30, 20, 10, 60, 50, 40, 90, 80, 70}));

    ASSERT_TRUE(Decode(image, test::MakePng(3, 1, test::kPngIndexed, {0, 2, 1}, {255, 0, 0, 0, 128, 0, 10, 20, 30})));
    EXPECT_EQ(image.GetBPP(), 8);
    EXPECT_EQ(Pixel(image, 0, 0, 3), (std::vector<BYTE>{0, 2, 1}));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image.GetBitmap());
    RGBQUAD table[3] = {};
    GetDIBColorTable(dc, 0, 3, table);
    SelectObject(dc, old);
    DeleteDC(dc);
    EXPECT_EQ(table[2].rgbRed, 10);
    EXPECT_EQ(table[2].rgbBlue, 30);
    EXPECT_EQ(table[2].rgbReserved, 0);

    EXPECT_FALSE(Decode(image, std::vector<BYTE>(64, 0x42)));
    EXPECT_EQ(image.GetBitmap(), nullptr);
}

TEST(ImageHolder, GdiplusRunsFromTheFirstDecodeUntilTheLastHolderGoes)
{
    const std::vector<BYTE> png = test::MakePng(1, 1, test::kPngRgba, {1, 2, 3, 4});
    ASSERT_FALSE(CImage::GdiplusRunning());
    {
        CImage second;
        {
            CImage first;
            EXPECT_FALSE(CImage::GdiplusRunning()) << "a holder alone does not start it";
            ASSERT_TRUE(Decode(first, png));
        }
        EXPECT_TRUE(CImage::GdiplusRunning()) << "another holder still exists";
    }
    EXPECT_FALSE(CImage::GdiplusRunning());
}

TEST(ImageHolder, ResamplingWeighsColoursByTheirAlphaAndKeepsBandsApart)
{
    // A transparent neighbour lends no colour: no dark fringe.
    const BYTE src[] = {200, 100, 50, 255, 0, 0, 0, 0};
    BYTE out[4] = {};
    ResampleBgra(src, 8, 2, 1, out, 4, 1, 1);
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>{200, 100, 50, 128}));

    // Two bands of one colour each stay unmixed when they are resized.
    std::vector<BYTE> rgba;
    for (int i = 0; i < 8; ++i) rgba.insert(rgba.end(), {BYTE(i < 4 ? 255 : 0), 0, BYTE(i < 4 ? 0 : 255), 255});
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(2, 4, test::kPngRgba, rgba)));
    ASSERT_TRUE(image.ResizeBands(3, 3, 2));
    EXPECT_EQ(image.GetHeight(), 6);
    EXPECT_EQ(Pixel(image, 2, 2, 4), (std::vector<BYTE>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(image, 0, 3, 4), (std::vector<BYTE>{255, 0, 0, 255}));
}

// A green pop-up that hands draw requests back to the button (through the
// framework's reflection).
class GreenWindow : public CWnd {
protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        static const HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
        if (msg == WM_ERASEBKGND) {
            RECT rc;
            GetClientRect(m_hWnd, &rc);
            FillRect((HDC)wp, &rc, green);
            return 1;
        }
        if (msg == WM_CTLCOLORBTN) return (LRESULT)green;
        return Default(msg, wp, lp);
    }
};

// Five 8 x 8 frames of one colour each, but for two top-left pixels:
// (0, 0) fully transparent and (1, 0) red at alpha 128.
const COLORREF kFrames[kFrameCount] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(100, 100, 0), RGB(90, 90, 90), RGB(0, 90, 180)};

std::vector<BYTE> FramesPng(test::PngColourType type, int rows = 40)
{
    std::vector<BYTE> pixels;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool clear = y % 8 == 0 && x == 0, half = y % 8 == 0 && x == 1;
            const COLORREF c = clear ? RGB(1, 2, 3) : half ? RGB(255, 0, 0) : kFrames[(y / 8) % 5];
            pixels.insert(pixels.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
            if (type == test::kPngRgba) pixels.push_back(clear ? 0 : half ? 128 : 255);
        }
    return test::MakePng(8, rows, type, pixels);
}

class AlphaButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(parent.CreateEx(0, L"HopdeckButtonTest", 0, L"", WS_POPUP | WS_VISIBLE, 200, 200, 160, 160, nullptr));
        hwnd = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 10, 20, 30, 25,
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
    SIZE Size()
    {
        RECT rc;
        GetWindowRect(hwnd, &rc);
        return {rc.right - rc.left, rc.bottom - rc.top};
    }

    GreenWindow parent;
    CAlphaButton button;
    HWND hwnd = nullptr;
};

TEST_F(AlphaButtonTest, AFailedLoadLeavesAStandardPushButton)
{
    EXPECT_FALSE(Load(std::vector<BYTE>(100, 0x55)));
    EXPECT_FALSE(Load(test::MakePng(4, 4, test::kPngRgba, std::vector<BYTE>(64, 0xFF)))) << "no room for five frames";
    EXPECT_EQ(Size().cx, 30);
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
}

TEST_F(AlphaButtonTest, EachStateShowsItsFrameBlendedOverWhatLayBeneath)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba, 42)));  // two spare rows are never shown
    EXPECT_EQ(Size().cx, 8);
    EXPECT_EQ(Size().cy, 8);
    EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameNormal]);
    EXPECT_EQ(Shown(0, 0), RGB(0, 255, 0));
    // Red 255 at alpha 128 over 0 gives 128; green 0 at 128 over 255 gives 127.
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0));

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
    // Every painting starts again from the first snapshot.
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0));
}

TEST_F(AlphaButtonTest, OpaqueImagesAreDrawnAsTheyAreAndAlphaImagesAtTheSizeAskedFor)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgb)));
    EXPECT_EQ(Shown(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(Shown(4, 4), kFrames[kFrameNormal]);
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba), 16));
    EXPECT_EQ(Size().cx, 16);
    EXPECT_EQ(Size().cy, 16);
    EXPECT_EQ(Shown(8, 8), kFrames[kFrameNormal]);
}

}  // namespace
