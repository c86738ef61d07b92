#include "tests/support/TestSupport.h"
#include "framework/System.h"
#include "res/resource.h"
#include <shellapi.h>
#include <cstring>
#include <thread>

namespace test {

namespace {
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
}

// ---------------------------------------------------------------- registry

std::string ProfileKey(const std::string& profile, const char* section)
{
    return "software\\VANTU\\" + profile + (section ? std::string("\\") + section : "");
}

void DeleteProfile(const std::string& profile) { RegDeleteTreeA(HKEY_CURRENT_USER, ProfileKey(profile).c_str()); }

void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data,
            DWORD size)
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
    if (RegGetValueA(HKEY_CURRENT_USER, ProfileKey(profile, section).c_str(), name, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return kMissing;
    return (int)value;
}

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::wstring RunValue(const wchar_t* name)
{
    wchar_t buf[1024] = L"";
    DWORD size = sizeof buf;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buf;
}

void DeleteRunValue(const wchar_t* name) { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name); }

// ---------------------------------------------------------------- waiting

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
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

// ---------------------------------------------------------------- keyboard

namespace {
ScrollLockWatcher* s_watcher = nullptr;
}

ScrollLockWatcher::ScrollLockWatcher() : m_hook(SetWindowsHookExW(WH_KEYBOARD_LL, Hook, GetModuleHandleW(nullptr), 0))
{
    s_watcher = this;
}

ScrollLockWatcher::~ScrollLockWatcher()
{
    if (m_hook) UnhookWindowsHookEx(m_hook);
    s_watcher = nullptr;
}

LRESULT CALLBACK ScrollLockWatcher::Hook(int code, WPARAM wp, LPARAM lp)
{
    auto* key = reinterpret_cast<KBDLLHOOKSTRUCT*>(lp);
    if (code == HC_ACTION && s_watcher && key->vkCode == VK_SCROLL)
        s_watcher->events.push_back(wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN);
    return CallNextHookEx(nullptr, code, wp, lp);
}

bool ScrollLockWatcher::Saw(int switches, DWORD timeoutMs)
{
    const size_t expected = 4 * (size_t)switches;
    PumpUntil([&] { return events.size() >= expected; }, timeoutMs);
    PumpFor(500);  // nothing more may follow
    bool alternating = true;
    for (size_t i = 0; i < events.size(); ++i) alternating = alternating && events[i] == (i % 2 == 0);
    return events.size() == expected && alternating;
}

// ---------------------------------------------------------------- windows

std::wstring Text(HWND wnd)
{
    wchar_t buf[512] = L"";
    GetWindowTextW(wnd, buf, 512);
    return buf;
}

namespace {

std::vector<HWND> VisibleWindowsOf(DWORD pid, const wchar_t* title, const wchar_t* cls)
{
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls, title)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w)) found.push_back(w);
    }
    return found;
}

}  // namespace

HWND FindWindowOf(DWORD pid, const wchar_t* title, const wchar_t* cls, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            auto all = VisibleWindowsOf(pid, title, cls);
            found = all.empty() ? nullptr : all.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

int CountDialogs(DWORD pid, const wchar_t* title) { return (int)VisibleWindowsOf(pid, title, L"#32770").size(); }

bool Checked(HWND dlg, int id) { return SendDlgItemMessageW(dlg, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void Click(HWND dlg, int id) { SendDlgItemMessageW(dlg, id, BM_CLICK, 0, 0); }

bool TrayIconExists(HWND wnd)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = wnd;
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

bool HotKeyFree(UINT modifiers, UINT vk)
{
    if (!RegisterHotKey(nullptr, 0x7123, modifiers, vk)) return false;
    UnregisterHotKey(nullptr, 0x7123);
    return true;
}

BoxWatch::BoxWatch(DWORD pid, std::wstring caption, std::function<void(HWND)> answer)
{
    m_thread = new std::thread([=] {
        HWND box = FindWindowOf(pid, caption.c_str(), L"#32770", 10000);
        if (!box) return;
        m_found = true;
        text = Text(GetDlgItem(box, 0xFFFF));  // the message box's text control
        owner = GetWindow(box, GW_OWNER);
        if (answer)
            answer(box);
        else
            PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
}

bool BoxWatch::Wait()
{
    auto* t = static_cast<std::thread*>(m_thread);
    if (t && t->joinable()) t->join();
    return m_found;
}

BoxWatch::~BoxWatch()
{
    Wait();
    delete static_cast<std::thread*>(m_thread);
}

// ---------------------------------------------------------------- the program

std::wstring TestDir()
{
    std::wstring path = ModulePathW().c_str();
    return path.substr(0, path.find_last_of(L'\\'));
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
    if (!m_process) return;
    if (WaitForSingleObject(m_process, 0) != WAIT_OBJECT_0) {
        if (HWND main = MainWindow(false, 1000)) PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
        if (!WaitExit(10000)) TerminateProcess(m_process, 1);
    }
    CloseHandle(m_process);
}

HWND Program::MainWindow(bool withIcon, DWORD timeoutMs)
{
    if (!m_main || !IsWindow(m_main)) {
        m_main = nullptr;
        PumpUntil(
            [&] {
                for (HWND w = nullptr; !m_main && (w = FindWindowExW(nullptr, w, L"HopdeckMainWnd", nullptr));) {
                    DWORD pid = 0;
                    GetWindowThreadProcessId(w, &pid);
                    if (pid == m_pid) m_main = w;
                }
                return m_main != nullptr;
            },
            timeoutMs);
    }
    if (m_main && withIcon && !PumpUntil([&] { return TrayIconExists(m_main); }, timeoutMs)) return nullptr;
    return m_main;
}

void Program::Command(UINT id) { PostMessageW(MainWindow(false), WM_COMMAND, id, 0); }

bool Program::WaitExit(DWORD timeoutMs)
{
    return m_process && PumpUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

DWORD Program::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_process) GetExitCodeProcess(m_process, &code);
    return code;
}

}  // namespace test
