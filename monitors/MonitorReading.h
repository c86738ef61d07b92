// Reads what the monitors dialog shows of each monitor (its current input and
// the inputs its capabilities list) on a thread of its own: a capabilities
// string takes seconds, and the menu, the hot key and the hot switch must not
// wait for it.
//
// The reading and the window that asked for it share the object (CWorker).
#pragma once
#include "framework/String.h"
#include "framework/Worker.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorList.h"
#include <windows.h>

struct MonitorReport {
    CStringW identity;
    CStringW name;
    bool read = false;      // the reading of this monitor is over
    bool answered = false;  // it told its current input
    DWORD current = 0;
    // The inputs its capabilities list; none when it lists none or did not answer.
    WORD inputs[kMaxInputs] = {};
    int inputCount = 0;
};

class CMonitorReading : public CWorker {
public:
    // What the posted message's wParam says.
    enum Stage { kListed, kRead, kDone };

    // Starts reading, and posts `message` to `notify`: wParam kListed once the
    // monitors are known (Count and each report's identity and name), kRead
    // with a monitor's index in lParam once that monitor is read, kDone at the
    // end. Null when no thread could be started.
    static CMonitorReading* Start(HWND notify, UINT message);

    int Count() const { return m_count; }
    const MonitorReport& Report(int i) const { return m_reports[i]; }

private:
    CMonitorReading(HWND notify, UINT message) : CWorker(notify, message) {}
    void Work() override;

    int m_count = 0;
    MonitorReport m_reports[kMaxMonitors];
};
