// The PCs of the desk, for desks of three PCs and more: up to eight, each
// with a name, a hot key of its own and an input for each monitor. Going to a
// PC sets its monitors' inputs and sends no lock key: a lock key only ever
// means "the next PC". They are kept under PCS\<n> of the profile, n = 1 to 8
// in list order without gaps; an older Hopdeck never looks there. No window
// code.
#pragma once
#include "framework/String.h"
#include "hidpp/HostChange.h"
#include "kvm/KvmSender.h"
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
    // The port of the KVM switch's control port that shows this PC (1 to 64);
    // 0 for none.
    int kvmPort = 0;
    // 1 for the PC this Hopdeck runs on (a switch goes to the PC after it
    // until it has gone to one), 0 for the others.
    int thisPc = 0;
    // Only monitors with an input value; the rest are left as they are.
    PcMonitor monitors[kMaxPcMonitors];
    int monitorCount = 0;

    // The keyboards and mice that change host with it: each one's host for
    // this PC (from 1). Only devices with a host; the rest stay where they are.
    HostTarget devices[kMaxPcDevices];
    int deviceCount = 0;

    // The input chosen for a monitor (kLeaveUnchanged when there is none), and
    // the choice changed.
    int Input(const wchar_t* identity) const;
    void SetInput(const wchar_t* identity, int input);
    // The same for a device's host (0 when there is none).
    int Host(const wchar_t* identity) const;
    void SetHost(const wchar_t* identity, int host);
};

struct DeskPcs {
    // Made, copied and let go in one place each: the list is large, and
    // every copy of these loops would cost room in the program.
    DeskPcs();
    DeskPcs(const DeskPcs& other);
    DeskPcs& operator=(const DeskPcs& other);
    ~DeskPcs();

    DeskPc pc[kMaxPcs];
    int count = 0;
    // The KVM switch's control port and its command, as written (KVMLINK and
    // KVMCOMMAND in SETTING); an empty link is none.
    CStringW kvmLink;
    CStringW kvmCommand;
};

// "PC 3".
CStringW DefaultPcName(int number);

// The stored PCs, read the safe way, as a hand edit may leave them: only the
// keys "1" to "8" count, in that order, and a gap closes up; a NAME that is
// missing, empty, not a string or longer than 32 characters reads as
// "PC <n>"; a hot key outside the table, or one that would take a key from
// typing, as none; a monitor's value that is no input value as "leave
// unchanged", a device's that is no host (1 to 3) likewise. Nothing is
// created. Without `choices`, the monitors' inputs and the devices' hosts are
// not read (for the hot keys and the menu).
DeskPcs ReadPcs(bool choices = true);
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

// Whether going to a PC reaches it straight: a KVM port with a link to say
// it on, or a device that changes host to it.
bool GoesStraightTo(const DeskPcs& pcs, int index);
// The PC a switch goes to when the switch has no lock key: the next PC that
// it goes straight to after PC `after` (after the last comes the first); with
// `after` 0, after the PC marked as this one, else the first. 0 when there
// is none.
int NextPcOfRound(const DeskPcs& pcs, int after);
// Each device identity that some PC has a host for, once; the count.
int PcDeviceIdentities(const DeskPcs& pcs, CStringW* identities, int max);

// What stands in the way of the command that goes to PC `index` (or, for -1,
// of every PC's): a link that is neither a COM port nor host:port, a command
// that does not parse, a port the command cannot say. Nothing when there is
// no link, or the PC has no port.
struct KvmCheck {
    bool badLink = false;
    KvmLink link;        // as read, when it was
    KvmCommand command;  // command.error tells what is wrong with it
    int pc = -1;         // the PC whose port the command cannot say
};
KvmCheck CheckKvm(const DeskPcs& pcs, int index = -1);
bool KvmCheckPassed(const KvmCheck& check);
// The user's words for what CheckKvm found.
CStringW KvmCheckText(const DeskPcs& pcs, const KvmCheck& check);
// The request that goes to PC `index`'s KVM port; false when there is none
// to send (no link, no port) or the check failed (*check tells).
bool KvmRequestFor(const DeskPcs& pcs, int index, KvmRequest* request, KvmCheck* check);

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
