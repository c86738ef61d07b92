#include "hidpp/DeviceReading.h"
#include <new>

CDeviceReading* CDeviceReading::Start(HWND notify, UINT message)
{
    auto* reading = new (std::nothrow) CDeviceReading(notify, message);
    return CWorker::Start(reading) ? reading : nullptr;
}

void CDeviceReading::Work()
{
    CHidppChannel channels[kMaxHidppLinks];
    int linkOf[kMaxListedDevices];
    m_count = FindHidppDevices(kReadingAsker, channels, m_devices, linkOf, kMaxListedDevices, true, &m_asleep);
    Post(0);
}
