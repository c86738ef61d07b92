// Helpers shared by the tests: registry set-up, a running Hopdeck.exe seen from
// outside, a low-level keyboard hook and a bounded message pump.
#pragma once
#include "framework/String.h"
#include <windows.h>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Lets GoogleTest print the program's strings in failure messages.
inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << s.c_str() << '"'; }

namespace test {

// --- registry -------------------------------------------------------------
// HKCU\software\VANTU\<profile>\<section>
std::string ProfileKey(const std::string& profile, const char* section = nullptr);
void DeleteProfile(const std::string& profile);
void SetDword(const std::string& profile, const char* section, const char* name, DWORD value);
void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data,
            DWORD size);
// Type and bytes of a stored value; false when it does not exist.
bool GetRaw(const std::string& profile, const char* section, const char* name, DWORD* type,
            std::vector<BYTE>* data);
bool KeyExists(HKEY root, const std::string& path);
// A REG_DWORD read back, or `missing` when it is absent or of another type.
long long GetDword(const std::string& profile, const char* section, const char* name, long long missing = -999999);

// --- waiting ---------------------------------------------------------------
// Pumps this thread's messages until done() is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// --- keyboard --------------------------------------------------------------
// Records Scroll Lock events seen by a WH_KEYBOARD_LL hook on this thread while
// it pumps messages. One watcher at a time.
class ScrollLockWatcher {
public:
    struct Event {
        bool down;
        bool injected;
        DWORD time;
    };
    ScrollLockWatcher();
    ~ScrollLockWatcher();
    ScrollLockWatcher(const ScrollLockWatcher&) = delete;
    ScrollLockWatcher& operator=(const ScrollLockWatcher&) = delete;
    // Pumps until `count` events arrived or the time is up; then the events.
    const std::vector<Event>& WaitFor(size_t count, DWORD timeoutMs);
    const std::vector<Event>& Events() const { return m_events; }
    void Clear() { m_events.clear(); }
    void Reserve(size_t n) { m_events.reserve(n); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
    HHOOK m_hook;
    std::vector<Event> m_events;
};

// --- the program ----------------------------------------------------------
// Path of Hopdeck.exe, next to the test program.
std::string ProgramPath();
std::string TestDir();

// One started process of Hopdeck.exe (or a copy). The destructor ends it.
class Program {
public:
    explicit Program(const std::string& path = ProgramPath());
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_process != nullptr; }
    // The main window (title "Hopdeck", this process), waited for until start-up
    // has finished: the window exists and its tray icon has been added.
    HWND MainWindow(DWORD timeoutMs = 10000);
    // A visible top-level window of this process with that title, waited for.
    HWND FindWindowOf(const wchar_t* title, DWORD timeoutMs = 5000);
    // How many visible top-level windows of this process have that title.
    int CountWindows(const wchar_t* title);
    // The visible pop-up menu of this process, if one is open.
    HWND OpenMenu();
    // The visible hot switch (the dialog with an empty caption), waited for.
    HWND HotSwitch(DWORD timeoutMs = 5000);
    bool WaitExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    DWORD Pid() const { return m_pid; }
    // Posts ID_EXIT and waits; terminates the process if it does not end.
    bool Exit(DWORD timeoutMs = 10000);
    void Command(UINT id);

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    HWND m_main = nullptr;
};

// All top-level windows of a process with a given title (visible or not).
std::vector<HWND> WindowsOf(DWORD pid, const char* title);
// Whether the tray icon (wnd, id 0) exists: NIM_MODIFY succeeds exactly then.
bool TrayIconExists(HWND wnd);
// Whether a hot-key combination is free: registers and releases it at once.
bool HotKeyFree(UINT modifiers, UINT vk);
// A visible dialog-class window (#32770: dialogs and message boxes) of a
// process with the given caption, waited for.
HWND FindDialogWindow(DWORD pid, const char* caption, DWORD timeoutMs);
std::string WindowText(HWND wnd);
std::wstring WindowTextW(HWND wnd);

// Waits on a thread of its own for a message box (dialog class #32770 with the
// given caption) of a process, notes what it showed and presses its OK button,
// so a modal box never hangs a test. Wait() joins and tells whether one came.
class MessageBoxCloser {
public:
    // watch: a window whose enabled state while the box is shown is noted.
    MessageBoxCloser(DWORD pid, std::string caption, DWORD timeoutMs = 10000, HWND watch = nullptr);
    ~MessageBoxCloser();
    MessageBoxCloser(const MessageBoxCloser&) = delete;
    MessageBoxCloser& operator=(const MessageBoxCloser&) = delete;
    bool Wait();

    std::wstring text;            // the message
    HWND owner = nullptr;         // the box's owner window
    bool watchedEnabled = true;   // whether `watch` was enabled meanwhile

private:
    void* m_thread = nullptr;
    bool m_found = false;
};

}  // namespace test
