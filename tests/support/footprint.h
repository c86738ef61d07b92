// How much of the process's GDI objects, USER objects, kernel handles and heap
// is in use, to show that long use leaks nothing.
#pragma once
#include <windows.h>
#include <cstddef>

namespace test {

struct Footprint {
    unsigned gdi = 0, user = 0, kernel = 0;
    size_t heap = 0;
    // What Windows itself counts; 0 where it is not implemented (this Wine).
    DWORD guiGdi = 0, guiUser = 0, handles = 0;
};

Footprint Measure();

// Fails the test when any part grew by more than a fraction of `cycles`: one
// object or byte leaked per cycle would show.
void ExpectNoGrowth(const Footprint& before, const Footprint& after, int cycles);

}  // namespace test
