#include "monitors/MonitorChoices.h"
#include "core/SettingsStore.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorList.h"
#include <new>

namespace {
const char* const kSections[kMonitorTargetCount] = {"MONITORS", "MONITORSHOME"};
}  // namespace

int ReadMonitorChoice(MonitorTarget target, const wchar_t* identity)
{
    const int value = AppSettings().ReadInt(kSections[target], identity, kLeaveUnchanged);
    return IsInputValue(value) ? value : kLeaveUnchanged;
}

void WriteMonitorChoice(MonitorTarget target, const wchar_t* identity, int value)
{
    AppSettings().WriteInt(kSections[target], identity, IsInputValue(value) ? value : kLeaveUnchanged);
}

CInputSetter::~CInputSetter() { delete m_list; }

void CInputSetter::Set(const wchar_t* identity, int value)
{
    if (!IsInputValue(value)) return;
    if (!m_list) m_list = new (std::nothrow) CMonitorList;
    const int i = m_list ? m_list->Find(identity) : -1;
    if (i >= 0 && m_list->SetInput(i, DWORD(value))) return;
    if (!m_failed.empty()) m_failed += L", ";
    m_failed += NameFromIdentity(identity);
}

CStringW SetChosenInputs(MonitorTarget target)
{
    CInputSetter setter;
    CRegKey key;
    CStringW identity;
    if (AppSettings().OpenSection(kSections[target], key, true))
        for (DWORD entry = 0; EnumValueName(key.Get(), entry, &identity); ++entry)
            setter.Set(identity.c_str(), ReadDword(key.Get(), identity.c_str(), kLeaveUnchanged));
    return setter.Failed();
}
