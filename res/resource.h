// Identifiers shared by the resource script and the code.
#pragma once

// Icon, menu, dialog templates and image
#define IDR_MAINFRAME                   128
#define IDR_TRAY_MENU                   129
#define IDD_SETTINGS                    130
#define IDD_HOTSWITCH                   131
#define IDD_MONITORS                    132
#define IDD_USB_DETECT                  133
#define IDD_PCS                         134
#define IDD_PC                          135
#define IDR_HOTSWITCH_PNG               140  // the frames at twice their size at 100 %

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
#define IDS_PC_MENU_ITEM                133  // %s: the PC's name
#define IDS_PC_HOTKEY_IN_USE            134  // %s: the PC's name; %s: its hot key
#define IDS_PC_NO_NAME                  135  // %d: the PC's number
#define IDS_PC_SAME_NAME                136  // %s: the name
#define IDS_PC_KEY_TYPES                137  // %s: the PC's name; %s: its hot key
#define IDS_PC_SAME_KEY                 138  // %s, %s: the two names; %s: the hot key
#define IDS_SWITCH_NAME                 139  // the switch, as the PCs' rules name it
#define IDS_PC_INPUT_COLUMN             143  // a PC's monitors: the title of its input's column
#define IDS_PC_COLUMN_FIRST             150  // the PCs list's four column titles
#define IDS_PC_THIS                     154  // %s: the name of the PC this Hopdeck runs on
// A KVM switch's control port
#define IDS_KVM_BAD_LINK                160  // %s: the link as written
#define IDS_KVM_BAD_ESCAPE              161  // %s: the escape
#define IDS_KVM_UNKNOWN_FIELD           162  // %s: the field
#define IDS_KVM_NOT_ASCII               163  // %s: the character
#define IDS_KVM_EMPTY                   164
#define IDS_KVM_TOO_LONG                165  // %d: the most bytes
#define IDS_KVM_PORT_TOO_HIGH           166  // %s: the PC's name; %d: its port; %s: the field
#define IDS_KVM_NOT_SENT                167  // %s: the PC's name; %s: why
#define IDS_KVM_SEND_FAILED             168  // %s: the link; %s: Windows' words
#define IDS_KVM_TEST_OK                 169  // %s: the link
#define IDS_KVM_TEST_FAILED             170  // %s: the link; %s: Windows' words
#define IDS_SYSTEM_ERROR                171  // %u: an error code Windows has no words for
#define IDS_KVM_NETWORK                 172
#define IDS_KVM_CUSTOM                  173
// Keyboards and mice that change host
#define IDS_DEVICE_REFUSED              180  // %s: the device's name
#define IDS_DEVICE_COLUMN_FIRST         181  // a PC's devices: the three column titles
#define IDS_DEVICE_HOST                 184  // %d: a host's number
#define IDS_DEVICE_HOST_NAMED           185  // %d: a host's number; %s: its name
#define IDS_DEVICES_READING             186
#define IDS_DEVICES_NONE                187
#define IDS_DEVICE_ABSENT               188  // a device stored for the PC that did not answer now
#define IDS_DEVICES_ASLEEP              189  // %d: how many paired devices did not answer
#define IDS_DEVICE_HOST_TOO_HIGH        190  // %s: the device's name; %d: its number of hosts
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
#define IDC_PCS                         1018

// Monitors dialog controls
#define IDC_MONITOR_LIST                1020
#define IDC_MONITOR_STATUS              1021
#define IDC_MONITOR_INPUT               1022
#define IDC_MONITOR_VALUE               1023
#define IDC_MONITOR_HOME_INPUT          1024
#define IDC_MONITOR_HOME_VALUE          1025

// PCs dialog controls
#define IDC_PC_LIST                     1040
#define IDC_PC_ADD                      1041
#define IDC_PC_EDIT                     1042
#define IDC_PC_REMOVE                   1043
#define IDC_PC_UP                       1044
#define IDC_PC_DOWN                     1045

// A PC's dialog controls; its hot key has the settings dialog's ids, its
// monitors the monitors dialog's.
#define IDC_PC_NAME                     1050
#define IDC_PC_KVM_PORT                 1051
#define IDC_PC_THIS                     1052
#define IDC_DEVICE_LIST                 1053
#define IDC_DEVICE_STATUS               1054
#define IDC_DEVICE_HOST                 1055

// The PCs dialog's control port
#define IDC_KVM_LINK                    1060
#define IDC_KVM_SPEED                   1061
#define IDC_KVM_HOST                    1062
#define IDC_KVM_TCP_PORT                1063
#define IDC_KVM_PRESET                  1064
#define IDC_KVM_COMMAND                 1065
#define IDC_KVM_TEST                    1066

// USB switch detection dialog controls
#define IDC_USB_FOUND                   1030

// Hot switch controls
#define IDC_SWITCH_BUTTON               1011

// Tray menu commands
#define ID_SWITCH_PC                    32774
#define ID_SETTINGS                     32775
#define ID_EXIT                         32776
// + a PC's index: "Switch to <name>", one item per PC of the desk
#define ID_GO_TO_PC_FIRST               32780

#ifndef IDC_STATIC
#define IDC_STATIC                      (-1)
#endif
