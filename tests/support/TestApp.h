// The in-process window tests' application: the program's own main window,
// created on first use, over a profile of the tests' own.
#pragma once
#include <windows.h>

namespace test {

constexpr char kInProcessProfile[] = "HopdeckInProcessTest";

// The main window (owner of the dialogs, hot-key id 1 and a tray icon).
HWND Main();
// The visible dialog of this process owned by the main window that holds a
// control with that id, waited for.
HWND OwnedDialog(int controlId, DWORD timeoutMs = 3000);
// Closes whatever the main window has open and forgets the profile, the hot
// key and the Run value the tests may have left.
void ResetMain();

}  // namespace test
