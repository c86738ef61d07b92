// The hot switch window in this process, shown and hidden by the program's own
// main window: where it opens, what it stores, what a click and a close do.
#include "core/Messages.h"
#include "framework/WinApp.h"
#include "hotswitch/HotSwitchDlg.h"
#include "framework/Gdi.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>

// Windows 10's per-monitor awareness, which the program's headers leave out.
extern "C" __declspec(dllimport) DPI_AWARENESS_CONTEXT WINAPI GetThreadDpiAwarenessContext();
extern "C" __declspec(dllimport) int WINAPI GetAwarenessFromDpiAwarenessContext(DPI_AWARENESS_CONTEXT);

namespace {

// "left,top widthxheight"
std::string Place(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}
std::string Place(HWND w, HWND relativeTo = nullptr)
{
    RECT r = {};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
    return Place(r);
}

class HotSwitchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetMain();
        // The template's size at this display's scale; the default place.
        HWND bare = CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_HOTSWITCH), test::Main(), nullptr, 0);
        GetWindowRect(bare, &size);
        DestroyWindow(bare);
        OffsetRect(&size, -size.left, -size.top);
        home = At(GetSystemMetrics(SM_CXFULLSCREEN) - size.right, GetSystemMetrics(SM_CYFULLSCREEN) - size.bottom);
    }
    void TearDown() override
    {
        EXPECT_TRUE(test::WindowsOf(GetCurrentProcessId(), CWinApp::Get()->AppNameW()).empty()) << "no message box";
        test::ResetMain();
    }
    static HWND Show()
    {
        PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
        return test::FindWindowOf(GetCurrentProcessId(), L"");
    }
    static void Store(int left, int top, int right, int bottom)
    {
        for (auto v : {std::make_pair("LEFT", left), {"TOP", top}, {"RIGHT", right}, {"BOTTOM", bottom}})
            test::SetDword(test::kInProcessProfile, "POSITION", v.first, (DWORD)v.second);
    }
    static std::string Stored()
    {
        auto get = [](const char* name) { return (LONG)test::GetDword(test::kInProcessProfile, "POSITION", name); };
        return Place({get("LEFT"), get("TOP"), get("RIGHT"), get("BOTTOM")});
    }
    std::string At(int left, int top) const
    {
        RECT r = size;
        OffsetRect(&r, left, top);
        return Place(r);
    }
    RECT size = {};
    std::string home;
};

