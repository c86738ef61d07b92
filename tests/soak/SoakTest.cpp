// Long use leaks nothing, and damaged images never crash the decoder: hundreds
// of cycles of both windows and of switches, and more than a thousand mutated
// PNGs, leave GDI objects, USER objects, kernel handles and heap where they were.
#include "core/Messages.h"
#include "hotswitch/ImageHolder.h"
#include "res/resource.h"
#include "switching/SwitchSequence.h"
#include "tests/support/PngMaker.h"
#include "tests/support/TestApp.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <malloc.h>
#include <shlwapi.h>
#include <algorithm>
#include <functional>

namespace {

// This Wine answers 0 to GetGuiResources and GetProcessHandleCount, so the
// footprint is read from the handle tables themselves. A table hands out freed
// slots first and new ones at its top after that, so a batch of new objects
// larger than the free list ends at slot (objects in use + batch): the highest
// slot of such a batch counts the objects in use, and one object leaked per
// cycle raises it by the number of cycles. The heap is the C runtime's, which
// every allocation of the program goes to.
struct Footprint {
    unsigned gdi = 0, user = 0, kernel = 0;
    size_t heap = 0;
};

Footprint Measure()
{
    Footprint f;
    auto slot = [](const void* h) { return (unsigned)LOWORD(reinterpret_cast<UINT_PTR>(h)); };
    static HGDIOBJ brushes[2000];
    for (auto& b : brushes) f.gdi = std::max(f.gdi, slot(b = CreateSolidBrush(0)));
    for (auto b : brushes) DeleteObject(b);
    static HWND windows[300];
    for (auto& w : windows)
        f.user = std::max(f.user, slot(w = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                                           nullptr, nullptr)));
    for (auto w : windows) DestroyWindow(w);
    static HANDLE events[64];
    for (auto& e : events) f.kernel = std::max(f.kernel, (unsigned)(UINT_PTR)(e = CreateEventW(nullptr, 0, 0, nullptr)));
    for (auto e : events) CloseHandle(e);
    _HEAPINFO info = {};
    while (_heapwalk(&info) == _HEAPOK)
        if (info._useflag == _USEDENTRY) f.heap += info._size;
    return f;
}

// Runs `cycle` a few times to settle, then `cycles` times, and checks that
// nothing grew by a fraction of the cycle count (USER handles step by 2,
// kernel handles by 4).
void ExpectNoLeak(const std::function<void(int)>& cycle, int cycles)
{
    for (int i = 0; i < 5; ++i) cycle(i);
    const Footprint before = Measure();
    for (int i = 0; i < cycles && !::testing::Test::HasFatalFailure(); ++i) cycle(i);
    const Footprint after = Measure();
    EXPECT_LT(after.gdi, before.gdi + cycles / 4) << "GDI objects";
    EXPECT_LT(after.user, before.user + cycles / 4) << "USER objects";
    EXPECT_LT(after.kernel, before.kernel + cycles) << "kernel handles";
    EXPECT_LT(after.heap, before.heap + cycles / 2) << "heap bytes";
}

TEST(Soak, BothWindowsAndTheSwitchHundredsOfTimes)
{
    test::ResetMain();
    const HWND main = test::Main();
    ExpectNoLeak(
        [&](int i) {
            // The settings dialog, every other time through OK (registry and Run entry).
            PostMessageW(main, WM_COMMAND, ID_SETTINGS, 0);
            HWND dlg = test::OwnedDialog(IDC_AUTORUN);
            ASSERT_TRUE(dlg);
            SendDlgItemMessageW(dlg, IDC_DEFAULT, BM_CLICK, 0, 0);
            PostMessageW(dlg, i % 2 ? WM_CLOSE : WM_COMMAND, IDOK, 0);
            // The hot switch, its button painted in three states.
            PostMessageW(main, WM_SHOW_HOTSWITCH, 0, 0);
            HWND hot = test::OwnedDialog(IDC_SWITCH_BUTTON);
            ASSERT_TRUE(hot);
            HWND button = GetDlgItem(hot, IDC_SWITCH_BUTTON);
            SendMessageW(button, WM_MOUSEHOVER, 0, 0);
            UpdateWindow(hot);
            SendMessageW(button, WM_MOUSELEAVE, 0, 0);
            UpdateWindow(hot);
            SendMessageW(main, WM_HIDE_HOTSWITCH, 0, 0);
            ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg) && !IsWindow(hot); }, 2000));
            ASSERT_FALSE(CImage::GdiplusRunning());
        },
        200);
    test::ResetMain();

    test::ScrollLockWatcher keys;
    keys.events.reserve(4 * 210);
    ExpectNoLeak([](int) { RunSwitchSequence(InjectKey, [](DWORD) {}); }, 200);
    EXPECT_TRUE(keys.Saw(205, 10000)) << "Scroll Lock pressed an even number of times ends as it began";
}

std::vector<BYTE> Mutate(std::vector<BYTE> png, unsigned& seed)
{
    auto next = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    switch (next() % 4) {
    case 0:  // flip a few bytes anywhere
        for (unsigned n = 1 + next() % 8; n--;) png[next() % png.size()] ^= BYTE(1 + next() % 255);
        break;
    case 1:  // cut it short
        png.resize(next() % png.size());
        break;
    case 2:  // damage the header: size, depth, colour type, interlace
        for (unsigned n = 1 + next() % 3; n--;) png[8 + next() % 25] = BYTE(next());
        break;
    default:  // a chunk length that runs past the end
        png[33 + next() % (png.size() - 40)] = 0x7F;
        break;
    }
    return png;
}

TEST(Soak, AThousandDamagedPngsLeaveTheHolderEmptyOrValid)
{
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_HOTSWITCH_PNG), L"png");
    const BYTE* own = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    std::vector<BYTE> rgba(8 * 8 * 4), rgb(5 * 3 * 3);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = BYTE(i * 37);
    const std::vector<std::vector<BYTE>> seeds = {std::vector<BYTE>(own, own + SizeofResource(nullptr, res)),
                                                  test::MakePng(8, 8, test::kPngRgba, rgba),
                                                  test::MakePng(5, 3, test::kPngRgb, rgb),
                                                  test::MakePng(6, 2, test::kPngIndexed, std::vector<BYTE>(12, 1),
                                                                {255, 0, 0, 0, 255, 0})};
    unsigned seed = 2026, decoded = 0, empty = 0;
    ExpectNoLeak(
        [&](int i) {
            const std::vector<BYTE> png = Mutate(seeds[i % seeds.size()], seed);
            // A memory stream that stays inside its bytes, whatever a damaged chunk
            // length makes the decoder ask for.
            IStream* stream = SHCreateMemStream(png.data(), (UINT)png.size());
            ASSERT_TRUE(stream);
            CImage image;
            image.Load(stream);
            stream->Release();
            if (image.IsNull()) return void(++empty);
            ++decoded;
            BITMAP bm = {};
            ASSERT_EQ(GetObjectW(image.GetBitmap(), sizeof bm, &bm), (int)sizeof bm) << "case " << i;
            EXPECT_EQ(bm.bmWidth * bm.bmHeight * bm.bmBitsPixel, image.GetWidth() * image.GetHeight() * image.GetBPP());
        },
        1200);
    EXPECT_GT(decoded, 50u) << "the mutations are neither all harmless";
    EXPECT_GT(empty, 50u) << "nor all fatal";
    EXPECT_FALSE(CImage::GdiplusRunning());
}

}  // namespace
