// SettingsStore: the program's options as 32-bit values under
// HKEY_CURRENT_USER\software\<key word>\<profile>\<section>. No cache: every read
// and write goes to the registry when it is asked for, so a value changed by
// another program counts from the next read.
//
// The options themselves, their names and defaults, are listed once, below the
// store; nothing else in the program spells an option's name.
#pragma once
#include "framework/Handles.h"
#include "framework/String.h"
#include <windows.h>
#include <climits>

class SettingsStore {
public:
    // Points the store at HKCU\software\<keyWord>\<profileName>. Nothing is read
    // or written before this.
    void UseRegistry(const char* keyWord, const char* profileName);

    // The stored value, or defaultValue when there is none, when it is not a
    // 4-byte REG_DWORD, or when the registry cannot be reached.
    int ReadInt(const char* section, const char* entry, int defaultValue) const;
    // Stores value as a REG_DWORD; false when it could not be stored.
    bool WriteInt(const char* section, const char* entry, int value) const;
    // The same for entries whose names come from outside the program (monitor
    // identities), in UTF-16, so that no code page can merge two of them. The
    // program's own names are ASCII and read and written through these.
    int ReadInt(const char* section, const wchar_t* entry, int defaultValue) const;
    bool WriteInt(const char* section, const wchar_t* entry, int value) const;
    // A REG_SZ that fits `maxLength` characters and a terminator, or empty
    // when there is none, when it is longer or of another type, or when the
    // registry cannot be reached.
    CStringW ReadString(const char* section, const char* entry, int maxLength) const;
    bool WriteString(const char* section, const char* entry, const wchar_t* value) const;
    // Opens a section (a path below the profile, such as "PCS\\2") for many
    // reads or writes: created when it is missing, as every read and write of
    // the options does, or, with `existing`, only when it is there, so that
    // reading an optional part of the profile leaves nothing behind.
    bool OpenSection(const char* section, CRegKey& key, bool existing = false) const;
    // Deletes a section with everything below it; nothing is created.
    bool DeleteSection(const char* section) const;

private:
    CString m_keyWord;
    CString m_profile;
};

// Values of an open section, by the rules above.
int ReadDword(HKEY key, const wchar_t* entry, int defaultValue);
bool WriteDword(HKEY key, const wchar_t* entry, int value);
CStringW ReadSz(HKEY key, const wchar_t* entry, int maxLength);
bool WriteSz(HKEY key, const wchar_t* entry, const wchar_t* value);
bool EnumValueName(HKEY key, DWORD index, CStringW* name);

// The process-wide store that the program's windows share.
SettingsStore& AppSettings();

// Registry key word of the program's profile.
constexpr char kRegistryKeyWord[] = "VANTU";

// The options of the SETTING section, in the order the settings dialog reads
// and writes them. SWITCHKEY is the lock key the KVM switch listens for (0
// Scroll Lock, 1 Num Lock, 2 Caps Lock, 3 none: monitors with a built-in KVM
// alone), SWITCHDELAY the pause in milliseconds before each of its four key
// events.
namespace Option {
enum Id {
    AUTORUN, HOTSWITCH, TOPMOST, SLEEPACTION, TASKTRAYACTION, CONTROL, SHIFT, ALT, WIN, VIRTUALINDEX,
    SWITCHKEY, SWITCHDELAY, Count
};
}

struct OptionInfo {
    const char* name;
    // What the settings dialog shows, and its Default button restores, when
    // nothing is stored.
    int shown;
    // What the program acts on when nothing is stored. Only TOPMOST differs: a
    // hot switch opened on a hand-edited profile is not kept in front, while
    // the dialog offers "always in front" as its suggestion.
    int acted;
    // The values that count; any other reads as the default. The older options
    // take every value and leave odd ones to the code that uses them.
    int low = INT_MIN;
    int high = INT_MAX;
};
extern const OptionInfo kOptions[Option::Count];

// The stored option, or its `acted` default.
int ReadOption(Option::Id id);

// The settings dialog's working copy of the SETTING section.
struct Settings {
    int value[Option::Count];
    int& operator[](Option::Id id) { return value[id]; }
    int operator[](Option::Id id) const { return value[id]; }
};
// Every option as the dialog shows it when nothing is stored.
Settings DefaultSettings();
// The stored options (each missing or odd one at its `shown` default), read in order.
Settings ReadSettings();
// Stores them all, in order.
void WriteSettings(const Settings& settings);

// The USB device whose leaving and arriving moves the monitors (USBDEVICE in
// SETTING, a REG_SZ "VID_xxxx&PID_yyyy"); empty for none. Not one of the
// numbered options: an older Hopdeck reading the profile never looks at it.
CStringW ReadUsbDevice();
void WriteUsbDevice(const wchar_t* id);

// The hot switch's outer rectangle (POSITION), each missing value taken from
// `defaults`.
RECT ReadHotSwitchRect(const RECT& defaults);
void WriteHotSwitchRect(const RECT& rect);
