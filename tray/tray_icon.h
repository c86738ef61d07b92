// The program's icon in the notification area, its clicks and its menu.
#pragma once
#include <windows.h>

// Adds the icon (id 0, tip "Hopdeck", callback WM_TRAYICON) for wnd. A shell
// that times out (still starting, or busy) is retried once a second for as long
// as it keeps timing out. Any other failure is shown to the user and wnd is
// closed; the result is then false and wnd and its object are gone.
bool AddTrayIcon(HWND wnd, HICON icon);
void RemoveTrayIcon(HWND wnd);

// What a mouse message from the icon asks of the main window.
enum class TrayRequest { None, Switch, OpenSettings };

// Left button down: switch or open the settings, as TASKTRAYACTION says.
// Right button down: shows the menu (its command arrives as WM_COMMAND).
// Everything else, double clicks included, is ignored.
TrayRequest OnTrayCallback(HWND wnd, LPARAM mouseMsg);
