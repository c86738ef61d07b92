// Identifiers shared by the resource script and the code.
#pragma once

// Icon, menu, dialog templates and image
#define IDR_MAINFRAME                   128
#define IDR_TRAY_MENU                   129
#define IDD_SETTINGS                    130
#define IDD_HOTSWITCH                   131
#define IDD_MONITORS                    132
#define IDD_USB_DETECT                  133
#define IDR_HOTSWITCH_PNG               140
#define IDR_HOTSWITCH_PNG_2X            141  // the same frames at twice the size, for high DPI

// String table
#define IDS_TRAY_TIP                    102
#define IDS_TRAY_ADD_FAILED             103
#define IDS_APP_TITLE                   105
#define IDS_IMAGE_LOAD_FAILED           108
#define IDS_HOTKEY_TAKEN                110
#define IDS_USAGE                       111
#define IDS_SWITCH_REFUSED              112
#define IDS_HOTKEY_IN_USE               113  // %s: the hot key, as the settings dialog shows it
#define IDS_MONITOR_REFUSED             114  // %s: the monitors' names
#define IDS_MONITORS_READING            115
#define IDS_MONITORS_NONE               116
#define IDS_MONITOR_READING             117
#define IDS_MONITOR_NO_ANSWER           118
#define IDS_INPUT_LEAVE                 119
#define IDS_SWITCH_KEY_FIRST            120  // the lock keys' names, in SWITCHKEY order (four)
#define IDS_INPUT_OTHER                 124
#define IDS_INPUT_VALUE                 125  // %X: an input value without a standard name
#define IDS_MONITOR_COLUMN_FIRST        126  // the monitor list's four column titles
#define IDS_USB_NONE                    130
#define IDS_HOTKEY_NEEDS_MODIFIER       131
#define IDS_HOTKEY_BARE                 132  // %s: the hot key, as the settings dialog shows it
// + a row of the hot-key table, for the keys named in each language (the
// arrows and the keypad, rows 32 to 50)
#define IDS_KEY_NAME_BASE               2000

// Settings dialog controls
#define IDC_AUTORUN                     1000
#define IDC_DEFAULT                     1001
#define IDC_FUNCTION_KEY                1002
#define IDC_SHOW_HOTSWITCH              1003
#define IDC_SLEEPACTION                 1004
#define IDC_TASKTRAYACTION              1005
#define IDC_CONTROL                     1006
#define IDC_SHIFT                       1007
#define IDC_ALT                         1008
#define IDC_WIN                         1009
#define IDC_REGISTERED_KEY              1010
#define IDC_TOPMOST                     1011
#define IDC_SWITCH_KEY                  1012
#define IDC_SWITCH_DELAY                1013
#define IDC_MONITORS                    1014
#define IDC_USB_DEVICE                  1015
#define IDC_USB_DETECT                  1016
#define IDC_USB_CLEAR                   1017

// Monitors dialog controls
#define IDC_MONITOR_LIST                1020
#define IDC_MONITOR_STATUS              1021
#define IDC_MONITOR_INPUT               1022
#define IDC_MONITOR_VALUE               1023
#define IDC_MONITOR_HOME_INPUT          1024
#define IDC_MONITOR_HOME_VALUE          1025

// USB switch detection dialog controls
#define IDC_USB_FOUND                   1030

// Hot switch controls
#define IDC_SWITCH_BUTTON               1011

// Tray menu commands
#define ID_SWITCH_PC                    32774
#define ID_SETTINGS                     32775
#define ID_EXIT                         32776

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif
