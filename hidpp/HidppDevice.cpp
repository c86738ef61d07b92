#include "hidpp/HidppDevice.h"

namespace {

// One question, and what its outcome makes of the probe when it failed.
struct Asker {
    CHidppChannel& channel;
    BYTE index;
    HANDLE stop;
    Probe failed = Probe::Unusable;

    bool Ask(BYTE feature, BYTE function, const BYTE* params, int count, BYTE* answer)
    {
        BYTE code = 0;
        switch (channel.Ask(index, feature, function, params, count, answer, &code, stop)) {
        case CHidppChannel::kAnswered: return true;
        case CHidppChannel::kRefused:
            failed = code == kErrorUnknownDevice ? Probe::Nothing
                     : code == kErrorResource || code == kErrorConnectFail ? Probe::Asleep
                                                                            : Probe::Unusable;
            return false;
        case CHidppChannel::kNoAnswer: failed = Probe::Asleep; return false;
        case CHidppChannel::kStopped: failed = Probe::Stopped; return false;
        case CHidppChannel::kGone: break;
        }
        failed = Probe::Nothing;
        return false;
    }
    // The index of a feature; 0 when the device has none.
    bool Feature(WORD id, BYTE* at)
    {
        const BYTE params[2] = {BYTE(id >> 8), BYTE(id)};
        BYTE answer[kLongParams];
        if (!Ask(0, 0, params, 2, answer)) return false;
        *at = answer[0];
        return true;
    }
    // A text the device gives in pieces: `length` bytes from a function
    // that takes (params..., offset) and answers from `skip` bytes on.
    CStringW Text(BYTE feature, BYTE function, BYTE host, bool withHost, int length, int skip)
    {
        char text[64];
        int got = 0;
        if (length > 63) length = 63;
        while (got < length) {
            const BYTE params[2] = {withHost ? host : BYTE(got), BYTE(got)};
            BYTE answer[kLongParams];
            if (!Ask(feature, function, params, withHost ? 2 : 1, answer)) break;
            const int n = kLongParams - skip;
            for (int i = 0; i < n && got < length && answer[skip + i]; ++i) text[got++] = char(answer[skip + i]);
            if (!answer[skip]) break;
        }
        wchar_t wide[64];
        const int n = MultiByteToWideChar(CP_UTF8, 0, text, got, wide, 63);
        return CStringW(wide, n > 0 ? n : 0);
    }
};

void Hex(CStringW* text, const BYTE* bytes, int count)
{
    for (int i = 0; i < count; ++i) {
        wchar_t two[3];
        wsprintfW(two, L"%02X", bytes[i]);
        *text += two;
    }
}

}  // namespace

CStringW DeviceNameOf(const wchar_t* identity)
{
    const wchar_t* bar = identity;
    while (*bar && *bar != L'|') ++bar;
    return *bar ? CStringW(bar + 1) : CStringW(identity);
}

int FindHidppDevices(HidppAsker asker, CHidppChannel* channels, HidppDevice* devices, int* linkOf, int max, bool names,
                     int* asleep, HANDLE stop)
{
    HidppLink links[kMaxHidppLinks];
    const int linkCount = ListHidppLinks(links, kMaxHidppLinks);
    int count = 0;
    for (int l = 0; l < linkCount; ++l) {
        if (!channels[l].Open(links[l], asker)) continue;
        // 1-6 behind a receiver, and 0xFF: a device on its own, or the receiver itself.
        for (int i = channels[l].Receiver() ? 1 : 7; i <= 7 && count < max; ++i) {
            HidppDevice& device = devices[count];
            device = HidppDevice();
            const Probe probe = ProbeDevice(channels[l], i < 7 ? BYTE(i) : kOwnIndex, names, &device, stop);
            if (probe == Probe::Stopped) return count;
            if (probe == Probe::Asleep) ++*asleep;
            int seen = 0;
            while (seen < count && lstrcmpW(devices[seen].identity.c_str(), device.identity.c_str())) ++seen;
            if (probe != Probe::Found || seen < count) continue;
            linkOf[count++] = l;
        }
    }
    return count;
}

Probe ProbeDevice(CHidppChannel& channel, BYTE index, bool names, HidppDevice* device, HANDLE stop)
{
    Asker ask = {channel, index, stop};
    BYTE info = 0, name = 0, hostsInfo = 0, answer[kLongParams];
    // The first question tells a HID++ 2.0 device (or that none answers).
    if (!ask.Feature(kDeviceInfoFeature, &info)) return ask.failed;
    if (!info || !ask.Feature(kChangeHostFeature, &device->changeHost) || !device->changeHost) return Probe::Nothing;
    device->index = index;
    if (!ask.Ask(info, 0, nullptr, 0, answer)) return ask.failed;
    CStringW identity;
    Hex(&identity, answer + 7, 6);  // the model id
    identity += L"-";
    Hex(&identity, answer + 1, 4);  // the unit id
    if (!ask.Ask(device->changeHost, 0, nullptr, 0, answer)) return ask.failed;
    device->hosts = answer[0] < kMaxHosts ? answer[0] : kMaxHosts;
    device->current = answer[1];
    if (!device->hosts) return Probe::Nothing;
    if (!ask.Feature(kDeviceNameFeature, &name)) return ask.failed;
    CStringW shown = identity;
    if (name && ask.Ask(name, 0, nullptr, 0, answer)) shown = ask.Text(name, 1, 0, false, answer[0], 0);
    if (name && ask.Ask(name, 2, nullptr, 0, answer)) device->keyboard = answer[0] == 0 || answer[0] == 2;
    (identity += L"|") += shown;
    device->identity = identity;
    if (!names || !ask.Feature(kHostsInfoFeature, &hostsInfo) || !hostsInfo) return Probe::Found;
    // Its hosts' names, where it can tell them.
    if (!ask.Ask(hostsInfo, 0, nullptr, 0, answer) || !(answer[0] & 0x01)) return Probe::Found;
    for (int host = 0; host < device->hosts; ++host) {
        const BYTE params[1] = {BYTE(host)};
        if (ask.Ask(hostsInfo, 1, params, 1, answer) && answer[1])
            device->hostName[host] = ask.Text(hostsInfo, 3, BYTE(host), true, answer[4], 2);
    }
    return Probe::Found;
}
