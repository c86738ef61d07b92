// The image button: which frame shows which state, the straight-alpha blend,
// and a real button bound to a push button, loaded with PNGs made here and
// painted on screen.
#include "hotswitch/AlphaButton.h"
#include "res/resource.h"
#include "tests/support/png_maker.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

namespace {

// ------------------------------------------------------------ frame choice

TEST(ButtonFrame, DisabledBeatsPressedBeatsHoverBeatsFocus)
{
    struct Row {
        bool enabled, pressed, hover, focus;
        int frame;
    };
    const Row rows[] = {
        {true, false, false, false, kFrameNormal},   {true, false, false, true, kFrameFocused},
        {true, false, true, false, kFrameHover},     {true, false, true, true, kFrameHover},
        {true, true, false, false, kFramePressed},   {true, true, false, true, kFramePressed},
        {true, true, true, false, kFramePressed},    {true, true, true, true, kFramePressed},
        {false, false, false, false, kFrameDisabled}, {false, false, false, true, kFrameDisabled},
        {false, false, true, false, kFrameDisabled}, {false, false, true, true, kFrameDisabled},
        {false, true, false, false, kFrameDisabled}, {false, true, false, true, kFrameDisabled},
        {false, true, true, false, kFrameDisabled},  {false, true, true, true, kFrameDisabled},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << "enabled " << r.enabled << " pressed " << r.pressed << " hover "
                                        << r.hover << " focus " << r.focus);
        EXPECT_EQ(ChooseButtonFrame(r.enabled, r.pressed, r.hover, r.focus), r.frame);
    }
}

// ------------------------------------------------------------ blend

TEST(StraightAlphaBlend, EdgeValuesAndTheFourthByte)
{
    // Background pixels blue, green, red, x; image pixels blue, green, red, alpha.
    std::vector<BYTE> background = {
        0,   0,   0,   0x11,  // 255 at 128 over 0
        255, 255, 255, 0x22,  // 0 at 128 over 255
        7,   8,   9,   0x33,  // alpha 0: the background stays
        40,  50,  60,  0x44,  // alpha 255: the image exactly
        0,   0,   0,   0x55,  // rounds down: 100 * 100 / 255 = 39.2
    };
    const std::vector<BYTE> image = {
        255, 255, 255, 128, 0, 0, 0, 128, 1, 2, 3, 0, 200, 100, 50, 255, 100, 100, 100, 100,
    };
    BlendStraightAlpha(background.data(), 20, 4, image.data(), 20, 5, 1);
    EXPECT_EQ(background, (std::vector<BYTE>{128, 128, 128, 0x11, 127, 127, 127, 0x22, 7, 8, 9, 0x33, 200, 100,
                                             50, 0x44, 39, 39, 39, 0x55}));
}

TEST(StraightAlphaBlend, ThreeBytePixelsKeepTheirRowPadding)
{
    // Two rows of two 24-bit pixels, each row padded to 8 bytes.
    std::vector<BYTE> background = {
        10, 10, 10, 20, 20, 20, 0xEE, 0xEE,  //
        30, 30, 30, 40, 40, 40, 0xEE, 0xEE,
    };
    const std::vector<BYTE> image = {
        1, 2, 3, 255, 4, 5, 6, 0,  //
        7, 8, 9, 0,   0, 0, 0, 255,
    };
    BlendStraightAlpha(background.data(), 8, 3, image.data(), 8, 2, 2);
    EXPECT_EQ(background, (std::vector<BYTE>{1, 2, 3, 20, 20, 20, 0xEE, 0xEE, 30, 30, 30, 0, 0, 0, 0xEE, 0xEE}));
}

TEST(StraightAlphaBlend, ImageRowsMayLieBottomUp)
{
    std::vector<BYTE> background(2 * 4, 0);
    // In memory the bottom row comes first; the blend starts at the top row and steps back.
    const std::vector<BYTE> image = {
        22, 22, 22, 255,  // bottom row
        11, 11, 11, 255,  // top row
    };
    BlendStraightAlpha(background.data(), 4, 4, image.data() + 4, -4, 1, 2);
    EXPECT_EQ(background, (std::vector<BYTE>{11, 11, 11, 0, 22, 22, 22, 0}));
}