TEST_F(HotSwitchTest, OpensInTheCornerWithItsWholeBallAtTheDisplaysScaleAndStoresItsPlace)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    EXPECT_EQ(Place(w), home);
    EXPECT_EQ(Stored(), home);
    // The manifest: per-monitor awareness (v2, which Wine 8 takes as per-monitor
    // alone), and the system's scale where Windows lacks it.
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()), 2) << "per-monitor";
    wchar_t aware[8] = {};
    QueryActCtxSettingsW(0, nullptr, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", aware, 8,
                         nullptr);
    EXPECT_STREQ(aware, L"true");
    // Common controls 6, which a manifest naming another processor denies.
    ACTCTX_SECTION_KEYED_DATA comctl6 = {};
    comctl6.cbSize = sizeof comctl6;
    EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION, L"comctl32.dll",
                                         &comctl6));
    EXPECT_FALSE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST) << "TOPMOST missing: not in front";

    // The ball: 48 pixels at 100 %, at its template place, owner-drawn,
    // focused, and wholly inside the window.
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    HDC screen = GetDC(nullptr);
    const int ball = MulDiv(48, GetDeviceCaps(screen, LOGPIXELSY), 96);
    ReleaseDC(nullptr, screen);
    RECT client, templatePlace = {14, 21, 14, 21};
    MapDialogRect(w, &templatePlace);
    GetClientRect(w, &client);
    EXPECT_EQ(Place(button, w), Place({templatePlace.left, templatePlace.top, templatePlace.left + ball,
                                       templatePlace.top + ball}));
    EXPECT_TRUE(templatePlace.left + ball <= client.right && templatePlace.top + ball <= client.bottom) << "cut off";
    EXPECT_EQ(GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(HotSwitchTest, OpensAtTheStoredCornerInItsOwnSizeAndComesBackWhereItWasLeft)
{
    test::SetDword(test::kInProcessProfile, "SETTING", "TOPMOST", 1);
    Store(200, 150, 295, 218);  // a size stored at another display scale does not count
    HWND w = Show();
    EXPECT_EQ(Place(w), At(200, 150));
    EXPECT_TRUE(GetWindowLongW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    SetWindowPos(w, nullptr, -30, -45, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(Stored(), At(-30, -45)) << "stored at once";
    SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box: the main window forgets it
    w = Show();
    EXPECT_EQ(Place(w), At(-30, -45));
    // Its monitor goes: Windows puts the window on another one. When it comes
    // back (a display change), so does the window, to its place when it opened.
    SetWindowPos(w, nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(w, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
    EXPECT_EQ(Place(w), At(-30, -45));
    EXPECT_EQ(Stored(), At(-30, -45));
    // The user moves it where no monitor is, and it stays on none: the default
    // place; from there, being on a monitor, it waits for its own place.
    SendMessageW(w, WM_ENTERSIZEMOVE, 0, 0);
    SetWindowPos(w, nullptr, 30000, 30000, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(w, WM_EXITSIZEMOVE, 0, 0);
    for (int i = 0; i < 2; ++i) {
        SendMessageW(w, WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024));
        EXPECT_EQ(Place(w), home);
    }
    SendMessageW(test::Main(), WM_HIDE_HOTSWITCH, 0, 0);
    Store(30000, 30000, 30100, 30100);  // on no monitor: the default place
    EXPECT_EQ(Place(Show()), home);
    SendMessageW(test::Main(), WM_HIDE_HOTSWITCH, 0, 0);
    test::DeleteProfile(test::kInProcessProfile);
    test::SetDword(test::kInProcessProfile, "POSITION", "LEFT", 100);  // the rest from the default place
    EXPECT_EQ(Place(Show()), At(100, std::stoi(home.substr(home.find(',') + 1))));
}

TEST_F(HotSwitchTest, AClickOrSpaceSwitchesOnceEnterDoesNothingEscCloses)
{
    HWND w = Show();
    ASSERT_TRUE(w);
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    for (UINT msg : {BM_CLICK, WM_KEYUP}) {
        test::KeyWatcher keys;
        // The button keeps its own focus flag; the keyboard click must still work.
        if (msg == WM_KEYUP) SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageW(button, msg, msg == WM_KEYUP ? VK_SPACE : 0, 0xC0390001);
        EXPECT_TRUE(keys.Saw(1)) << msg;
    }
    // Space held while the focus goes elsewhere: the button lets go. The focus
    // is put on it first: a window of another program may have taken the
    // activation meanwhile, and without the focus there is nothing to lose.
    SetFocus(button);
    SendMessageW(button, WM_KEYDOWN, VK_SPACE, 0x00390001);
    SetFocus(nullptr);
    EXPECT_FALSE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
    EXPECT_NE(GetCapture(), button);
    SetFocus(button);
    SendMessageW(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(IsWindowVisible(w));
    MSG esc = {button, WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(w, &esc));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_TRUE(Show()) << "the main window forgot the closed window";
    // Destroyed without a close (as when its owner goes first), it still takes
    // its object, and with it GDI+, along, and the main window is told.
    ASSERT_TRUE(CImage::GdiplusRunning());
    DestroyWindow(test::FindWindowOf(GetCurrentProcessId(), L""));
    EXPECT_FALSE(CImage::GdiplusRunning());
    EXPECT_TRUE(Show());

    // A hide and a show posted in quick succession from outside: the old
    // window's closed notice arrives after the new window was made, and a
    // later hide must still close that one.
    PostMessageW(test::Main(), WM_HIDE_HOTSWITCH, 0, 0);
    PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
    test::PumpFor(100);
    SendMessageW(test::Main(), WM_HIDE_HOTSWITCH, 0, 0);
    EXPECT_TRUE(test::WindowsOf(GetCurrentProcessId(), L"").empty());
}

TEST(ImageHolder, ResamplingWeighsColoursByTheirAlpha)
{
    // A transparent neighbour lends coverage but no colour: no dark fringe.
    const BYTE src[] = {200, 100, 50, 255, 0, 0, 0, 0};
    BYTE out[4] = {};
    ResampleBgra(src, 8, 2, 1, out, 4, 1, 1);
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>{200, 100, 50, 128}));
}

TEST_F(HotSwitchTest, TheBallShowsEachStatesFrameBlendedOverWhatLayBeneath)
{
    HWND w = Show();
    HWND button = GetDlgItem(w, IDC_SWITCH_BUTTON);
    RECT corner = {};  // the button's top-left corner in the window
    GetWindowRect(button, &corner);
    MapWindowPoints(nullptr, w, reinterpret_cast<POINT*>(&corner), 1);
    // Windows (not Wine) tells a window that reaches a monitor of another scale
    // the rectangle it suggests there: the window takes it, and the ball is
    // drawn anew at that scale from the same corner, ending at 200 %.
    for (int dpi : {192, 96, 192}) {
        const RECT suggested = {50, 40, 50 + 2 * dpi, 40 + 2 * dpi};
        SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(Place(w), Place(suggested));
        EXPECT_EQ(Place(button, w), Place({corner.left, corner.top, corner.left + dpi / 2, corner.top + dpi / 2}));
    }
    const auto* ball = static_cast<const CAlphaButton*>(CWnd::FromHandle(button));
    ASSERT_TRUE(ball && ball->Image().HasAlpha());
    const CImage& image = ball->Image();
    const int size = image.GetWidth();
    // Pixel (x, y) of frame k of the image, blue, green, red, alpha.
    auto frame = [&](int k, int x, int y) { return image.GetBits() + (k * size + y) * image.GetPitch() + 4 * x; };
    auto shown = [&](int x, int y) {
        UpdateWindow(w);
        HDC dc = GetDC(button);
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(button, dc);
        return c;
    };
    // The middle of a ball is opaque: it shows the frame's own colour. The
    // hover and pressed frames share the centre's colour, not the upper part's.
    const int mid = size / 2;
    auto showing = [&](int k) {
        for (int y : {mid, size / 4})
            if (shown(mid, y) != RGB(frame(k, mid, y)[2], frame(k, mid, y)[1], frame(k, mid, y)[0])) return false;
        return true;
    };
    EXPECT_TRUE(showing(kFrameFocused)) << "it opens focused";
    SendMessageW(button, WM_MOUSEHOVER, 0, 0);
    EXPECT_TRUE(showing(kFrameHover)) << "hover beats focus";
    SendMessageW(button, BM_SETSTATE, TRUE, 0);
    EXPECT_TRUE(showing(kFramePressed)) << "pressed beats hover";
    EnableWindow(button, FALSE);
    EXPECT_TRUE(showing(kFrameDisabled)) << "disabled beats all";
    EnableWindow(button, TRUE);
    SendMessageW(button, BM_SETSTATE, FALSE, 0);
    SendMessageW(button, WM_MOUSELEAVE, 0, 0);
    SetFocus(nullptr);
    EXPECT_TRUE(showing(kFrameNormal));

    // Along the middle row, each pixel is the frame's colour over the snapshot
    // taken at the first painting, by its straight alpha: a transparent corner
    // shows what lay beneath.
    CMemoryDC mem(nullptr);
    CSelectObject snapshot(mem.Get(), ball->Background());
    for (int x = 0; x < size; ++x) {
        const BYTE* p = frame(kFrameNormal, x, size / 2);
        const COLORREF under = GetPixel(mem.Get(), x, size / 2);
        auto mix = [&](int c, int b) { return (c * p[3] + b * (255 - p[3])) / 255; };
        const COLORREF expected =
            RGB(mix(p[2], GetRValue(under)), mix(p[1], GetGValue(under)), mix(p[0], GetBValue(under)));
        ASSERT_EQ(shown(x, size / 2), expected) << "x " << x << ", alpha " << (int)p[3];
    }
}

}  // namespace
