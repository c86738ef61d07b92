// Reads what a PC's dialog shows of the keyboards and mice that can change
// host, on a thread of its own: a device asleep answers late or not at all,
// a second per question, and the dialog must answer meanwhile. It posts
// `message` once with wParam 0 when it is over; only then may the window
// look at what it read. No window code.
#pragma once
#include "framework/Worker.h"
#include "hidpp/HidppDevice.h"

constexpr int kMaxListedDevices = 16;

class CDeviceReading : public CWorker {
public:
    // Null when no thread could be started.
    static CDeviceReading* Start(HWND notify, UINT message);

    int Count() const { return m_count; }
    const HidppDevice& Device(int i) const { return m_devices[i]; }
    // How many paired devices did not answer (asleep, off, at another host).
    int Asleep() const { return m_asleep; }

private:
    CDeviceReading(HWND notify, UINT message) : CWorker(notify, message) {}
    void Work() override;

    int m_count = 0;
    int m_asleep = 0;
    HidppDevice m_devices[kMaxListedDevices];
};
