#include "app/Switch.h"
#include "framework/System.h"
#include "monitors/MonitorChoices.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include "switching/SwitchSequence.h"

SwitchResult SwitchEverything()
{
    const DWORD start = GetTickCount();
    SwitchResult result;
    result.monitorsFailed = SetChosenInputs(MonitorSection(kOnSwitch));
    result.keysSent = SwitchPc(GetTickCount() - start);
    return result;
}

SwitchResult FollowUsbSwitch(bool arrived)
{
    SwitchResult result;
    result.monitorsFailed = SetChosenInputs(MonitorSection(arrived ? kThisPc : kOnSwitch));
    return result;
}

SwitchResult GoToPc(const DeskPc& pc)
{
    SwitchResult result;
    result.monitorsFailed = SetPcInputs(pc);
    return result;
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
