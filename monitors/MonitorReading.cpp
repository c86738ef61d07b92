#include "monitors/MonitorReading.h"
#include <new>

CMonitorReading* CMonitorReading::Start(HWND notify, UINT message)
{
    auto* reading = new (std::nothrow) CMonitorReading(notify, message);
    return CWorker::Start(reading) ? reading : nullptr;
}

void CMonitorReading::Work()
{
    // Handles of its own, used on this thread only.
    const CMonitorList list;
    for (int i = 0; i < list.Count(); ++i) {
        m_reports[i].identity = list.Identity(i);
        m_reports[i].name = list.Name(i);
    }
    m_count = list.Count();
    if (!Post(kListed)) return;
    for (int i = 0; i < m_count; ++i) {
        MonitorReport& report = m_reports[i];
        report.answered = list.ReadInput(i, &report.current);
        CString capabilities;
        if (report.answered && list.ReadCapabilities(i, &capabilities))
            report.inputCount = ParseInputSources(capabilities.c_str(), report.inputs, kMaxInputs);
        report.read = true;
        if (!Post(kRead, i)) return;
    }
    Post(kDone);
}
