// This Wine answers 0 to GetGuiResources and GetProcessHandleCount, so the
// footprint is read from the handle tables themselves. A table hands out freed
// slots first and new slots at its top after that, so a batch of new objects
// larger than the free list ends at slot (objects in use + batch size): the
// highest slot of such a batch counts the objects still in use. One object
// leaked per cycle raises it by the number of cycles. The heap is the C
// runtime's, which every allocation of the program goes to.
#include "tests/support/footprint.h"
#include <windows.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <algorithm>

namespace test {

namespace {
unsigned Slot(const void* handle) { return LOWORD(reinterpret_cast<UINT_PTR>(handle)); }
}  // namespace

Footprint Measure()
{
    Footprint f;
    static HGDIOBJ brushes[2000];
    for (auto& b : brushes) f.gdi = std::max(f.gdi, Slot(b = CreateSolidBrush(RGB(1, 2, 3))));
    for (auto b : brushes) DeleteObject(b);
    static HWND windows[300];
    for (auto& w : windows)
        f.user = std::max(f.user, Slot(w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                                           nullptr, nullptr)));
    for (auto w : windows) DestroyWindow(w);
    static HANDLE events[64];
    for (auto& e : events) f.kernel = std::max(f.kernel, (unsigned)(UINT_PTR)(e = CreateEventA(nullptr, 0, 0, nullptr)));
    for (auto e : events) CloseHandle(e);
    f.guiGdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    f.guiUser = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    GetProcessHandleCount(GetCurrentProcess(), &f.handles);
    _HEAPINFO info = {};
    while (_heapwalk(&info) == _HEAPOK)
        if (info._useflag == _USEDENTRY) f.heap += info._size;
    return f;
}

void ExpectNoGrowth(const Footprint& before, const Footprint& after, int cycles)
{
    // USER handles step by 2, kernel handles by 4.
    EXPECT_LT(after.gdi, before.gdi + cycles / 4) << "GDI objects";
    EXPECT_LT(after.user, before.user + cycles / 4) << "USER objects";
    EXPECT_LT(after.kernel, before.kernel + cycles) << "kernel handles";
    EXPECT_LT(after.heap, before.heap + cycles / 2) << "heap bytes";
    // On Windows the system's own counts must come back too.
    if (before.guiGdi) {
        EXPECT_LT(after.guiGdi, before.guiGdi + cycles / 4) << "GetGuiResources(GR_GDIOBJECTS)";
    }
    if (before.guiUser) {
        EXPECT_LT(after.guiUser, before.guiUser + cycles / 4) << "GetGuiResources(GR_USEROBJECTS)";
    }
    if (before.handles) {
        EXPECT_LT(after.handles, before.handles + cycles / 4) << "GetProcessHandleCount";
    }
}

}  // namespace test
