// The user's hot key: one function key plus optional modifiers, registered as
// hot-key id 1 on the main window.
#pragma once
#include "core/SettingsStore.h"
#include "framework/String.h"
#include <windows.h>

struct FunctionKey {
    char name[16];
    BYTE vk;
};

// Row 0 means "no key"; rows 1..12 are F1..F12. The row index is what the
// registry keeps as VIRTUALINDEX and what the settings list selects.
constexpr int kFunctionKeyCount = 13;
extern const FunctionKey FunctionKeyTable[kFunctionKeyCount];

constexpr int kHotKeyId = 1;

// The five hot-key settings as stored (flags 0/1, index 0..12).
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

// Values outside the ranges (hand edits of the registry) are read the way the
// settings dialog shows them: a modifier is on for 1 and 2 (a check box shows 2
// as checked), off otherwise; an index outside 0..12 means no key.
int ModifierOn(int value);
int FunctionKeyRow(int index);

// MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN as the settings ask.
UINT HotKeyModifiers(const HotKey& key);
// The function key's virtual-key code; 0 for "no key".
UINT HotKeyVirtualKey(const HotKey& key);
// "F5 + Control + Alt(Option)"; two blanks when there is no key.
CStringW HotKeyText(const HotKey& key);
