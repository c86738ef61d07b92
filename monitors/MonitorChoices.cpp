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

CStringW SetChosenInputs(MonitorTarget target)
{
    CStringW failed, identity;
    // Made when the first choice needs it: without one a switch stays what it
    // always was, and dxva2 is not even loaded.
    CMonitorList* list = nullptr;
    for (DWORD entry = 0; AppSettings().EnumEntry(kSections[target], entry, &identity); ++entry) {
        const int value = ReadMonitorChoice(target, identity.c_str());
        if (value == kLeaveUnchanged) continue;
        if (!list) list = new (std::nothrow) CMonitorList;
        const int i = list ? list->Find(identity.c_str()) : -1;
        if (i >= 0 && list->SetInput(i, DWORD(value))) continue;
        if (!failed.empty()) failed += L", ";
        failed += NameFromIdentity(identity.c_str());
    }
    delete list;
    return failed;
}
