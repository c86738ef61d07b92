// Drives Hopdeck.exe from outside, as a user and the desktop do: starts it,
// finds its windows, answers its message boxes, sets its registry profile.
// The screenshot tool and the program's end-to-end tests share it.
#pragma once
#include <windows.h>
#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace driver {

// Pumps this thread's messages until done() is true or the time is up.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD ms);

std::wstring Text(HWND wnd);
// The (visible) top-level windows of a process with that title (any, for
// null) and class; the first visible one, waited for.
std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* title, const wchar_t* cls = L"#32770", bool visible = true);
HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls = L"#32770", DWORD timeoutMs = 5000);
// Waits for a message box (by caption) of a process, answers it (OK unless
// told otherwise; 0 leaves it up) and returns its text; L"<none>" if none came.
std::wstring AnswerBox(DWORD pid, const wchar_t* caption, HWND* owner = nullptr, UINT answer = IDOK);
bool TrayIconExists(HWND wnd);  // NIM_MODIFY succeeds exactly then

// HKCU\software\VANTU\<profile>\<section>: a program's profile.
constexpr long long kMissing = -999999;
std::string ProfileKey(const std::string& profile, const char* section = nullptr);
void DeleteProfile(const std::string& profile);
void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data,
            DWORD size);
void SetDword(const std::string& profile, const char* section, const char* name, DWORD value);
long long GetDword(const std::string& profile, const char* section, const char* name);  // kMissing if no DWORD
void SetString(const std::string& profile, const char* section, const char* name, const wchar_t* value);
std::wstring GetString(const std::string& profile, const char* section, const char* name);  // L"<missing>"

// A USB device arriving or leaving, told to a window (of any process) as
// Windows tells it: WM_DEVICECHANGE with the device's interface record, of
// the USB device class unless another is given.
void SendDeviceChange(HWND wnd, bool arrived, const wchar_t* path, const GUID* interfaceClass = nullptr);

// A KVM switch's control port on 127.0.0.1: it takes each connection and
// keeps what arrives on it, and when. Or a port where nothing listens, or
// one whose queue is full, so that a connection is never answered.
class KvmListener {
public:
    enum Mode { kListen, kRefuse, kNeverAnswer };
    explicit KvmListener(Mode mode = kListen);
    ~KvmListener();
    int Port() const { return m_port; }
    // One command a connection, its bytes, and QueryPerformanceCounter at its first byte.
    std::vector<std::pair<std::string, LONGLONG>> Received();
    bool WaitFor(size_t commands, DWORD timeoutMs = 5000);
    // While on, each connection is answered a byte every 100 ms for as long
    // as it stays open, as a switch whose answer takes a while to end.
    void Chatter(bool on) { InterlockedExchange(&m_chatter, on); }

private:
    static DWORD WINAPI Accept(void* self);
    volatile LONG m_chatter = 0;
    UINT_PTR m_socket = ~UINT_PTR(0), m_filler = ~UINT_PTR(0);
    int m_port = 0;
    std::vector<std::pair<std::string, LONGLONG>> m_received;
    CRITICAL_SECTION m_lock;
    HANDLE m_thread = nullptr;
};

// The folder of this program, and Hopdeck.exe in it.
std::wstring ExeDir();
std::wstring ProgramPath();

// One started process of Hopdeck.exe (or a copy); the destructor ends it.
class Program {
public:
    explicit Program(const std::wstring& args = L"", const std::wstring& exe = ProgramPath(),
                     const wchar_t* desktop = nullptr);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    DWORD Pid() const { return m_pid; }
    // The main window once start-up has finished (with its tray icon, unless not asked to).
    HWND MainWindow(bool withIcon = true, DWORD timeoutMs = 10000);
    HWND Window(const wchar_t* title, DWORD timeoutMs = 5000) { return FindWindowOf(m_pid, title, nullptr, timeoutMs); }
    // A command of its tray menu, posted as the menu does.
    void Command(UINT id) { PostMessageW(MainWindow(false), WM_COMMAND, id, 0); }
    bool WaitExit(DWORD timeoutMs = 10000);
    DWORD ExitCode() const;

private:
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

}  // namespace driver
