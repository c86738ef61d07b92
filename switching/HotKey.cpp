#include "switching/HotKey.h"

const FunctionKey FunctionKeyTable[kFunctionKeyCount] = {
    {"  ", 0},         {"F1", VK_F1},   {"F2", VK_F2},   {"F3", VK_F3},  {"F4", VK_F4},
    {"F5", VK_F5},     {"F6", VK_F6},   {"F7", VK_F7},   {"F8", VK_F8},  {"F9", VK_F9},
    {"F10", VK_F10},   {"F11", VK_F11}, {"F12", VK_F12},
};

int ModifierOn(int value) { return value == 1 || value == 2 ? 1 : 0; }

int FunctionKeyRow(int index) { return index >= 0 && index < kFunctionKeyCount ? index : 0; }

UINT HotKeyModifiers(const HotKey& key)
{
    return (ModifierOn(key.alt) ? MOD_ALT : 0) | (ModifierOn(key.control) ? MOD_CONTROL : 0) |
           (ModifierOn(key.shift) ? MOD_SHIFT : 0) | (ModifierOn(key.win) ? MOD_WIN : 0);
}

UINT HotKeyVirtualKey(const HotKey& key) { return FunctionKeyTable[FunctionKeyRow(key.index)].vk; }

CStringW HotKeyText(const HotKey& key)
{
    int row = FunctionKeyRow(key.index);
    CStringW text = WidenAscii(FunctionKeyTable[row].name);
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
