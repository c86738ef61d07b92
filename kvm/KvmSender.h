// Sends a command to a KVM switch's control port on a thread of its own, so
// that the icon, the menu and the dialogs keep answering while a connection
// is made: commands go out one at a time, at least a second apart to the
// same switch (some stop answering after many quick ones), and a newer
// command takes the place of one still waiting (a test of the port, which
// sends nothing, waits its turn beside them).
//
// Over the network the name lookup and the connection have 2 s each, and the
// whole command 5 s; a command is sent at most once (once connected, no other
// address of the host is tried). A write to a serial port has 1 s beyond the
// time its bytes take at the line's speed. Each command opens the port or
// connects, sends, reads what the switch answers only to empty the line, and
// closes again; the thread ends when there is nothing to send, so nothing
// stays open in between. No window code.
#pragma once
#include "kvm/KvmCommand.h"
#include "kvm/KvmLink.h"

struct KvmRequest {
    KvmLink link;
    // Nothing to send (size 0): the port is only opened, or connected to.
    KvmCommand command;
    // Told with `message` once its bytes have gone (the switch's answer is
    // still being read then), or once it is over without them: wParam the
    // result (0 when sent; a Windows or Winsock error code; ERROR_CANCELLED
    // when it was dropped), lParam the ticket.
    HWND notify = nullptr;
    UINT message = 0;
    LPARAM ticket = 0;
};

// Queues the request. Returns the ticket of the request still waiting whose
// place it took (0 when it took none's): that one is not told, its caller
// answers for it at once. Requests that need telling apart have tickets
// other than 0.
LPARAM QueueKvmCommand(const KvmRequest& request);
// Waits until nothing is waiting or being sent, for `ms` at most; false when
// something still is.
bool WaitForKvmCommands(DWORD ms);
// Nothing more goes out (the PC goes to sleep, or the program ends): the
// requests waiting are dropped, and the one being sent stops before its
// bytes go, if they have not gone yet. Each is told ERROR_CANCELLED.
void DropKvmCommands();
// The same on the calling thread, for a start of the program that ends once
// it is done: the result.
DWORD SendKvmCommand(const KvmRequest& request);

// Windows' own words for an error code, Winsock's included.
CStringW SystemErrorText(DWORD error);
