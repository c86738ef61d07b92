#include "monitors/MonitorChoices.h"
#include "core/SettingsStore.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorList.h"
#include <new>

namespace {
const char kMonitors[] = "MONITORS";
}  // namespace

int ReadMonitorChoice(const wchar_t* identity)
{
    const int value = AppSettings().ReadInt(kMonitors, identity, kLeaveUnchanged);
    return IsInputValue(value) ? value : kLeaveUnchanged;
}

void WriteMonitorChoice(const wchar_t* identity, int value)
{
    AppSettings().WriteInt(kMonitors, identity, IsInputValue(value) ? value : kLeaveUnchanged);
}

CStringW SetChosenInputs()
{
    CStringW failed, identity;
    // Made when the first choice needs it: without one a switch stays what it
    // always was, and dxva2 is not even loaded.
    CMonitorList* list = nullptr;
    for (DWORD entry = 0; AppSettings().EnumEntry(kMonitors, entry, &identity); ++entry) {
        const int value = ReadMonitorChoice(identity.c_str());
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
