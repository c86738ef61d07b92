// The PCs of the desk, for desks of three PCs and more: up to eight, each
// with a name, a hot key of its own and an input for each monitor. Going to a
// PC sets its monitors' inputs and sends no lock key: a lock key only ever
// means "the next PC". They are kept under PCS\<n> of the profile, n = 1 to 8
// in list order without gaps; an older Hopdeck never looks there. No window
// code.
#pragma once
#include "framework/String.h"
#include "switching/HotKey.h"

constexpr int kMaxPcs = 8;
constexpr int kMaxPcNameLength = 32;
// The monitors a PC keeps an input for, attached or not.
constexpr int kMaxPcMonitors = 32;
// The PCs' hot keys are registered as these ids plus the PC's index; id 1 is
// the switch's.
constexpr int kPcHotKeyIdFirst = 2;

struct PcMonitor {
    CStringW identity;
    int input = 0;
};

struct DeskPc {
    CStringW name;
    HotKey key;
    // Only monitors with an input value; the rest are left as they are.
    PcMonitor monitors[kMaxPcMonitors];
    int monitorCount = 0;

    // The input chosen for a monitor (kLeaveUnchanged when there is none), and
    // the choice changed.
    int Input(const wchar_t* identity) const;
    void SetInput(const wchar_t* identity, int input);
};

struct DeskPcs {
    DeskPc pc[kMaxPcs];
    int count = 0;
};

// "PC 3".
CStringW DefaultPcName(int number);

// The stored PCs, read the safe way, as a hand edit may leave them: only the
// keys "1" to "8" count, in that order, and a gap closes up; a NAME that is
// missing, empty, not a string or longer than 32 characters reads as
// "PC <n>"; a hot key outside the table, or one that would take a key from
// typing, as none; a monitor's value that is no input value as "leave
// unchanged". Nothing is created. Without `monitors`, their inputs are not
// read (for the hot keys and the menu).
DeskPcs ReadPcs(bool monitors = true);
// Stores the list as PCS\1 to PCS\<count>, each written afresh; the keys of
// the PCs that are gone are deleted. Without PCs and without a PCS key,
// nothing is created.
void WritePcs(const DeskPcs& pcs);

// The PC a command line names: its number, else its name in any case.
// Returns the PC's number (1 to count), or 0 when none is named so.
int FindPc(const DeskPcs& pcs, const wchar_t* numberOrName);

// Sets each monitor that has an input for the PC to it. Returns the names of
// the monitors that refused or are not attached.
CStringW SetPcInputs(const DeskPc& pc);

// The rules the list must keep to be stored, checked in this order: every PC
// has a name; no two PCs share a name (compared in any case, as the command
// line does); no PC's key takes a key from typing; no two hot keys are the
// same, the switch's among them.
enum class PcRule { Kept, NoName, SameName, KeyTypes, SameKey };
struct PcRuleCheck {
    PcRule rule = PcRule::Kept;
    int pc = -1;     // the PC that breaks it (its index)
    int other = -1;  // the other PC of a pair; -1 for the switch's hot key
};
PcRuleCheck CheckPcs(const DeskPcs& pcs, const HotKey& switchKey);
