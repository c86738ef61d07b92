#include "monitors/MonitorReading.h"
#include <new>

CMonitorReading* CMonitorReading::Start(HWND notify, UINT message)
{
    auto* reading = new (std::nothrow) CMonitorReading(notify, message);
    if (!reading) return nullptr;
    HANDLE thread = CreateThread(nullptr, 0, Run, reading, 0, nullptr);
    if (!thread) {
        delete reading;
        return nullptr;
    }
    // The thread ends by itself; nothing waits for it.
    CloseHandle(thread);
    return reading;
}

void CMonitorReading::Release()
{
    InterlockedExchange(&m_stopped, 1);
    if (InterlockedDecrement(&m_owners) == 0) delete this;
}

DWORD WINAPI CMonitorReading::Run(void* self)
{
    auto* reading = static_cast<CMonitorReading*>(self);
    reading->Read();
    if (InterlockedDecrement(&reading->m_owners) == 0) delete reading;
    return 0;
}

bool CMonitorReading::PostStage(Stage stage, int index) const
{
    return !m_stopped && PostMessageW(m_notify, m_message, stage, index);
}

void CMonitorReading::Read()
{
    // Handles of its own, used on this thread only.
    const CMonitorList list;
    for (int i = 0; i < list.Count(); ++i) {
        m_reports[i].identity = list.Identity(i);
        m_reports[i].name = list.Name(i);
    }
    m_count = list.Count();
    if (!PostStage(kListed)) return;
    for (int i = 0; i < m_count; ++i) {
        MonitorReport& report = m_reports[i];
        report.answered = list.ReadInput(i, &report.current);
        CString capabilities;
        if (report.answered && list.ReadCapabilities(i, &capabilities))
            report.inputCount = ParseInputSources(capabilities.c_str(), report.inputs, kMaxInputs);
        report.read = true;
        if (!PostStage(kRead, i)) return;
    }
    PostStage(kDone);
}
