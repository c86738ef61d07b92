#include "app/settings_store.h"
#include <windows.h>

namespace {

// Owns one open registry key.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { if (m_key) RegCloseKey(m_key); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }

    // Opens or creates a subkey with read and write access.
    bool Create(HKEY parent, const char* name)
    {
        LONG rc = RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_READ | KEY_WRITE, nullptr, &m_key, nullptr);
        if (rc != ERROR_SUCCESS) m_key = nullptr;
        return m_key != nullptr;
    }

private:
    HKEY m_key = nullptr;
};

}  // namespace

SettingsStore& AppSettings()
{
    static SettingsStore store;
    return store;
}

void SettingsStore::UseRegistry(const char* keyWord, const char* profileName)
{
    m_keyWord = keyWord;
    m_profile = profileName;
}

namespace {

// Opens (creating what is missing below "software") one section of a profile.
// Every call opens afresh: no handle stays open between reads and writes.
bool OpenSection(const CString& keyWord, const CString& profile, const char* section, RegKey& out)
{
    if (keyWord.empty() || profile.empty()) return false;
    RegKey software, word, prof;
    // "software" is the user's existing Software key: opened, never created.
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ | KEY_WRITE, software.Out()) != ERROR_SUCCESS) {
        *software.Out() = nullptr;
        return false;
    }
    return word.Create(software.Get(), keyWord.c_str()) && prof.Create(word.Get(), profile.c_str()) &&
           out.Create(prof.Get(), section);
}

}  // namespace

int SettingsStore::ReadInt(const char* section, const char* entry, int defaultValue) const
{
    RegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return defaultValue;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExA(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return defaultValue;
    // Only a real 4-byte DWORD counts: a string "0" or a short binary value must
    // not read as a set flag.
    if (type != REG_DWORD || size != sizeof data) return defaultValue;
    return static_cast<int>(data);
}

bool SettingsStore::WriteInt(const char* section, const char* entry, int value) const
{
    RegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return false;
    DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}
