// Helpers shared by the tests: the registry, waiting, the keyboard, windows,
// the program's main window in this process, and Hopdeck.exe in its own.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace test {

// HKCU\software\VANTU\<profile>\<section>, and the Run key.
constexpr long long kMissing = -999999;
std::string ProfileKey(const std::string& profile, const char* section = nullptr);
void DeleteProfile(const std::string& profile);
void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data, DWORD size);
void SetDword(const std::string& profile, const char* section, const char* name, DWORD value);
long long GetDword(const std::string& profile, const char* section, const char* name);  // kMissing if no DWORD
std::wstring RunValue(const wchar_t* name);  // L"<missing>" when there is none
void DeleteRunValue(const wchar_t* name);

// Pumps this thread's messages until done() is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

// Scroll Lock events (true: down) that a WH_KEYBOARD_LL hook of this thread
// sees while it pumps messages.
class ScrollLockWatcher {
public:
    ScrollLockWatcher();
    ~ScrollLockWatcher();
    // True when exactly `switches` switches (down, up, down, up) come, and no more.
    bool Saw(int switches, DWORD timeoutMs = 5000);
    std::vector<bool> events;

private:
    HHOOK m_hook;
};

std::wstring Text(HWND wnd);
// The (visible) top-level windows of a process with that title (any, for
// null) and class; the first visible one, waited for.
std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* title, const wchar_t* cls = L"#32770", bool visible = true);
HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls = L"#32770", DWORD timeoutMs = 5000);
// Waits for a message box (by caption) of a process, answers it (OK unless
// told otherwise; 0 leaves it up) and returns its text; L"<none>" if none came.
std::wstring AnswerBox(DWORD pid, const wchar_t* caption, HWND* owner = nullptr, UINT answer = IDOK);
void Click(HWND dlg, int id);
bool TrayIconExists(HWND wnd);  // NIM_MODIFY succeeds exactly then
bool HotKeyFree(UINT modifiers, UINT vk);

// The program's own main window in this process, made on first use over
// kInProcessProfile; and a clean slate: its windows closed, the profile, hot
// key and Run value gone.
constexpr char kInProcessProfile[] = "HopdeckInProcessTest";
HWND Main();
void ResetMain();

std::wstring TestDir();
std::wstring ProgramPath();  // Hopdeck.exe, beside the tests

// One started process of Hopdeck.exe (or a copy); the destructor ends it.
class Program {
public:
    explicit Program(const std::wstring& args = L"", const std::wstring& exe = ProgramPath(),
                     const wchar_t* desktop = nullptr);
    ~Program();
    DWORD Pid() const { return m_pid; }
    // The main window once start-up has finished (with its tray icon, unless not asked to).
    HWND MainWindow(bool withIcon = true, DWORD timeoutMs = 10000);
    HWND Window(const wchar_t* title, DWORD timeoutMs = 5000) { return FindWindowOf(m_pid, title, nullptr, timeoutMs); }
    void Command(UINT id) { PostMessageW(MainWindow(false), WM_COMMAND, id, 0); }
    bool WaitExit(DWORD timeoutMs = 10000);
    DWORD ExitCode() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

}  // namespace test