// ------------------------------------------------------------ a real button

// A pop-up of one solid colour that hands draw requests back to the button
// (through the framework's reflection) and gives it its own colour to erase with.
class ColourWindow : public CWnd {
public:
    bool Create(COLORREF colour)
    {
        m_brush = CreateSolidBrush(colour);
        return CreateEx(0, "HopdeckButtonTestParent", 0, "", WS_POPUP | WS_VISIBLE, 200, 200, 160, 160, nullptr);
    }
    ~ColourWindow() override
    {
        if (GetSafeHwnd()) DestroyWindow(GetSafeHwnd());
        DeleteObject(m_brush);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_ERASEBKGND: {
            RECT rc;
            GetClientRect(m_hWnd, &rc);
            FillRect((HDC)wp, &rc, m_brush);
            return 1;
        }
        case WM_CTLCOLORBTN:
            return (LRESULT)m_brush;
        }
        return Default(msg, wp, lp);
    }

private:
    HBRUSH m_brush = nullptr;
};

constexpr COLORREF kBackground = RGB(0, 255, 0);
constexpr int kButtonX = 10, kButtonY = 20, kButtonW = 30, kButtonH = 25;

class AlphaButtonTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_parent.Create(kBackground));
        m_hwnd = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kButtonX,
                                 kButtonY, kButtonW, kButtonH, m_parent.GetSafeHwnd(), (HMENU)77,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(m_button.SubclassWindow(m_hwnd));
    }
    // Window first, while both objects still exist.
    void TearDown() override { DestroyWindow(m_parent.GetSafeHwnd()); }

    bool Load(const std::vector<BYTE>& png) { return m_button.LoadPng(png.data(), (DWORD)png.size()); }

    RECT ButtonRect() const
    {
        RECT rc;
        GetWindowRect(m_hwnd, &rc);
        MapWindowPoints(nullptr, m_parent.GetSafeHwnd(), reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    LONG ButtonType() const { return GetWindowLongA(m_hwnd, GWL_STYLE) & BS_TYPEMASK; }

    // What the button shows at (x, y) once all pending painting is done.
    COLORREF Shown(int x, int y)
    {
        UpdateWindow(m_parent.GetSafeHwnd());
        HDC dc = GetDC(m_hwnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(m_hwnd, dc);
        return c;
    }

    ColourWindow m_parent;
    CAlphaButton m_button;
    HWND m_hwnd = nullptr;
};

// Five 8 x 8 frames, each of one opaque colour but for its top-left pixels:
// (0, 0) fully transparent, (1, 0) red at alpha 128.
const COLORREF kFrameColours[kFrameCount] = {RGB(200, 0, 0), RGB(0, 0, 200), RGB(100, 100, 0), RGB(90, 90, 90),
                                              RGB(0, 90, 180)};

std::vector<BYTE> FramesPng(test::PngColourType type)
{
    const int channels = type == test::kPngRgba ? 4 : 3;
    std::vector<BYTE> pixels;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 8; ++x) {
            COLORREF c = kFrameColours[y / 8];
            BYTE alpha = 255;
            if (y % 8 == 0 && x == 0) {
                c = RGB(1, 2, 3);
                alpha = 0;
            } else if (y % 8 == 0 && x == 1) {
                c = RGB(255, 0, 0);
                alpha = 128;
            }
            pixels.insert(pixels.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
            if (channels == 4) pixels.push_back(alpha);
        }
    }
    return test::MakePng(8, 40, type, pixels);
}

TEST_F(AlphaButtonTest, ATallImageGivesOneFrameOfButtonAndMakesItOwnerDrawn)
{
    // 242 rows: five frames of 48, the last two rows never shown.
    ASSERT_TRUE(Load(test::MakePng(48, 242, test::kPngRgba, std::vector<BYTE>(48 * 242 * 4, 0x7F))));
    EXPECT_EQ(m_button.FrameHeight(), 48);
    const RECT rc = ButtonRect();
    EXPECT_EQ(rc.left, kButtonX);
    EXPECT_EQ(rc.top, kButtonY);
    EXPECT_EQ(rc.right - rc.left, 48);
    EXPECT_EQ(rc.bottom - rc.top, 48);
    EXPECT_EQ(ButtonType(), BS_OWNERDRAW);
}

TEST_F(AlphaButtonTest, TheProgramsOwnImageLoadsAsA48PixelSquare)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HOTSWITCH_PNG), "png");
    ASSERT_NE(resource, nullptr);
    ASSERT_TRUE(m_button.LoadPngResource(resource));
    EXPECT_EQ(m_button.Image().GetBPP(), 32);
    EXPECT_TRUE(m_button.Image().HasAlpha());
    const RECT rc = ButtonRect();
    EXPECT_EQ(rc.right - rc.left, 48);
    EXPECT_EQ(rc.bottom - rc.top, 48);
}

