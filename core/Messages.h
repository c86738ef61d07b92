// Private messages, all addressed to the main window. wParam and lParam are 0
// except where noted.
#pragma once
#include <windows.h>

#define WM_TRAYICON          (WM_USER + 1)  // the shell: icon callback; lParam is the mouse message
// The main window goes by the windows' instance slots, which empty at once,
// not by the two closed notices, as a notice may arrive after a new window of
// that kind has been made. The settings' notice tells it to read again what
// their OK may have stored.
#define WM_SETTINGS_CLOSED   (WM_USER + 2)  // settings dialog, posted: it has gone
#define WM_HOTSWITCH_CLOSED  (WM_USER + 3)  // hot switch, posted: it has gone
#define WM_SHOW_HOTSWITCH    (WM_USER + 4)  // create and show the hot switch if it is not shown
#define WM_HIDE_HOTSWITCH    (WM_USER + 5)  // sent: close the hot switch if it is shown
// Sent by the settings dialog's OK: the main window, which owns hot-key id 1,
// puts the edited hot key (lParam: the dialog's HotKey, so only ever sent from
// this thread) in place of its own. Returns TRUE when the edit is accepted.
#define WM_APPLY_HOTKEY      (WM_USER + 6)
// Posted by a "/switch N" start to the running instance: go to PC wParam (1
// to 8) and post WM_GO_TO_PC_DONE to the window lParam (of the asking
// process; none for 0), with the command line's exit code in wParam.
#define WM_GO_TO_PC          (WM_USER + 7)
#define WM_GO_TO_PC_DONE     (WM_USER + 8)
