#include "core/SettingsStore.h"

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

bool SettingsStore::OpenSection(const char* section, CRegKey& key, bool existing) const
{
    if (m_keyWord.empty() || m_profile.empty()) return false;
    const REGSAM access = KEY_READ | KEY_WRITE;
    if (existing) {
        CString path = "software\\";
        ((path += m_keyWord.c_str()) += "\\") += m_profile.c_str();
        if (*section) (path += "\\") += section;
        return key.Open(HKEY_CURRENT_USER, path.c_str(), access);
    }
    // Every call opens afresh: no handle stays open between reads and writes.
    // "software" is the user's existing Software key: opened, never created.
    CRegKey software, word, prof;
    return software.Open(HKEY_CURRENT_USER, "software", access) &&
           word.Create(software.Get(), m_keyWord.c_str(), access) && prof.Create(word.Get(), m_profile.c_str(), access) &&
           key.Create(prof.Get(), section, access);
}

bool SettingsStore::DeleteSection(const char* section) const
{
    CRegKey profile;
    return OpenSection("", profile, true) && RegDeleteTreeA(profile.Get(), section) == ERROR_SUCCESS;
}

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
    return OpenSection(section, key) ? ReadDword(key.Get(), entry, defaultValue) : defaultValue;
}

bool SettingsStore::WriteInt(const char* section, const wchar_t* entry, int value) const
{
    CRegKey key;
    return OpenSection(section, key) && WriteDword(key.Get(), entry, value);
}

CStringW SettingsStore::ReadString(const char* section, const char* entry, int maxLength) const
{
    CRegKey key;
    return OpenSection(section, key) ? ReadSz(key.Get(), WidenAscii(entry).c_str(), maxLength) : CStringW();
}

bool SettingsStore::WriteString(const char* section, const char* entry, const wchar_t* value) const
{
    CRegKey key;
    return OpenSection(section, key) && WriteSz(key.Get(), WidenAscii(entry).c_str(), value);
}

int ReadDword(HKEY key, const wchar_t* entry, int defaultValue)
{
    DWORD type = 0, data = 0, size = sizeof data;
    if (RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return defaultValue;
    // Only a real 4-byte DWORD counts: a string "0" or a short binary value must
    // not read as a set flag.
    if (type != REG_DWORD || size != sizeof data) return defaultValue;
    return static_cast<int>(data);
}

bool WriteDword(HKEY key, const wchar_t* entry, int value)
{
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExW(key, entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data) ==
           ERROR_SUCCESS;
}

CStringW ReadSz(HKEY key, const wchar_t* entry, int maxLength)
{
    CStringW text;
    wchar_t* buffer = text.GetBuffer(maxLength + 1);
    DWORD type = 0, size = DWORD(maxLength + 1) * sizeof(wchar_t);
    if (!buffer || RegQueryValueExW(key, entry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return CStringW();
    // The data need not end in a terminator: the length is the stored one,
    // up to the first terminator, and must fit.
    text.ReleaseBuffer(int(size / sizeof(wchar_t)));
    text.ReleaseBuffer();
    return text.size() <= maxLength ? text : CStringW();
}

bool WriteSz(HKEY key, const wchar_t* entry, const wchar_t* value)
{
    const DWORD size = DWORD(lstrlenW(value) + 1) * sizeof(wchar_t);
    return RegSetValueExW(key, entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), size) == ERROR_SUCCESS;
}

bool EnumValueName(HKEY key, DWORD index, CStringW* name)
{
    // Value names are at most 16383 characters long.
    DWORD length = 16384;
    wchar_t* buffer = name->GetBuffer(int(length));
    if (!buffer || RegEnumValueW(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
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
