#include "hidpp/HostChange.h"
#include "hidpp/DeviceReading.h"
#include <new>

namespace {

constexpr DWORD kKeysUpMs = 1000;

// One change at a time, on a thread that runs while there is one waiting.
struct CChanges {
    CChanges() : idle(CreateEventW(nullptr, TRUE, TRUE, nullptr)) { InitializeCriticalSection(&lock); }
    CRITICAL_SECTION lock;
    HANDLE idle;
    bool running = false;
    bool waiting = false;
    HostChange pending;
    // Set when everything is dropped: the change under way tells no more devices.
    volatile LONG dropped = 0;
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

}  // namespace

WPARAM ChangeHostsNow(const HostChange& change, const volatile LONG* dropped)
{
    CHidppChannel channels[kMaxHidppLinks];
    HidppDevice devices[kMaxListedDevices];
    int linkOf[kMaxListedDevices], asleep = 0;
    const int count = FindHidppDevices(kChangeAsker, channels, devices, linkOf, kMaxListedDevices, false, &asleep);
    WPARAM failed = 0;
    for (int keyboards = 0; keyboards < 2; ++keyboards) {
        if (keyboards) WaitForKeysUp(change.heldKey);
        for (int t = 0; t < change.count; ++t) {
            int d = 0;
            while (d < count && lstrcmpW(devices[d].identity.c_str(), change.target[t].identity.c_str())) ++d;
            const HidppDevice& device = devices[d < count ? d : 0];
            if (d < count && device.keyboard != (keyboards != 0)) continue;
            const int host = change.target[t].host;
            // One that is there already stays.
            const BYTE params[1] = {BYTE(host - 1)};
            if (d == count || host < 1 || host > device.hosts || (dropped && *dropped) ||
                (device.current != host - 1 && !channels[linkOf[d]].Send(device.index, device.changeHost, 1, params, 1)))
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
            SetEvent(changes->idle);
            LeaveCriticalSection(&changes->lock);
            return 0;
        }
        const HostChange change = changes->pending;
        changes->waiting = false;
        changes->dropped = 0;
        LeaveCriticalSection(&changes->lock);
        const WPARAM failed = ChangeHostsNow(change, &changes->dropped);
        // Dropped on its way, nobody is to be warned of what did not go.
        PostOutcome(change, changes->dropped ? WPARAM(-1) : failed);
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
    ResetEvent(changes->idle);
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
    SetEvent(changes->idle);
    LeaveCriticalSection(&changes->lock);
    PostOutcome(change, (WPARAM(1) << change.count) - 1);
    return replaced;
}

void FinishHostChanges(DWORD ms)
{
    CChanges* changes = Changes();
    if (!changes || WaitForSingleObject(changes->idle, ms) == WAIT_OBJECT_0) return;
    EnterCriticalSection(&changes->lock);
    const bool waiting = changes->waiting;
    changes->waiting = false;
    changes->dropped = 1;
    LeaveCriticalSection(&changes->lock);
    if (waiting) PostOutcome(changes->pending, WPARAM(-1));
}
