// Helpers shared by the tests: the registry, a bounded message pump, a
// low-level keyboard hook, and a running Hopdeck.exe seen from outside.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace test {

// --- registry: HKCU\software\VANTU\<profile>\<section> and the Run key ----
constexpr long long kMissing = -999999;
std::string ProfileKey(const std::string& profile, const char* section = nullptr);
void DeleteProfile(const std::string& profile);
void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data,
            DWORD size);
void SetDword(const std::string& profile, const char* section, const char* name, DWORD value);
// A REG_DWORD read back; kMissing when it is absent or of another type.
long long GetDword(const std::string& profile, const char* section, const char* name);
bool KeyExists(const std::string& path);
// The Run value of that name; L"<missing>" when there is none.
std::wstring RunValue(const wchar_t* name);
void DeleteRunValue(const wchar_t* name);

// --- waiting ----------------------------------------------------------------
// Pumps this thread's messages until done() is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// --- keyboard ----------------------------------------------------------------
// Scroll Lock events seen by a WH_KEYBOARD_LL hook of this thread while it
// pumps messages: true for a key-down. One watcher at a time.
class ScrollLockWatcher {
public:
    ScrollLockWatcher();
    ~ScrollLockWatcher();
    ScrollLockWatcher(const ScrollLockWatcher&) = delete;
    ScrollLockWatcher& operator=(const ScrollLockWatcher&) = delete;
    // Waits for `switches` switches (four events each), then a while longer so
    // that a surplus shows; true when exactly that many came, down/up in turn.
    bool Saw(int switches, DWORD timeoutMs = 5000);
    std::vector<bool> events;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp);
    HHOOK m_hook;
};

// --- windows -----------------------------------------------------------------
std::wstring Text(HWND wnd);
// A visible top-level window of a process with that title (and class, if
// given), waited for.
HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls = nullptr, DWORD timeoutMs = 5000);
// Visible dialog-class windows (#32770: dialogs and message boxes) of a process with that title.
int CountDialogs(DWORD pid, const wchar_t* title);
bool Checked(HWND dlg, int id);
void Click(HWND dlg, int id);
// Whether the tray icon (wnd, id 0) exists: NIM_MODIFY succeeds exactly then.
bool TrayIconExists(HWND wnd);
// Whether a hot-key combination is free: registers and releases it at once.
bool HotKeyFree(UINT modifiers, UINT vk);

// Waits on a thread of its own for a message box (a dialog with the given
// caption) of a process, notes what it shows and answers it, by default with
// its OK button, so a modal box never hangs a test.
class BoxWatch {
public:
    BoxWatch(DWORD pid, std::wstring caption, std::function<void(HWND box)> answer = nullptr);
    ~BoxWatch();
    BoxWatch(const BoxWatch&) = delete;
    BoxWatch& operator=(const BoxWatch&) = delete;
    // Joins the thread; whether a box came within 10 s.
    bool Wait();
    std::wstring text;
    HWND owner = nullptr;

private:
    void* m_thread = nullptr;
    bool m_found = false;
};

// --- the program ---------------------------------------------------------------
std::wstring TestDir();
// Hopdeck.exe, next to the test programs.
std::wstring ProgramPath();

// One started process of Hopdeck.exe (or a copy). The destructor ends it.
class Program {
public:
    explicit Program(const std::wstring& args = L"", const std::wstring& exe = ProgramPath(),
                     const wchar_t* desktop = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    DWORD Pid() const { return m_pid; }
    // The main window, once start-up has finished (with its tray icon, unless
    // told not to wait for it).
    HWND MainWindow(bool withIcon = true, DWORD timeoutMs = 10000);
    HWND Window(const wchar_t* title, DWORD timeoutMs = 5000) { return FindWindowOf(m_pid, title, nullptr, timeoutMs); }
    void Command(UINT id);
    bool WaitExit(DWORD timeoutMs = 10000);
    DWORD ExitCode() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    HWND m_main = nullptr;
};

}  // namespace test
