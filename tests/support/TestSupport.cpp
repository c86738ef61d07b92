#include "tests/support/TestSupport.h"
#include "app/MainWnd.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <shellapi.h>

namespace test {

namespace {
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

std::string ProfileKey(const std::string& profile, const char* section)
{
    return "software\\VANTU\\" + profile + (section ? std::string("\\") + section : "");
}

void DeleteProfile(const std::string& profile) { RegDeleteTreeA(HKEY_CURRENT_USER, ProfileKey(profile).c_str()); }

void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, ProfileKey(profile, section).c_str(), name, type, data, size);
}

void SetDword(const std::string& profile, const char* section, const char* name, DWORD value)
{
    SetRaw(profile, section, name, REG_DWORD, &value, sizeof value);
}

long long GetDword(const std::string& profile, const char* section, const char* name)
{
    DWORD value = 0, size = sizeof value;
    return RegGetValueA(HKEY_CURRENT_USER, ProfileKey(profile, section).c_str(), name, RRF_RT_REG_DWORD, nullptr,
                        &value, &size) == ERROR_SUCCESS
               ? (int)value
               : kMissing;
}

std::wstring RunValue(const wchar_t* name)
{
    wchar_t buf[1024] = L"";
    DWORD size = sizeof buf;
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) ? L"<missing>" : buf;
}

void DeleteRunValue(const wchar_t* name) { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name); }

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount();;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(20, timeoutMs - elapsed), QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

namespace {
ScrollLockWatcher* s_watcher = nullptr;

LRESULT CALLBACK WatchKeys(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && s_watcher && reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->vkCode == VK_SCROLL)
        s_watcher->events.push_back(wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN);
    return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

ScrollLockWatcher::ScrollLockWatcher() : m_hook(SetWindowsHookExW(WH_KEYBOARD_LL, WatchKeys, GetModuleHandleW(nullptr), 0))
{
    s_watcher = this;
}

ScrollLockWatcher::~ScrollLockWatcher()
{
    UnhookWindowsHookEx(m_hook);
    s_watcher = nullptr;
}

bool ScrollLockWatcher::Saw(int switches, DWORD timeoutMs)
{
    const size_t expected = 4 * (size_t)switches;
    PumpUntil([&] { return events.size() >= expected; }, timeoutMs);
    PumpFor(500);  // nothing more may follow
    for (size_t i = 0; i < events.size(); ++i)
        if (events[i] != (i % 2 == 0)) return false;
    return events.size() == expected;
}

std::wstring Text(HWND wnd)
{
    wchar_t buf[512] = L"";
    GetWindowTextW(wnd, buf, 512);
    return buf;
}

std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* title, const wchar_t* cls, bool visible)
{
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls, title)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && (IsWindowVisible(w) || !visible)) found.push_back(w);
    }
    return found;
}

HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls, DWORD timeoutMs)
{
    std::vector<HWND> found;
    PumpUntil([&] { return !(found = WindowsOf(pid, title, cls)).empty(); }, timeoutMs);
    return found.empty() ? nullptr : found[0];
}

std::wstring AnswerBox(DWORD pid, const wchar_t* caption, HWND* owner, UINT answer)
{
    HWND box = FindWindowOf(pid, caption, L"#32770", 10000);
    if (!box) return L"<none>";
    if (owner) *owner = GetWindow(box, GW_OWNER);
    const std::wstring text = Text(GetDlgItem(box, 0xFFFF));  // the message box's text control
    if (answer) PostMessageW(box, WM_COMMAND, answer, 0);
    return text;
}

void Click(HWND dlg, int id) { SendDlgItemMessageW(dlg, id, BM_CLICK, 0, 0); }

bool TrayIconExists(HWND wnd)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = wnd;
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool HotKeyFree(UINT modifiers, UINT vk) { return RegisterHotKey(nullptr, 0x7123, modifiers, vk) && UnregisterHotKey(nullptr, 0x7123); }

namespace {
class TestApp : public CWinApp {
public:
    bool InitInstance() override { return true; }
} s_app;
}  // namespace

HWND Main()
{
    static CMainWnd* main = nullptr;
    if (!main) {
        AppSettings().UseRegistry(kRegistryKeyWord, kInProcessProfile);
        DeleteProfile(kInProcessProfile);
        s_app.m_pMainWnd = main = new CMainWnd;
        main->Create();
    }
    return main->GetSafeHwnd();
}

void ResetMain()
{
    for (HWND w : WindowsOf(GetCurrentProcessId(), nullptr))
        if (GetWindow(w, GW_OWNER) == Main()) PostMessageW(w, WM_CLOSE, 0, 0);
    PumpFor(50);
    UnregisterHotKey(Main(), 1);
    DeleteProfile(kInProcessProfile);
    DeleteRunValue(CWinApp::Get()->AppNameW());
}

std::wstring TestDir()
{
    const std::wstring path = ModulePathW().c_str();
    return path.substr(0, path.rfind(L'\\'));
}

std::wstring ProgramPath() { return TestDir() + L"\\Hopdeck.exe"; }

Program::Program(const std::wstring& args, const std::wstring& exe, const wchar_t* desktop)
{
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    if (CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
        CloseHandle(pi.hThread);
    }
}

Program::~Program()
{
    if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
        if (HWND main = MainWindow(false, 1000)) PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
        if (!WaitExit()) TerminateProcess(m_process, 1);
    }
    CloseHandle(m_process);
}

HWND Program::MainWindow(bool withIcon, DWORD timeoutMs)
{
    HWND main = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : WindowsOf(m_pid, nullptr, L"HopdeckMainWnd", false))
                if (!withIcon || TrayIconExists(w)) main = w;
            return main != nullptr;
        },
        timeoutMs);
    return main;
}

bool Program::WaitExit(DWORD timeoutMs)
{
    return PumpUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

DWORD Program::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(m_process, &code);
    return code;
}

}  // namespace test
