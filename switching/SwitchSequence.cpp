#include "switching/SwitchSequence.h"
#include "core/SettingsStore.h"

namespace {

struct LockKey {
    BYTE vk;
    WORD scan;
    DWORD flags;
};

// As a keyboard sends them: Num Lock is one of the extended keys.
const LockKey kLockKeys[kSwitchKeyCount] = {
    {VK_SCROLL, 0x46, 0},
    {VK_NUMLOCK, 0x45, KEYEVENTF_EXTENDEDKEY},
    {VK_CAPITAL, 0x3A, 0},
};

}  // namespace

UINT InjectKey(BYTE vk, WORD scan, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = scan;
    input.ki.dwFlags = flags;
    return SendInput(1, &input, sizeof input);
}

void Wait(DWORD ms) { Sleep(ms); }

bool RunSwitchSequence(SwitchKey key, DWORD delayMs, KeyOutputFn output, SleepFn sleep)
{
    const LockKey& k = kLockKeys[key];
    static const DWORD kSteps[] = {0, KEYEVENTF_KEYUP, 0, KEYEVENTF_KEYUP};
    for (DWORD step : kSteps) {
        sleep(delayMs);
        if (output(k.vk, k.scan, k.flags | step)) continue;
        // The release of a press that went in was refused: once more, a pace
        // later, so that a half sequence does not leave the key held down.
        if (step == KEYEVENTF_KEYUP) {
            sleep(delayMs);
            output(k.vk, k.scan, k.flags | KEYEVENTF_KEYUP);
        }
        return false;
    }
    return true;
}

bool SwitchPc()
{
    const bool switched = RunSwitchSequence(static_cast<SwitchKey>(ReadOption(Option::SWITCHKEY)),
                                            static_cast<DWORD>(ReadOption(Option::SWITCHDELAY)));
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
    return switched;
}
