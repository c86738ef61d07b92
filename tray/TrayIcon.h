// The program's icon in the notification area, its clicks and its menu.
#pragma once
#include <windows.h>

enum class TrayAdd {
    Added,       // the icon is there
    NoShellYet,  // there is no notification area yet: add again on "TaskbarCreated"
    Failed,      // the shell refused it
};

// Adds the icon (id 0, tip "Hopdeck", callback WM_TRAYICON) for wnd. An icon
// that is there already counts as added. A shell that times out (still
// starting, or busy) is retried once a second for as long as it keeps timing
// out. Reports; what to do about a failure is the caller's choice.
TrayAdd AddTrayIcon(HWND wnd, HICON icon);
void RemoveTrayIcon(HWND wnd);
// A warning balloon from the icon; false when there is no icon to show it from.
bool ShowTrayBalloon(HWND wnd, const wchar_t* title, const wchar_t* text);
// The program's icon at the size the notification area shows: the small icon
// size at the scale of the taskbar's monitor, which may differ from the
// system's and change while the program runs. Shared: the system keeps one
// icon per size for the process's lifetime, so loading again leaks nothing.
HICON LoadTrayIcon();

// What a mouse message from the icon asks of the main window.
enum class TrayRequest { None, Switch, OpenSettings };

// Left button down: switch or open the settings, as TASKTRAYACTION says.
// Right button down: shows the menu, with an item for each PC of the desk
// (its command arrives as WM_COMMAND).
// Everything else, double clicks included, is ignored.
TrayRequest OnTrayCallback(HWND wnd, LPARAM mouseMsg);
