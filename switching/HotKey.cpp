#include "switching/HotKey.h"
#include "framework/System.h"
#include "res/resource.h"

// What profiles keep is the row: rows 0-12 are those of every Hopdeck, the
// others were added after them in this order. Never reorder or remove a row;
// new keys go at the end (an older Hopdeck reads their rows as no key).
const FunctionKey FunctionKeyTable[kFunctionKeyCount] = {
    {"  ", 0, false},
    // 1-12
    {"F1", VK_F1, false}, {"F2", VK_F2, false}, {"F3", VK_F3, false}, {"F4", VK_F4, false},
    {"F5", VK_F5, false}, {"F6", VK_F6, false}, {"F7", VK_F7, false}, {"F8", VK_F8, false},
    {"F9", VK_F9, false}, {"F10", VK_F10, false}, {"F11", VK_F11, false}, {"F12", VK_F12, false},
    // 13-24: sent by macro keypads and keyboard software, used by no application
    {"F13", VK_F13, false}, {"F14", VK_F14, false}, {"F15", VK_F15, false}, {"F16", VK_F16, false},
    {"F17", VK_F17, false}, {"F18", VK_F18, false}, {"F19", VK_F19, false}, {"F20", VK_F20, false},
    {"F21", VK_F21, false}, {"F22", VK_F22, false}, {"F23", VK_F23, false}, {"F24", VK_F24, false},
    // 25
    {"Pause", VK_PAUSE, false},
    // 26-31
    {"Insert", VK_INSERT, true}, {"Delete", VK_DELETE, true}, {"Home", VK_HOME, true}, {"End", VK_END, true},
    {"Page Up", VK_PRIOR, true}, {"Page Down", VK_NEXT, true},
    // 32-35: the arrows, named in the string table
    {"", VK_UP, true}, {"", VK_DOWN, true}, {"", VK_LEFT, true}, {"", VK_RIGHT, true},
    // 36-50: the keypad with Num Lock on, named in the string table
    {"", VK_NUMPAD0, true}, {"", VK_NUMPAD1, true}, {"", VK_NUMPAD2, true}, {"", VK_NUMPAD3, true},
    {"", VK_NUMPAD4, true}, {"", VK_NUMPAD5, true}, {"", VK_NUMPAD6, true}, {"", VK_NUMPAD7, true},
    {"", VK_NUMPAD8, true}, {"", VK_NUMPAD9, true}, {"", VK_MULTIPLY, true}, {"", VK_ADD, true},
    {"", VK_SUBTRACT, true}, {"", VK_DECIMAL, true}, {"", VK_DIVIDE, true},
    // 51-76
    {"A", 'A', true}, {"B", 'B', true}, {"C", 'C', true}, {"D", 'D', true}, {"E", 'E', true}, {"F", 'F', true},
    {"G", 'G', true}, {"H", 'H', true}, {"I", 'I', true}, {"J", 'J', true}, {"K", 'K', true}, {"L", 'L', true},
    {"M", 'M', true}, {"N", 'N', true}, {"O", 'O', true}, {"P", 'P', true}, {"Q", 'Q', true}, {"R", 'R', true},
    {"S", 'S', true}, {"T", 'T', true}, {"U", 'U', true}, {"V", 'V', true}, {"W", 'W', true}, {"X", 'X', true},
    {"Y", 'Y', true}, {"Z", 'Z', true},
    // 77-86: the digits of the main keyboard
    {"0", '0', true}, {"1", '1', true}, {"2", '2', true}, {"3", '3', true}, {"4", '4', true},
    {"5", '5', true}, {"6", '6', true}, {"7", '7', true}, {"8", '8', true}, {"9", '9', true},
};

int ModifierOn(int value) { return value == 1 || value == 2 ? 1 : 0; }

int FunctionKeyRow(int index) { return index >= 0 && index < kFunctionKeyCount ? index : 0; }

CStringW FunctionKeyName(int row)
{
    const FunctionKey& key = FunctionKeyTable[FunctionKeyRow(row)];
    return key.name[0] ? WidenAscii(key.name) : LoadResString(IDS_KEY_NAME_BASE + row);
}

UINT HotKeyModifiers(const HotKey& key)
{
    return (ModifierOn(key.alt) ? MOD_ALT : 0) | (ModifierOn(key.control) ? MOD_CONTROL : 0) |
           (ModifierOn(key.shift) ? MOD_SHIFT : 0) | (ModifierOn(key.win) ? MOD_WIN : 0);
}

UINT HotKeyVirtualKey(const HotKey& key)
{
    const UINT vk = FunctionKeyTable[FunctionKeyRow(key.index)].vk;
    // With Control held, the Pause key is Break: the keyboard sends another
    // code and Windows reports VK_CANCEL, so a Control + Pause hot key is
    // registered on that.
    return vk == VK_PAUSE && ModifierOn(key.control) ? VK_CANCEL : vk;
}

bool HotKeyAllowed(const HotKey& key)
{
    return !FunctionKeyTable[FunctionKeyRow(key.index)].types || (HotKeyModifiers(key) & ~MOD_SHIFT);
}

CStringW HotKeyText(const HotKey& key)
{
    const int row = FunctionKeyRow(key.index);
    CStringW text = FunctionKeyName(row);
    if (row == 0) return text;
    if (ModifierOn(key.control)) text += L" + Control";
    if (ModifierOn(key.shift)) text += L" + Shift";
    if (ModifierOn(key.alt)) text += L" + Alt(Option)";
    if (ModifierOn(key.win)) text += L" + Windows(Apple)";
    return text;
}

HotKey HotKeyOf(const Settings& s)
{
    HotKey key;
    key.control = s[Option::CONTROL];
    key.shift = s[Option::SHIFT];
    key.alt = s[Option::ALT];
    key.win = s[Option::WIN];
    key.index = s[Option::VIRTUALINDEX];
    return key;
}

HotKey StoredHotKey()
{
    HotKey key;
    key.control = ReadOption(Option::CONTROL);
    key.shift = ReadOption(Option::SHIFT);
    key.alt = ReadOption(Option::ALT);
    key.win = ReadOption(Option::WIN);
    key.index = ReadOption(Option::VIRTUALINDEX);
    return key;
}

namespace {

// Where each field of a hot key is kept.
struct KeyField {
    Option::Id option;
    int HotKey::*field;
};
const KeyField kKeyFields[] = {{Option::CONTROL, &HotKey::control}, {Option::SHIFT, &HotKey::shift},
                               {Option::ALT, &HotKey::alt},         {Option::WIN, &HotKey::win},
                               {Option::VIRTUALINDEX, &HotKey::index}};

}  // namespace

HotKey ReadHotKey(HKEY section)
{
    HotKey key;
    for (const KeyField& f : kKeyFields) key.*f.field = ReadDword(section, WidenAscii(kOptions[f.option].name).c_str(), 0);
    key.control = ModifierOn(key.control);
    key.shift = ModifierOn(key.shift);
    key.alt = ModifierOn(key.alt);
    key.win = ModifierOn(key.win);
    key.index = FunctionKeyRow(key.index);
    return key.index && HotKeyAllowed(key) ? key : HotKey();
}

void WriteHotKey(HKEY section, const HotKey& key)
{
    for (const KeyField& f : kKeyFields) WriteDword(section, WidenAscii(kOptions[f.option].name).c_str(), key.*f.field);
}
