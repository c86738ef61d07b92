// The double press of a lock key that makes the KVM switch change PC.
//
// A KVM switch emulates the PC's keyboard and hears only what Windows sends to
// keyboards: the state of the three lock-key lights. Toggling a lock key from
// software changes that light on every keyboard, and a switch whose trigger is
// that key counts two toggles as a double press. Which key, and how quick the
// presses must be, depends on the switch.
#pragma once
#include <windows.h>

// One keyboard event (virtual-key code, scan code, KEYEVENTF_* flags); returns
// how many events Windows inserted: 0 when it refused it.
using KeyOutputFn = UINT (*)(BYTE vk, WORD scan, DWORD flags);
using SleepFn = void (*)(DWORD ms);

// Sends the event with SendInput.
UINT InjectKey(BYTE vk, WORD scan, DWORD flags);
// Sleep() on the calling thread.
void Wait(DWORD ms);

// The lock keys, as SWITCHKEY stores them (the store reads no other value).
// None is for a monitor with a built-in KVM switch alone: the switch then
// changes the monitors' inputs and sends no key.
enum SwitchKey { kScrollLock, kNumLock, kCapsLock, kNoKey, kSwitchKeyCount };

// The key down, up, down, up, each after a pause of `delayMs`, synchronously on
// the calling thread; the key's toggle state ends as it began. When Windows
// refuses an event (a window of an administrator, or a secure screen such as a
// UAC prompt or the lock screen, is in front) the sequence stops there: no
// further press is sent, and a press that went down is released again, so that
// the key is not left held. False then: the PC was not switched. `waitedMs`
// of the first pause have passed already (the monitors' inputs were set).
// kNoKey sends nothing and waits for nothing.
bool RunSwitchSequence(SwitchKey key, DWORD delayMs, KeyOutputFn output = InjectKey, SleepFn sleep = Wait,
                       DWORD waitedMs = 0);

// The key part of the switch as every trigger runs it: the stored key at the
// stored pace, then the hot-key presses that arrived while it ran are dropped.
// A held hot key repeats (Windows 7 and later stop that on request; some
// systems do not), and every repeat would switch the PC back and forth. False
// when Windows refused it.
bool SwitchPc(DWORD waitedMs = 0);
