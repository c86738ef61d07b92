#include "switching/SwitchSequence.h"
#include "core/SettingsStore.h"

namespace {

struct LockKey {
    BYTE vk;
    WORD scan;
    DWORD flags;
};

// As a keyboard sends them: Num Lock is one of the extended keys.
const LockKey kLockKeys[kNoKey] = {
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

bool RunSwitchSequence(SwitchKey key, DWORD delayMs, KeyOutputFn output, SleepFn sleep, DWORD waitedMs)
{
    if (key < 0 || key >= kNoKey) return true;
    const LockKey& k = kLockKeys[key];
    static const DWORD kSteps[] = {0, KEYEVENTF_KEYUP, 0, KEYEVENTF_KEYUP};
    for (DWORD step : kSteps) {
        // Only the first pause is shortened, by the time the monitors took.
        sleep(delayMs - (waitedMs < delayMs ? waitedMs : delayMs));
        waitedMs = 0;
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

bool SwitchPc(DWORD waitedMs)
{
    const bool switched = RunSwitchSequence(static_cast<SwitchKey>(ReadOption(Option::SWITCHKEY)),
                                            static_cast<DWORD>(ReadOption(Option::SWITCHDELAY)), InjectKey, Wait,
                                            waitedMs);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
    return switched;
}
