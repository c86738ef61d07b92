// What a switch does to the monitors: the user's choices of input for each
// monitor, and the setting of those inputs. Each choice is stored in a
// section of the profile under the monitor's identity (a REG_DWORD, the input
// value; absent, or not an input value: leave the monitor as it is).
#pragma once
#include "framework/String.h"

constexpr int kLeaveUnchanged = 0;

// The two choices a monitor has: the input it is set to when the PCs are
// switched, and the input that shows this PC, set when a watched USB switch
// brings the keyboard back.
enum MonitorTarget { kOnSwitch, kThisPc, kMonitorTargetCount };

// The stored choice for a monitor; kLeaveUnchanged when there is none.
int ReadMonitorChoice(MonitorTarget target, const wchar_t* identity);
void WriteMonitorChoice(MonitorTarget target, const wchar_t* identity, int value);

// Sets monitors to their inputs one by one, and names those that refused or
// are not attached. The monitors are listed (and dxva2 loaded) when the first
// input is set: without one a switch stays what it always was.
class CInputSetter {
public:
    CInputSetter() = default;
    ~CInputSetter();
    CInputSetter(const CInputSetter&) = delete;
    CInputSetter& operator=(const CInputSetter&) = delete;

    // Nothing for a value that is no input value.
    void Set(const wchar_t* identity, int value);
    // "Dell U2720Q, LG HDR 4K", empty when every input went in.
    const CStringW& Failed() const { return m_failed; }

private:
    class CMonitorList* m_list = nullptr;
    CStringW m_failed;
};

// Sets every monitor that has a choice for the target to its input. Nothing
// is read first: a monitor that reports its input wrongly must not keep it
// from switching, and the user is looking at this PC anyway. Returns the
// names of the monitors that refused, or that are not attached, separated by
// commas; empty when every chosen input went in.
CStringW SetChosenInputs(MonitorTarget target);
