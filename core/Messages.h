// The program's private window messages, numbered here and nowhere else.
// wParam and lParam are 0 except where noted. The messages that cross to
// another process (a start of the program asking the running copy) are
// registered by name instead: see app/RunningCopy.h.
#pragma once
#include <windows.h>

// To the main window. These keep the values every Hopdeck has used.
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
// Posted by the main window to itself for a request of another start that it
// has taken: go to PC wParam (0: switch) and answer the window lParam.
#define WM_ANSWER_REQUEST    (WM_USER + 7)
// Posted by the KVM switch's sender when a command has gone, or not: wParam
// the result, lParam the command's ticket.
#define WM_KVM_SENT          (WM_USER + 8)
// Posted by the devices' host change when it is over: wParam the mask of the
// devices that did not go, lParam the ticket.
#define WM_HOSTS_CHANGED     (WM_USER + 9)
// Posted by the watch of the keyboards when one announces that it goes to
// another host: wParam its index, lParam the host and the watch's generation.
#define WM_HOST_ANNOUNCED    (WM_USER + 10)
// Posted by the main window to itself once it is up: start watching the
// keyboards, whose search would otherwise slow the start.
#define WM_WATCH_DEVICES     (WM_USER + 11)

// To the dialogs, whose class keeps WM_USER to WM_USER + 2 for itself
// (DM_GETDEFID, DM_SETDEFID, DM_REPOSITION). Those sent carry pointers into
// the sender's memory, so they are only ever sent on the windows' thread.
// Monitors dialog to its owner, sent on OK: wParam the number of choices,
// lParam the MonitorChoice array.
#define WM_MONITORS_CHOSEN   (WM_APP + 1)
// The monitors' reading to the dialog that asked, posted: wParam its stage,
// lParam a monitor's index.
#define WM_MONITOR_READING   (WM_APP + 2)
// USB detection to its owner, sent on OK: lParam the device's id
// ("VID_xxxx&PID_yyyy"), wParam its description, both const wchar_t*.
#define WM_USB_DETECTED      (WM_APP + 3)
// USB detection to itself, posted: name the device that has just moved.
#define WM_NAME_DEVICE       (WM_APP + 4)
// PCs dialog to the settings dialog, sent on OK: lParam the DeskPcs.
#define WM_PCS_CHOSEN        (WM_APP + 5)
// A PC's dialog to the PCs dialog, sent on OK: wParam the PC's index (the
// number of PCs for a new one), lParam the DeskPc.
#define WM_PC_CHOSEN         (WM_APP + 6)
// The KVM switch's sender to the PCs dialog, posted when the test of the
// control port is over: wParam its result.
#define WM_KVM_TESTED        (WM_APP + 7)
// The devices' reading to a PC's dialog, posted when it is over.
#define WM_DEVICE_READING    (WM_APP + 8)
