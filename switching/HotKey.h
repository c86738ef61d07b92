// The user's hot key: one key plus optional modifiers, registered as hot-key
// id 1 on the main window.
#pragma once
#include "core/SettingsStore.h"
#include "framework/String.h"
#include <windows.h>

// A key the hot key can be. Keys that type or move the cursor are only a hot
// key together with Control, Alt or Windows: alone, or with Shift, they would
// be taken from every program's typing.
struct FunctionKey {
    char name[10];  // empty: the name is in the string table, in the user's language
    BYTE vk;        // the virtual key Windows reports for it (keypad keys apart from their twins)
    bool types;
};

// Row 0 means "no key". The row index is what the registry keeps as
// VIRTUALINDEX and what the settings list selects: rows are only ever added
// at the end (see the table).
constexpr int kFunctionKeyCount = 87;
extern const FunctionKey FunctionKeyTable[kFunctionKeyCount];

constexpr int kHotKeyId = 1;

// The five hot-key settings as stored (flags 0/1, index a row of the table).
struct HotKey {
    int control = 0;
    int shift = 0;
    int alt = 0;
    int win = 0;
    int index = 0;
};

inline bool operator==(const HotKey& a, const HotKey& b)
{
    return a.control == b.control && a.shift == b.shift && a.alt == b.alt && a.win == b.win && a.index == b.index;
}

// The hot key of the settings dialog's record, and the one stored (each
// missing value 0), read in the order CONTROL, SHIFT, ALT, WIN, VIRTUALINDEX.
HotKey HotKeyOf(const Settings& settings);
HotKey StoredHotKey();
// A hot key kept in an open section under the same names (a PC's), read as
// the settings dialog would show it: a modifier 0 or 1, a row of the table;
// a key that would take a key from typing reads as no key.
HotKey ReadHotKey(HKEY section);
void WriteHotKey(HKEY section, const HotKey& key);

// Values outside the ranges (hand edits of the registry) are read the way the
// settings dialog shows them: a modifier is on for 1 and 2 (a check box shows 2
// as checked), off otherwise; an index outside the table means no key.
int ModifierOn(int value);
int FunctionKeyRow(int index);
// The key's name as the list and the hot-key text show it ("F5", "Page Up",
// "Num 4"); two blanks for row 0.
CStringW FunctionKeyName(int row);

// MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN as the settings ask.
UINT HotKeyModifiers(const HotKey& key);
// The virtual-key code Windows reports for the key with those modifiers; 0
// for "no key".
UINT HotKeyVirtualKey(const HotKey& key);
// False for a key that types or moves the cursor without Control, Alt or
// Windows: such a hot key is never registered.
bool HotKeyAllowed(const HotKey& key);
// "F5 + Control + Alt(Option)"; two blanks when there is no key.
CStringW HotKeyText(const HotKey& key);
