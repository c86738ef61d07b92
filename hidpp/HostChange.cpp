#include "hidpp/HostChange.h"
#include "hidpp/HidppDevice.h"
#include <new>

namespace {

constexpr DWORD kKeysUpMs = 1000;

// One change at a time, on a thread that runs while there is one waiting.
struct CChanges {
    CChanges() { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    bool running = false;
    bool waiting = false;
    HostChange pending;
};
CChanges* Changes()
{
    static CChanges* changes = new (std::nothrow) CChanges;
    return changes;
}

void WaitForKeysUp(UINT key)
{
    // Polled a short while: the hot key's keys are up within a fraction of a
    // second, and nothing announces it to a thread without a window.
    static const int kModifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU, VK_LWIN, VK_RWIN};
    for (const DWORD start = GetTickCount(); GetTickCount() - start < kKeysUpMs; Sleep(10)) {
        bool held = key && (GetAsyncKeyState(int(key)) & 0x8000);
        for (int vk : kModifiers) held = held || (GetAsyncKeyState(vk) & 0x8000);
        if (!held) return;
    }
}

struct Found {
    int link = -1;
    HidppDevice device;
};

}  // namespace

WPARAM ChangeHostsNow(const HostChange& change)
{
    HidppLink links[kMaxHidppLinks];
    CHidppChannel channels[kMaxHidppLinks];
    const int linkCount = ListHidppLinks(links, kMaxHidppLinks);
    Found found[kMaxPcDevices];
    int missing = change.count;
    for (int l = 0; l < linkCount && missing; ++l) {
        if (!channels[l].Open(links[l])) continue;
        BYTE indexes[8];
        const int indexCount = DeviceIndexes(channels[l], indexes);
        for (int i = 0; i < indexCount && missing; ++i) {
            HidppDevice device;
            if (ProbeDevice(channels[l], indexes[i], false, &device) != Probe::Found) continue;
            for (int t = 0; t < change.count; ++t) {
                if (found[t].link >= 0 || lstrcmpW(change.target[t].identity.c_str(), device.identity.c_str())) continue;
                found[t].link = l;
                found[t].device = device;
                --missing;
            }
        }
    }
    WPARAM failed = 0;
    for (int keyboards = 0; keyboards < 2; ++keyboards) {
        if (keyboards) WaitForKeysUp(change.heldKey);
        for (int t = 0; t < change.count; ++t) {
            const HidppDevice& device = found[t].device;
            if (found[t].link >= 0 && device.keyboard != (keyboards != 0)) continue;
            const int host = change.target[t].host;
            if (found[t].link < 0 || host < 1 || host > device.hosts) {
                failed |= WPARAM(1) << t;
                continue;
            }
            // One that is there already stays.
            const BYTE params[1] = {BYTE(host - 1)};
            if (device.current != host - 1 && !channels[found[t].link].Send(device.index, device.changeHost, 1, params, 1))
                failed |= WPARAM(1) << t;
        }
    }
    return failed;
}

namespace {

void PostOutcome(const HostChange& change, WPARAM failed)
{
    PostMessageW(change.notify, change.message, failed, change.ticket);
}

DWORD WINAPI Run(void* state)
{
    auto* changes = static_cast<CChanges*>(state);
    for (;;) {
        EnterCriticalSection(&changes->lock);
        if (!changes->waiting) {
            changes->running = false;
            LeaveCriticalSection(&changes->lock);
            return 0;
        }
        const HostChange change = changes->pending;
        changes->waiting = false;
        LeaveCriticalSection(&changes->lock);
        PostOutcome(change, ChangeHostsNow(change));
    }
}

}  // namespace

LPARAM QueueHostChange(const HostChange& change)
{
    CChanges* changes = Changes();
    if (!changes) {
        PostOutcome(change, (WPARAM(1) << change.count) - 1);
        return 0;
    }
    EnterCriticalSection(&changes->lock);
    const LPARAM replaced = changes->waiting ? changes->pending.ticket : 0;
    const bool start = !changes->running;
    changes->pending = change;
    changes->waiting = changes->running = true;
    LeaveCriticalSection(&changes->lock);
    if (!start) return replaced;
    HANDLE thread = CreateThread(nullptr, 0, Run, changes, 0, nullptr);
    if (thread) {
        // It ends by itself; nothing waits for it by its handle.
        CloseHandle(thread);
        return replaced;
    }
    EnterCriticalSection(&changes->lock);
    changes->waiting = changes->running = false;
    LeaveCriticalSection(&changes->lock);
    PostOutcome(change, (WPARAM(1) << change.count) - 1);
    return replaced;
}
