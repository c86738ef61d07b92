// The test double of dxva2.dll (Dxva2Double.cpp): two monitors that answer
// DDC/CI. "Hopdeck Test A" lists DisplayPort 1 and HDMI 1 and 2 in its
// capabilities and reports its input with the high byte set; "Hopdeck Test B"
// lists nothing. Their state is shared, through a named mapping, by the
// double in whichever process loads it and the tests that look on.
#pragma once
#include <windows.h>

struct DdcDoubleState {
    LONG swapped;      // B is listed before A
    LONG liveHandles;  // handed out and not given back
    LONG reads;        // input reads
    LONGLONG firstWrite;  // QueryPerformanceCounter at the first write since cleared
    struct Monitor {
        LONG failures;  // writes still to fail, as transient bus errors do
        LONG refuse;    // every write fails
        LONG writes;    // writes that went in
        DWORD input;    // the input now (0: as the monitor started)
        LONGLONG failedAt;       // QueryPerformanceCounter at the last failed write
        LONGLONG shortestRetry;  // the shortest time from a failed write to the next one
    } monitor[2];
};

// While an event of this name exists and is not set, capabilities are not told.
constexpr wchar_t kDdcCapsGate[] = L"HopdeckDdcCapsGate";

// The shared state, zeroed when first made; it lasts as long as this process.
inline DdcDoubleState* DdcDouble()
{
    static auto* state = static_cast<DdcDoubleState*>(MapViewOfFile(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DdcDoubleState), L"HopdeckDdcDouble"),
        FILE_MAP_ALL_ACCESS, 0, 0, 0));
    return state;
}