TEST_F(AlphaButtonTest, AFailedLoadLeavesAStandardPushButton)
{
    EXPECT_FALSE(Load(std::vector<BYTE>(100, 0x55)));
    EXPECT_FALSE(Load(test::MakePng(4, 4, test::kPngRgba, std::vector<BYTE>(64, 0xFF)))) << "no room for five frames";
    EXPECT_FALSE(m_button.LoadPngResource(nullptr));
    const RECT rc = ButtonRect();
    EXPECT_EQ(rc.right - rc.left, kButtonW);
    EXPECT_EQ(rc.bottom - rc.top, kButtonH);
    EXPECT_EQ(ButtonType(), BS_PUSHBUTTON);
}

TEST_F(AlphaButtonTest, AlphaFramesAreBlendedOverWhatLayBeneath)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba)));
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameNormal]);
    EXPECT_EQ(Shown(0, 0), kBackground);
    // Red 255 at 128 over 0 gives 128; green 0 at 128 over 255 gives 127.
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0));
    // Every painting starts again from the clean snapshot.
    InvalidateRect(m_hwnd, nullptr, TRUE);
    EXPECT_EQ(Shown(1, 0), RGB(128, 127, 0));
}

TEST_F(AlphaButtonTest, EachStateShowsItsFrame)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgba)));
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameNormal]);

    SetForegroundWindow(m_parent.GetSafeHwnd());
    SetFocus(m_hwnd);
    ASSERT_EQ(GetFocus(), m_hwnd);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameFocused]);

    SendMessageA(m_hwnd, WM_MOUSEHOVER, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameHover]);

    SendMessageA(m_hwnd, BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFramePressed]);
    SendMessageA(m_hwnd, BM_SETSTATE, FALSE, 0);

    EnableWindow(m_hwnd, FALSE);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameDisabled]);
    EnableWindow(m_hwnd, TRUE);
    // Disabling took the focus away; the hover remains.
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameHover]);

    SendMessageA(m_hwnd, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameNormal]);
    SetFocus(m_hwnd);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameFocused]);
    SetFocus(m_parent.GetSafeHwnd());
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameNormal]);
    // The transparent pixels still show the first snapshot, not an earlier frame.
    EXPECT_EQ(Shown(0, 0), kBackground);
}

TEST_F(AlphaButtonTest, ImagesWithoutAlphaAreDrawnOpaque)
{
    ASSERT_TRUE(Load(FramesPng(test::kPngRgb)));
    EXPECT_EQ(m_button.Image().GetBPP(), 24);
    EXPECT_EQ(Shown(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(Shown(1, 0), RGB(255, 0, 0));
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameNormal]);
    EnableWindow(m_hwnd, FALSE);
    EXPECT_EQ(Shown(4, 4), kFrameColours[kFrameDisabled]);
}

}  // namespace
