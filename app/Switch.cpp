#include "app/Switch.h"
#include "framework/System.h"
#include "monitors/MonitorChoices.h"
#include "res/resource.h"
#include "switching/SwitchSequence.h"

SwitchResult SwitchEverything()
{
    const DWORD start = GetTickCount();
    SwitchResult result;
    result.monitorsFailed = SetChosenInputs();
    result.keysSent = SwitchPc(GetTickCount() - start);
    return result;
}

CStringW SwitchNotice(const SwitchResult& result)
{
    CStringW notice;
    if (!result.monitorsFailed.empty()) {
        const CStringW format = LoadResString(IDS_MONITOR_REFUSED);
        const int size = format.size() + result.monitorsFailed.size() + 1;
        if (wchar_t* text = notice.GetBuffer(size)) {
            wsprintfW(text, format.c_str(), result.monitorsFailed.c_str());
            notice.ReleaseBuffer();
        }
    }
    if (!result.keysSent) {
        if (!notice.empty()) notice += L"\n";
        notice += LoadResString(IDS_SWITCH_REFUSED);
    }
    return notice;
}
