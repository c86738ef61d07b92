// The HID collections that the test doubles of setupapi.dll and hid.dll
// (tests/support) show a program, shared through a named mapping by the
// doubles in the program's process and the desk that serves the collections
// (HidppDesk.h) in the test's. A collection's device path names a pipe of the
// desk's: opening it connects to the desk, as opening a HID path reaches the
// device, and its reads and writes are the collection's reports.
#pragma once
#include <windows.h>

struct HidDoubleTable {
    struct Collection {
        wchar_t path[200];  // L"\\\\.\\pipe\\hid#...": the device path, a pipe's name; empty: no collection
        USHORT vendor, product, version;                  // HIDD_ATTRIBUTES
        USHORT usagePage, usage;                          // HIDP_CAPS' top-level collection
        USHORT inputLength, outputLength, featureLength;  // HIDP_CAPS' report lengths, the report id included
        wchar_t productName[64];                          // HidD_GetProductString
        LONG present;  // listed and answered for; 0: removed
    } collection[16];
    LONG preparsed;  // preparsed data handed out and not freed yet
};

// HidD_SetOutputReport sends its report down the pipe after this mark (no
// terminator), so that the desk tells it from a WriteFile.
constexpr char kSetOutputReportMark[] = "HidD_SetOutputReport:";

// The shared table, zeroed when first made; it lasts as long as a process has it.
inline HidDoubleTable* HidDouble()
{
    static auto* table = static_cast<HidDoubleTable*>(MapViewOfFile(
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(HidDoubleTable), L"HopdeckHidDouble"),
        FILE_MAP_ALL_ACCESS, 0, 0, 0));
    return table;
}
