// A keyboard or mouse that changes host (HID++ 2.0 feature 0x1814): found
// on a link at its device index and asked who it is, how many hosts it has
// and which it is at, and told to go to another. No window code.
#pragma once
#include "framework/String.h"
#include "hidpp/HidppLink.h"

struct HidppDevice {
    // "B35B408A0000-1A2B3C4D|MX Keys": its model id and unit id (what stays
    // the same whatever receiver, port or PC it is reached by), and its name.
    CStringW identity;
    BYTE index = 0;       // on its link
    BYTE changeHost = 0;  // the index of feature 0x1814
    bool keyboard = false;
    int hosts = 0;        // how many
    int current = 0;      // the one it is at, from 0
    // The hosts' names, where the device keeps them (feature 0x1815).
    CStringW hostName[kMaxHosts];
};

// The name part of an identity.
CStringW DeviceNameOf(const wchar_t* identity);

enum class Probe {
    Found,
    Nothing,     // nothing paired there, or a device that cannot change host
    Asleep,      // paired, but not answering: asleep, off, or at another host
    Unusable,    // it answers, but not as a HID++ 2.0 device should
    Stopped,
};
// Asks the device at `index`; with `names`, for its hosts' names too.
Probe ProbeDevice(CHidppChannel& channel, BYTE index, bool names, HidppDevice* device, HANDLE stop = nullptr);
// Every device there is now that can change host, once each, asked by
// `asker` (a device on
// its own may answer at any index): up to `max`, each with the link it is on
// in linkOf[i]; the links stay open in channels[] (kMaxHidppLinks of them).
// With `names`, the hosts' names too; *asleep counts the paired devices that
// did not answer. Fewer when `stop` was set.
int FindHidppDevices(HidppAsker asker, CHidppChannel* channels, HidppDevice* devices, int* linkOf, int max, bool names,
                     int* asleep, HANDLE stop = nullptr);
