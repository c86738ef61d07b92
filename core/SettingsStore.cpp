#include "core/SettingsStore.h"
#include "framework/Handles.h"

namespace {
const char kSetting[] = "SETTING";
const char kPosition[] = "POSITION";
}  // namespace

const OptionInfo kOptions[Option::Count] = {
    {"AUTORUN", 1, 1}, {"HOTSWITCH", 0, 0}, {"TOPMOST", 1, 0}, {"SLEEPACTION", 0, 0}, {"TASKTRAYACTION", 0, 0},
    {"CONTROL", 0, 0}, {"SHIFT", 0, 0},     {"ALT", 0, 0},     {"WIN", 0, 0},         {"VIRTUALINDEX", 0, 0},
    // 400 ms keeps the whole sequence within the two seconds Windows gives a
    // program before it goes to sleep, which the switch on suspend needs.
    {"SWITCHKEY", 0, 0, 0, 3}, {"SWITCHDELAY", 200, 200, 50, 400},
};

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
bool OpenSection(const CString& keyWord, const CString& profile, const char* section, CRegKey& out)
{
    if (keyWord.empty() || profile.empty()) return false;
    const REGSAM access = KEY_READ | KEY_WRITE;
    CRegKey software, word, prof;
    // "software" is the user's existing Software key: opened, never created.
    return software.Open(HKEY_CURRENT_USER, "software", access) &&
           word.Create(software.Get(), keyWord.c_str(), access) && prof.Create(word.Get(), profile.c_str(), access) &&
           out.Create(prof.Get(), section, access);
}

}  // namespace

int SettingsStore::ReadInt(const char* section, const char* entry, int defaultValue) const
{
    return ReadInt(section, WidenAscii(entry).c_str(), defaultValue);
}

bool SettingsStore::WriteInt(const char* section, const char* entry, int value) const
{
    return WriteInt(section, WidenAscii(entry).c_str(), value);
}

int SettingsStore::ReadInt(const char* section, const wchar_t* entry, int defaultValue) const
{
    CRegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return defaultValue;
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return defaultValue;
    // Only a real 4-byte DWORD counts: a string "0" or a short binary value must
    // not read as a set flag.
    if (type != REG_DWORD || size != sizeof data) return defaultValue;
    return static_cast<int>(data);
}

bool SettingsStore::WriteInt(const char* section, const wchar_t* entry, int value) const
{
    CRegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return false;
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

CStringW SettingsStore::ReadString(const char* section, const char* entry, int maxLength) const
{
    CRegKey key;
    CStringW text;
    wchar_t* buffer = text.GetBuffer(maxLength + 1);
    if (!buffer || !OpenSection(m_keyWord, m_profile, section, key)) return CStringW();
    DWORD type = 0, size = DWORD(maxLength + 1) * sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), WidenAscii(entry).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return CStringW();
    // The data need not end in a terminator: the length is the stored one.
    text.ReleaseBuffer(int(size / sizeof(wchar_t)));
    text.ReleaseBuffer();
    return text;
}

bool SettingsStore::WriteString(const char* section, const char* entry, const wchar_t* value) const
{
    CRegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return false;
    const DWORD size = DWORD(lstrlenW(value) + 1) * sizeof(wchar_t);
    return RegSetValueExW(key.Get(), WidenAscii(entry).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          size) == ERROR_SUCCESS;
}

bool SettingsStore::EnumEntry(const char* section, DWORD index, CStringW* name) const
{
    CRegKey key;
    if (!OpenSection(m_keyWord, m_profile, section, key)) return false;
    // Value names are at most 16383 characters long.
    DWORD length = 16384;
    wchar_t* buffer = name->GetBuffer(int(length));
    if (!buffer || RegEnumValueW(key.Get(), index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name->ReleaseBuffer(int(length));
    return true;
}

namespace {

int ReadOptionOr(int id, int defaultValue)
{
    const OptionInfo& o = kOptions[id];
    const int value = AppSettings().ReadInt(kSetting, o.name, defaultValue);
    return value < o.low || value > o.high ? defaultValue : value;
}

}  // namespace

int ReadOption(Option::Id id) { return ReadOptionOr(id, kOptions[id].acted); }

Settings DefaultSettings()
{
    Settings s;
    for (int i = 0; i < Option::Count; ++i) s.value[i] = kOptions[i].shown;
    return s;
}

Settings ReadSettings()
{
    Settings s;
    for (int i = 0; i < Option::Count; ++i)
        s.value[i] = ReadOptionOr(i, kOptions[i].shown);
    return s;
}

void WriteSettings(const Settings& settings)
{
    for (int i = 0; i < Option::Count; ++i) AppSettings().WriteInt(kSetting, kOptions[i].name, settings.value[i]);
}

CStringW ReadUsbDevice() { return AppSettings().ReadString(kSetting, "USBDEVICE", 32); }

void WriteUsbDevice(const wchar_t* id) { AppSettings().WriteString(kSetting, "USBDEVICE", id); }

RECT ReadHotSwitchRect(const RECT& defaults)
{
    const SettingsStore& store = AppSettings();
    RECT rect;
    rect.left = store.ReadInt(kPosition, "LEFT", defaults.left);
    rect.top = store.ReadInt(kPosition, "TOP", defaults.top);
    rect.right = store.ReadInt(kPosition, "RIGHT", defaults.right);
    rect.bottom = store.ReadInt(kPosition, "BOTTOM", defaults.bottom);
    return rect;
}

void WriteHotSwitchRect(const RECT& rect)
{
    const SettingsStore& store = AppSettings();
    store.WriteInt(kPosition, "LEFT", rect.left);
    store.WriteInt(kPosition, "TOP", rect.top);
    store.WriteInt(kPosition, "RIGHT", rect.right);
    store.WriteInt(kPosition, "BOTTOM", rect.bottom);
}
