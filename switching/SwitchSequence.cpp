#include "switching/SwitchSequence.h"

void InjectKey(BYTE vk, DWORD flags) { keybd_event(vk, 0, flags, 0); }

void Wait(DWORD ms) { Sleep(ms); }

void RunSwitchSequence(KeyOutputFn output, SleepFn sleep)
{
    static const DWORD kSteps[] = {0, KEYEVENTF_KEYUP, 0, KEYEVENTF_KEYUP};
    for (DWORD flags : kSteps) {
        sleep(kSwitchStepDelayMs);
        output(VK_SCROLL, flags);
    }
}

void SwitchPc()
{
    RunSwitchSequence();
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
    }
}
