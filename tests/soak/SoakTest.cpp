// Long use leaks nothing and damaged images never crash the decoder: hundreds
// of cycles of both windows and of switches, and more than a thousand mutated
// PNGs, leave GDI objects, USER objects, kernel handles and heap where they were.
#include "core/Messages.h"
#include "framework/Handles.h"
#include "hotswitch/ImageHolder.h"
#include "res/resource.h"
#include "switching/SwitchSequence.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <malloc.h>
#include <shlwapi.h>

namespace {

// This Wine answers 0 to GetGuiResources and GetProcessHandleCount, so the
// footprint is read from the handle tables: a table hands out freed slots
// first and new ones at its top, so the highest slot of a batch of new objects
// larger than the free list counts the objects in use. One object leaked per
// cycle raises it by the number of cycles. The heap is the C runtime's, which
// every allocation of the program goes to.
std::vector<size_t> Footprint()
{
    auto highest = [](int batch, auto make, auto free) {
        std::vector<HANDLE> made;
        for (int i = 0; i < batch; ++i) made.push_back(make());
        size_t top = 0;
        for (HANDLE h : made) top = std::max<size_t>(top, (UINT_PTR)h & 0xFFFF), free(h);
        return top;
    };
    size_t heap = 0;
    _HEAPINFO info = {};
    while (_heapwalk(&info) == _HEAPOK) heap += info._useflag == _USEDENTRY ? info._size : 0;
    return {highest(2000, [] { return (HANDLE)CreateSolidBrush(0); }, [](HANDLE h) { DeleteObject(h); }),
            highest(300, [] { return (HANDLE)CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0); },
                    [](HANDLE h) { DestroyWindow((HWND)h); }),
            highest(64, [] { return CreateEventW(nullptr, 0, 0, nullptr); }, [](HANDLE h) { CloseHandle(h); }), heap};
}

// Settles with five cycles, then runs `cycles` more; nothing may grow by a
// fraction of the cycle count (USER handles step by 2, kernel handles by 4, and
// the smallest heap block is 8 bytes).
void ExpectNoLeak(const std::function<void(int)>& cycle, int cycles)
{
    for (int i = 0; i < 5; ++i) cycle(i);
    const std::vector<size_t> before = Footprint();
    for (int i = 0; i < cycles && !::testing::Test::HasFatalFailure(); ++i) cycle(i);
    const std::vector<size_t> after = Footprint();
    const char* what[] = {"GDI objects", "USER objects", "kernel handles", "heap bytes"};
    const int allowed[] = {cycles / 4, cycles / 4, cycles, cycles};
    for (int k = 0; k < 4; ++k) EXPECT_LT(after[k], before[k] + allowed[k]) << what[k];
}

TEST(Soak, BothWindowsAndTheSwitchHundredsOfTimes)
{
    test::ResetMain();
    const HWND main = test::Main();
    ExpectNoLeak(
        [&](int i) {
            // The settings dialog, every other time through OK (registry and Run entry).
            PostMessageW(main, WM_COMMAND, ID_SETTINGS, 0);
            HWND dlg = test::FindWindowOf(GetCurrentProcessId(), L"設定/ホットキー登録");
            ASSERT_TRUE(dlg);
            test::Click(dlg, IDC_DEFAULT);
            PostMessageW(dlg, i % 2 ? WM_CLOSE : WM_COMMAND, IDOK, 0);
            // The hot switch, its button painted in three states.
            PostMessageW(main, WM_SHOW_HOTSWITCH, 0, 0);
            HWND hot = test::FindWindowOf(GetCurrentProcessId(), L"");
            ASSERT_TRUE(hot);
            for (UINT msg : {WM_MOUSEHOVER, WM_MOUSELEAVE}) {
                SendDlgItemMessageW(hot, IDC_SWITCH_BUTTON, msg, 0, 0);
                UpdateWindow(hot);
            }
            SendMessageW(main, WM_HIDE_HOTSWITCH, 0, 0);
            ASSERT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg) && !IsWindow(hot); }, 2000));
            ASSERT_FALSE(CImage::GdiplusRunning());
        },
        200);
    test::ResetMain();
    test::KeyWatcher keys;
    ExpectNoLeak([](int) { RunSwitchSequence(kScrollLock, 0, InjectKey, [](DWORD) {}); }, 200);
    EXPECT_TRUE(keys.Saw(205, 10000));
}

TEST(Soak, AThousandDamagedPngsLeaveTheHolderEmptyOrValid)
{
    std::vector<std::vector<BYTE>> seeds;  // the program's own image
    HRSRC res = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_HOTSWITCH_PNG), L"png");
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    seeds.emplace_back(data, data + SizeofResource(nullptr, res));
    unsigned seed = 2026, decoded = 0, empty = 0;
    auto next = [&](size_t below) { return ((seed = seed * 1103515245u + 12345u) >> 8) % below; };
    ExpectNoLeak(
        [&](int i) {
            std::vector<BYTE> png = seeds[i % seeds.size()];
            switch (i % 4) {
            case 0:  // a few bytes flipped anywhere
                for (int n = 1 + (int)next(8); n--;) png[next(png.size())] ^= BYTE(1 + next(255));
                break;
            case 1: png.resize(next(png.size())); break;  // cut short
            case 2: png[8 + next(25)] = BYTE(next(256)); break;  // a damaged header: size, depth, kind
            default: png[33 + next(png.size() - 40)] = 0x7F;  // a chunk length that runs past the end
            }
            // A memory stream stays inside its bytes, whatever a damaged chunk length asks for.
            CComPtr<IStream> stream(SHCreateMemStream(png.data(), (UINT)png.size()));
            CImage image;
            image.Load(stream.Get());
            BITMAP bm = {};
            if (image.IsNull() && ++empty) return;
            ++decoded;
            ASSERT_EQ(GetObjectW(image.GetBitmap(), sizeof bm, &bm), (int)sizeof bm) << "case " << i;
            EXPECT_EQ(bm.bmWidth * bm.bmHeight * bm.bmBitsPixel, image.GetWidth() * image.GetHeight() * image.GetBPP());
        },
        1200);
    EXPECT_GT(decoded, 50u) << "the damage is neither always harmless";
    EXPECT_GT(empty, 50u) << "nor always fatal";
    EXPECT_FALSE(CImage::GdiplusRunning());
}

}  // namespace
