#include "hidpp/DeviceReading.h"
#include <new>

CDeviceReading* CDeviceReading::Start(HWND notify, UINT message)
{
    auto* reading = new (std::nothrow) CDeviceReading(notify, message);
    return CWorker::Start(reading) ? reading : nullptr;
}

void CDeviceReading::Work()
{
    HidppLink links[kMaxHidppLinks];
    const int linkCount = ListHidppLinks(links, kMaxHidppLinks);
    for (int l = 0; l < linkCount; ++l) {
        CHidppChannel channel;
        if (!channel.Open(links[l])) continue;
        BYTE indexes[8];
        const int indexCount = DeviceIndexes(channel, indexes);
        for (int i = 0; i < indexCount && m_count < kMaxListedDevices; ++i) {
            HidppDevice& device = m_devices[m_count];
            device = HidppDevice();
            const Probe probe = ProbeDevice(channel, indexes[i], true, &device);
            if (probe == Probe::Asleep) ++m_asleep;
            if (probe != Probe::Found) continue;
            // A device on its own may answer at any index: it is listed once.
            int seen = 0;
            while (seen < m_count && lstrcmpW(m_devices[seen].identity.c_str(), device.identity.c_str())) ++seen;
            if (seen == m_count) ++m_count;
        }
    }
    Post(0);
}
