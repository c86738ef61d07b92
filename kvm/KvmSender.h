// Sends a command to a KVM switch's control port on a thread of its own, so
// that the icon, the menu and the dialogs keep answering while a connection
// is made: commands go out one at a time, at least a second apart to the
// same switch (some stop answering after many quick ones), and a newer
// command takes the place of one still waiting (a test of the port, which
// sends nothing, waits its turn beside them). A connection over the network
// gives up 2 s after the command's start (the name lookup is Windows' own and
// counts toward them), a write to a serial port 1 s after the time its bytes
// take at the line's speed. Each command opens
// the port or connects, sends, reads what the switch answers only to empty the
// line, and closes again; the thread ends when there is nothing to send, so
// nothing stays open in between. No window code.
#pragma once
#include "kvm/KvmCommand.h"
#include "kvm/KvmLink.h"

struct KvmRequest {
    KvmLink link;
    // Nothing to send (size 0): the port is only opened, or connected to.
    KvmCommand command;
    // Told when it is over, with `message`: wParam the result (0 when sent;
    // a Windows or Winsock error code; ERROR_CANCELLED when a newer command
    // took its place), lParam the ticket.
    HWND notify = nullptr;
    UINT message = 0;
    LPARAM ticket = 0;
};

void QueueKvmCommand(const KvmRequest& request);
// Waits until nothing is waiting or being sent, for `ms` at most; false when
// something still is.
bool WaitForKvmCommands(DWORD ms);
// The same on the calling thread, for a start of the program that ends once
// it is done: the result.
DWORD SendKvmCommand(const KvmRequest& request);

// Windows' own words for an error code, Winsock's included.
CStringW SystemErrorText(DWORD error);
