// SettingsStore: the program's options as 32-bit values under
// HKEY_CURRENT_USER\software\<key word>\<profile>\<section>. No cache: every read
// and write goes to the registry when it is asked for, so a value changed by
// another program counts from the next read.
#pragma once
#include "framework/String.h"

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

private:
    CString m_keyWord;
    CString m_profile;
};

// The process-wide store that the program's windows share.
SettingsStore& AppSettings();

// Registry key word of the program's profile.
constexpr char kRegistryKeyWord[] = "VANTU";
