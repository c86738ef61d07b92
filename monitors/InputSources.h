// The input sources of a monitor (VCP code 0x60 of the MCCS standard): the
// values its capabilities string lists, and their names.
#pragma once
#include <windows.h>

constexpr BYTE kInputSourceCode = 0x60;
constexpr int kMaxInputs = 32;

// The values that a capabilities string lists for code 0x60, as in
// "(prot(monitor)...vcp(02 04 60(0F 11 12) 62)...)". Monitors write these
// strings carelessly, so the reading is lenient: any case, values run together
// ("0F1112"), groups nested inside the list. Returns how many were found (at
// most max), in order, without repeats and without 0.
int ParseInputSources(const char* capabilities, WORD* values, int max);

// The standard name of an input ("DisplayPort 1"), or null for a value the
// standard does not name. Only the low byte counts: some monitors report a
// DisplayPort input as 0x100F.
const char* InputSourceName(DWORD value);

// The inputs offered for a monitor whose capabilities list none.
extern const BYTE kStandardInputs[];
extern const int kStandardInputCount;

// A value that can be written as an input source: 1 to 0xFFFF.
bool IsInputValue(long long value);
