#include "hidpp/HostWatch.h"
#include "hidpp/HidppDevice.h"
#include <new>

namespace {

// What the watching thread owns: its own copy of what it watches, and the
// stop event, which the watch only sets; the thread lets it go only once it
// is set, so that it may outlive the watch that started it.
struct CWatching {
    HWND wnd = nullptr;
    UINT message = 0;
    LPARAM generation = 0;
    HANDLE stop = nullptr;
    CStringW identity[kMaxWatched];
    int count = 0;

    CHidppChannel channels[kMaxHidppLinks];
    // The watched devices found on each link: their index and Change Host's.
    struct Known {
        BYTE index = 0, changeHost = 0;
        int identity = -1;
    } known[kMaxHidppLinks][8];

    ~CWatching()
    {
        if (stop) CloseHandle(stop);
    }

    // Knows the device on `link` if it is watched.
    void Know(int link, const HidppDevice& device)
    {
        for (int i = 0; i < count; ++i) {
            if (lstrcmpW(identity[i].c_str(), device.identity.c_str())) continue;
            for (Known& k : known[link]) {
                if (k.identity >= 0 && k.index != device.index) continue;
                k = {device.index, device.changeHost, i};
                break;
            }
        }
    }

    // Asks the device at `index` who it is; false when the watch was stopped.
    bool Learn(int link, BYTE index)
    {
        HidppDevice device;
        const Probe probe = ProbeDevice(channels[link], index, false, &device, stop);
        if (probe == Probe::Found) Know(link, device);
        return probe != Probe::Stopped;
    }

    // A report of a link: an announcement of a watched device, or a device
    // that came back and is to be known.
    bool Handle(int link, const BYTE* report, int length)
    {
        int host = 0;
        for (const Known& k : known[link])
            if (k.identity >= 0 && ReadHostAnnouncement(report, length, k.index, k.changeHost, &host) &&
                WaitForSingleObject(stop, 0) != WAIT_OBJECT_0)
                PostMessageW(wnd, message, WPARAM(k.identity), generation << 8 | LPARAM(host + 1));
        BYTE index = 0;
        bool up = false;
        if (!ReadLinkNotice(report, length, &index, &up) || !up) return true;
        for (const Known& k : known[link])
            if (k.identity >= 0 && k.index == index) return true;
        return Learn(link, index);
    }

    void Run()
    {
        HidppDevice devices[kMaxWatched];
        int linkOf[kMaxWatched], asleep = 0;
        const int found = FindHidppDevices(kWatchAsker, channels, devices, linkOf, kMaxWatched, false, &asleep, stop);
        for (int d = 0; d < found; ++d) Know(linkOf[d], devices[d]);
        for (;;) {
            HANDLE events[2 * kMaxHidppLinks + 1];
            int owner[2 * kMaxHidppLinks], collection[2 * kMaxHidppLinks], n = 0;
            for (int l = 0; l < kMaxHidppLinks; ++l)
                for (int c = 0; c < channels[l].Collections(); ++c) {
                    owner[n] = l;
                    collection[n] = c;
                    events[n++] = channels[l].ReadEvent(c);
                }
            events[n] = stop;
            const DWORD woken = WaitForMultipleObjects(DWORD(n + 1), events, FALSE, INFINITE);
            if (woken >= WAIT_OBJECT_0 + DWORD(n)) return;
            const int l = owner[woken - WAIT_OBJECT_0];
            BYTE report[kLongLength];
            int length = 0;
            CHidppChannel::Read read;
            while ((read = channels[l].TakeReport(collection[woken - WAIT_OBJECT_0], report, &length)) ==
                   CHidppChannel::kReport)
                if (!Handle(l, report, length)) return;
            // A receiver pulled out, a device gone to another host: its
            // link is given up until the watch starts again.
            if (read == CHidppChannel::kFailed) channels[l].Close();
        }
    }

    static DWORD WINAPI Thread(void* self)
    {
        auto* watching = static_cast<CWatching*>(self);
        watching->Run();
        WaitForSingleObject(watching->stop, INFINITE);
        delete watching;
        return 0;
    }
};

}  // namespace

void CHostWatch::Watch(HWND wnd, UINT message, const CStringW* identities, int count)
{
    Stop();
    if (count <= 0) return;
    auto* watching = new (std::nothrow) CWatching;
    if (!watching) return;
    watching->wnd = wnd;
    watching->message = message;
    watching->generation = ++m_generation & 0xFFFF;
    watching->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (; watching->count < count && watching->count < kMaxWatched; ++watching->count)
        watching->identity[watching->count] = identities[watching->count];
    HANDLE thread = watching->stop ? CreateThread(nullptr, 0, CWatching::Thread, watching, 0, nullptr) : nullptr;
    if (!thread) {
        delete watching;
        return;
    }
    CloseHandle(thread);
    m_stop = watching->stop;
}

void CHostWatch::Stop()
{
    // The thread ends by itself once it sees it, and closes it.
    if (m_stop) SetEvent(m_stop);
    m_stop = nullptr;
}
