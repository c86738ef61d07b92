// What a switch does to the monitors: the user's choice of input for each
// monitor, stored in the profile's MONITORS section under the monitor's
// identity (a REG_DWORD, the input value; absent, or not an input value:
// leave the monitor as it is), and the setting of those inputs.
#pragma once
#include "framework/String.h"

constexpr int kLeaveUnchanged = 0;

// The stored choice for a monitor; kLeaveUnchanged when there is none.
int ReadMonitorChoice(const wchar_t* identity);
void WriteMonitorChoice(const wchar_t* identity, int value);

// Sets every monitor that has a choice to its input. Nothing is read first: a
// monitor that reports its input wrongly must not keep it from switching, and
// the user is looking at this PC anyway. Returns the names of the monitors
// that refused, or that are not attached, separated by commas; empty when every
// chosen input went in.
CStringW SetChosenInputs();
