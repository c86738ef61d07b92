// The Scroll Lock double press that makes the KVM switch change PC.
#pragma once
#include <windows.h>

// One keyboard event: virtual-key code and keybd_event flags.
using KeyOutputFn = void (*)(BYTE vk, DWORD flags);
using SleepFn = void (*)(DWORD ms);

// Injects the key event with keybd_event (scan code 0, no extra information).
void InjectKey(BYTE vk, DWORD flags);
// Sleep() on the calling thread.
void Wait(DWORD ms);

constexpr DWORD kSwitchStepDelayMs = 200;

// Scroll Lock down, up, down, up, each after a 200 ms pause: at least 800 ms,
// synchronously on the calling thread. Scroll Lock ends in the state it began.
void RunSwitchSequence(KeyOutputFn output = InjectKey, SleepFn sleep = Wait);

// The switch as every trigger runs it: the sequence, then the hot-key presses
// that arrived while it ran are dropped. A held hot key repeats (Windows 7 and
// later stop that on request; some systems do not), and every repeat would
// switch the PC back and forth.
void SwitchPc();
