#include "monitors/MonitorChoices.h"
#include "core/SettingsStore.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorList.h"

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

namespace {

// Calls fn(identity, value) for every stored choice that sets an input.
template <typename Fn>
void ForEachChoice(Fn fn)
{
    CStringW identity;
    for (DWORD entry = 0; AppSettings().EnumEntry(kMonitors, entry, &identity); ++entry) {
        const int value = ReadMonitorChoice(identity.c_str());
        if (value != kLeaveUnchanged) fn(identity, value);
    }
}

}  // namespace

CStringW SetChosenInputs()
{
    // Without a choice a switch stays what it always was: dxva2 is not even loaded.
    bool any = false;
    ForEachChoice([&](const CStringW&, int) { any = true; });
    if (!any) return CStringW();

    CStringW failed;
    const CMonitorList list;
    ForEachChoice([&](const CStringW& identity, int value) {
        const int i = list.Find(identity.c_str());
        if (i >= 0 && list.SetInput(i, DWORD(value))) return;
        if (!failed.empty()) failed += L", ";
        failed += i >= 0 ? list.Name(i) : NameFromIdentity(identity.c_str());
    });
    return failed;
}
