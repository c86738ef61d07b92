// Sends keyboards and mice to other hosts (HID++ 2.0 setCurrentHost) on a
// thread of its own: each device is looked for on every link by its
// identity, told its host, and leaves. Keyboards go last, once the keys of
// the hot key that asked have been let go (a second at most): a keyboard
// that leaves with Ctrl held leaves Ctrl held on this PC. One change at a
// time; a newer one takes the place of one still waiting. No window code.
#pragma once
#include "framework/String.h"
#include "hidpp/HidppReport.h"

constexpr int kMaxPcDevices = 8;

struct HostTarget {
    CStringW identity;  // as HidppDevice has it
    int host = 0;       // from 1
};

struct HostChange {
    HostTarget target[kMaxPcDevices];
    int count = 0;
    // The key of the hot key that asked (0: none), let go with the modifiers
    // before a keyboard leaves.
    UINT heldKey = 0;
    // Told when it is over, with `message`: wParam a mask of the targets that
    // did not go (not found, not answering, no such host), lParam the ticket.
    HWND notify = nullptr;
    UINT message = 0;
    LPARAM ticket = 0;
};

// Queues the change. Returns the ticket of the change still waiting whose
// place it took (0 when it took none's): that one is not told, its caller
// answers for it at once.
LPARAM QueueHostChange(const HostChange& change);
// What is under way goes, for `ms` at most (before the PC sleeps); the rest
// is dropped, told with all its bits set, and no device is told to go later.
void FinishHostChanges(DWORD ms);
// The same on the calling thread, for a start of the program that ends once
// it is done: the mask of the targets that did not go. None is told to go
// once *dropped is set.
WPARAM ChangeHostsNow(const HostChange& change, const volatile LONG* dropped = nullptr);
