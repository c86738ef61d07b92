#include "app/Switch.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "monitors/MonitorChoices.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include "switching/SwitchSequence.h"

SwitchResult SwitchEverything()
{
    const DWORD start = GetTickCount();
    SwitchResult result;
    result.monitorsFailed = SetChosenInputs(kOnSwitch);
    result.keysSent = SwitchPc(GetTickCount() - start);
    return result;
}

SwitchResult FollowUsbSwitch(bool arrived)
{
    SwitchResult result;
    result.monitorsFailed = SetChosenInputs(arrived ? kThisPc : kOnSwitch);
    return result;
}

SwitchResult SetPcMonitors(const DeskPc& pc)
{
    SwitchResult result;
    result.monitorsFailed = SetPcInputs(pc);
    return result;
}

int SwitchTarget(int last, DeskPcs* pcs)
{
    if (ReadOption(Option::SWITCHKEY) != kNoKey) return 0;
    *pcs = ReadPcs();
    return NextPcOfRound(*pcs, last);
}

int GoToPcAndWait(const DeskPcs& pcs, int number)
{
    const SwitchResult result = SetPcMonitors(pcs.pc[number - 1]);
    KvmRequest request;
    KvmCheck check;
    const bool sent = KvmRequestFor(pcs, number - 1, &request, &check) ? SendKvmCommand(request) == 0
                                                                         : KvmCheckPassed(check);
    const HostChange hosts = HostChangeFor(pcs.pc[number - 1], nullptr, 0);
    const bool moved = !hosts.count || !ChangeHostsNow(hosts);
    return sent && moved ? ExitCodeOf(result) : kSwitchFailed;
}

HostChange HostChangeFor(const DeskPc& pc, const wchar_t* except, UINT heldKey)
{
    HostChange change;
    change.heldKey = heldKey;
    for (int d = 0; d < pc.deviceCount; ++d)
        if (!except || lstrcmpW(pc.devices[d].identity.c_str(), except)) change.target[change.count++] = pc.devices[d];
    return change;
}

int SwitchAndWait()
{
    DeskPcs pcs;
    const int next = SwitchTarget(0, &pcs);
    return next ? GoToPcAndWait(pcs, next) : ExitCodeOf(SwitchEverything());
}

CStringW SwitchNotice(const SwitchResult& result)
{
    CStringW notice;
    if (!result.monitorsFailed.empty()) notice = FormatResString(IDS_MONITOR_REFUSED, result.monitorsFailed.c_str());
    if (!result.keysSent) {
        if (!notice.empty()) notice += L"\n";
        notice += LoadResString(IDS_SWITCH_REFUSED);
    }
    return notice;
}
