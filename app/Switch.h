// The switch that every trigger makes (the hot key, the tray icon and its
// menu, the hot switch, suspend, the command line).
#pragma once
#include "framework/String.h"
#include "hidpp/HostChange.h"

struct DeskPc;
struct DeskPcs;

struct SwitchResult {
    bool keysSent = true;         // false: Windows refused the key presses
    CStringW monitorsFailed;      // the monitors that did not take their input
    bool Succeeded() const { return keysSent && monitorsFailed.empty(); }
};

// Sets each chosen monitor to its input, then sends the lock key (unless it
// is None). The monitors go first: a monitor with a built-in KVM switch hears
// this PC only while it shows it, and a lock-key KVM switch may take the
// display cable away with the keys. Their time counts toward the key's first
// pause, so a switch takes no longer than before, and suspend keeps within the
// two seconds Windows allows.
SwitchResult SwitchEverything();

// The monitors alone, when a watched USB switch has moved keyboard and mouse
// already: each chosen monitor to its input on a switch when the device left
// this PC, to this PC's input when it came back. No key is sent.
SwitchResult FollowUsbSwitch(bool arrived);

// The monitors' part of going to one PC of the desk: each monitor with an
// input for it. No key is sent: a lock key means "the next PC", not this one.
SwitchResult SetPcMonitors(const DeskPc& pc);

// The exit codes of "/switch" and "/switch N": done, something refused (the
// key presses, a monitor, the KVM switch's control port), no PC of that
// number or name (nothing done); pending while a command is being sent aside.
enum SwitchExitCode { kSwitchDone = 0, kSwitchFailed = 2, kNoSuchPc = 3, kPending = -1 };
inline int ExitCodeOf(const SwitchResult& result) { return result.Succeeded() ? kSwitchDone : kSwitchFailed; }

// What to tell the user of a switch that went wrong in part; empty when all went.
CStringW SwitchNotice(const SwitchResult& result);

// The PC the switch goes to instead of sending a lock key: with the lock key
// "None", the next PC that a KVM switch's control port or a device's host
// reaches straight after PC `last` (0: none yet, then after this PC). 0 when
// the switch stays what it always was. *pcs gets the PCs when they had to be
// read.
int SwitchTarget(int last, DeskPcs* pcs);

// The devices' part of going to a PC: each with a host for it but `except`
// (the keyboard that went there by itself); `heldKey` is the key of the hot
// key that asked, let go before a keyboard leaves.
HostChange HostChangeFor(const DeskPc& pc, const wchar_t* except, UINT heldKey);

// For a start of the program that ends once it is done (the command line with
// no Hopdeck to ask), on this thread: going to a PC (its monitors, then its
// KVM switch's command, then its devices), and the switch (to the PC SwitchTarget names, or
// the monitors and the lock key). The exit code.
int GoToPcAndWait(const DeskPcs& pcs, int number);
int SwitchAndWait();
