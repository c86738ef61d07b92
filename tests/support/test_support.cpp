#include "tests/support/test_support.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include <shellapi.h>
#include <cstring>
#include <thread>

namespace test {

// ---------------------------------------------------------------- registry

std::string ProfileKey(const std::string& profile, const char* section)
{
    std::string key = "software\\VANTU\\" + profile;
    if (section) key += std::string("\\") + section;
    return key;
}

void DeleteProfile(const std::string& profile) { RegDeleteTreeA(HKEY_CURRENT_USER, ProfileKey(profile).c_str()); }

void SetRaw(const std::string& profile, const char* section, const char* name, DWORD type, const void* data,
            DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, ProfileKey(profile, section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void SetDword(const std::string& profile, const char* section, const char* name, DWORD value)
{
    SetRaw(profile, section, name, REG_DWORD, &value, sizeof value);
}

bool GetRaw(const std::string& profile, const char* section, const char* name, DWORD* type,
            std::vector<BYTE>* data)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, ProfileKey(profile, section).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data->assign(size, 0);
        ok = RegQueryValueExA(key, name, nullptr, type, data->data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return ok;
}

long long GetDword(const std::string& profile, const char* section, const char* name, long long missing)
{
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!GetRaw(profile, section, name, &type, &data) || type != REG_DWORD || data.size() != 4) return missing;
    int32_t v;
    std::memcpy(&v, data.data(), 4);
    return v;
}

bool KeyExists(HKEY root, const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// ---------------------------------------------------------------- waiting

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done()) return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(20, timeoutMs - elapsed), QS_ALLINPUT);
    }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

// ---------------------------------------------------------------- keyboard

namespace {
ScrollLockWatcher* s_watcher = nullptr;
}

ScrollLockWatcher::ScrollLockWatcher()
{
    s_watcher = this;
    m_hook = SetWindowsHookExA(WH_KEYBOARD_LL, Hook, GetModuleHandleA(nullptr), 0);
}

ScrollLockWatcher::~ScrollLockWatcher()
{
    if (m_hook) UnhookWindowsHookEx(m_hook);
    s_watcher = nullptr;
}

LRESULT CALLBACK ScrollLockWatcher::Hook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && s_watcher) {
        auto* k = reinterpret_cast<KBDLLHOOKSTRUCT*>(lp);
        if (k->vkCode == VK_SCROLL) {
            bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
            s_watcher->m_events.push_back({down, (k->flags & LLKHF_INJECTED) != 0, k->time});
        }
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}

const std::vector<ScrollLockWatcher::Event>& ScrollLockWatcher::WaitFor(size_t count, DWORD timeoutMs)
{
    PumpUntil([&] { return m_events.size() >= count; }, timeoutMs);
    return m_events;
}

// ---------------------------------------------------------------- the program

std::string TestDir()
{
    std::string path = ModulePath().c_str();
    return path.substr(0, path.find_last_of('\\'));
}

std::string ProgramPath() { return TestDir() + "\\Hopdeck.exe"; }

Program::Program(const std::string& path)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + path + "\"";
    if (CreateProcessA(path.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
        CloseHandle(pi.hThread);
    }
}

Program::~Program()
{
    if (!m_process) return;
    if (!Exit()) TerminateProcess(m_process, 1);
    CloseHandle(m_process);
}

namespace {
struct WindowSearch {
    DWORD pid;
    const char* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == s->pid && (!s->title || WindowText(w) == s->title)) s->found.push_back(w);
    return TRUE;
}
}  // namespace

std::vector<HWND> WindowsOf(DWORD pid, const char* title)
{
    WindowSearch search{pid, title, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::MainWindow(DWORD timeoutMs)
{
    if (m_main && IsWindow(m_main)) return m_main;
    m_main = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : WindowsOf(m_pid, "Hopdeck")) {
                char cls[64] = "";
                GetClassNameA(w, cls, sizeof cls);
                if (std::strcmp(cls, "HopdeckMainWnd") == 0) m_main = w;
            }
            return m_main != nullptr && TrayIconExists(m_main);
        },
        timeoutMs);
    return m_main;
}

int Program::CountWindows(const wchar_t* title)
{
    int n = 0;
    for (HWND w : WindowsOf(m_pid, nullptr))
        if (IsWindowVisible(w) && WindowTextW(w) == title) ++n;
    return n;
}

HWND Program::FindWindowOf(const wchar_t* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : WindowsOf(m_pid, nullptr))
                if (IsWindowVisible(w) && WindowTextW(w) == title) found = w;
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

HWND Program::HotSwitch(DWORD timeoutMs) { return FindDialogWindow(m_pid, "", timeoutMs); }

HWND Program::OpenMenu()
{
    for (HWND w : WindowsOf(m_pid, nullptr)) {
        char cls[16] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (std::strcmp(cls, "#32768") == 0 && IsWindowVisible(w)) return w;
    }
    return nullptr;
}

bool Program::WaitExit(DWORD timeoutMs)
{
    return m_process &&
           PumpUntil([&] { return WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

DWORD Program::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (m_process) GetExitCodeProcess(m_process, &code);
    return code;
}

void Program::Command(UINT id) { PostMessageA(MainWindow(), WM_COMMAND, id, 0); }

bool Program::Exit(DWORD timeoutMs)
{
    if (!m_process) return true;
    if (WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) return true;
    if (HWND main = MainWindow(1000)) PostMessageA(main, WM_COMMAND, ID_EXIT, 0);
    return WaitExit(timeoutMs);
}

bool TrayIconExists(HWND wnd)
{
    NOTIFYICONDATAA nid = {};
    nid.cbSize = 504;
    nid.hWnd = wnd;
    nid.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

bool HotKeyFree(UINT modifiers, UINT vk)
{
    const int id = 0x7123;
    if (!RegisterHotKey(nullptr, id, modifiers, vk)) return false;
    UnregisterHotKey(nullptr, id);
    return true;
}

std::string WindowText(HWND wnd)
{
    char buf[512] = "";
    GetWindowTextA(wnd, buf, sizeof buf);
    return buf;
}

std::wstring WindowTextW(HWND wnd)
{
    wchar_t buf[512] = L"";
    GetWindowTextW(wnd, buf, 512);
    return buf;
}

MessageBoxCloser::MessageBoxCloser(DWORD pid, std::string caption, DWORD timeoutMs, HWND watch)
{
    m_thread = new std::thread([this, pid, caption, timeoutMs, watch] {
        HWND box = FindDialogWindow(pid, caption.c_str(), timeoutMs);
        if (!box) return;
        m_found = true;
        wchar_t buf[512] = L"";
        GetDlgItemTextW(box, 0xFFFF, buf, 512);  // the message box's text control
        text = buf;
        owner = GetWindow(box, GW_OWNER);
        if (watch) watchedEnabled = IsWindowEnabled(watch) != FALSE;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
}

bool MessageBoxCloser::Wait()
{
    auto* t = static_cast<std::thread*>(m_thread);
    if (t && t->joinable()) t->join();
    return m_found;
}

MessageBoxCloser::~MessageBoxCloser()
{
    Wait();
    delete static_cast<std::thread*>(m_thread);
}

HWND FindDialogWindow(DWORD pid, const char* caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (HWND w : WindowsOf(pid, caption)) {
                char cls[16] = "";
                GetClassNameA(w, cls, sizeof cls);
                if (std::strcmp(cls, "#32770") == 0 && IsWindowVisible(w)) found = w;
            }
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

}  // namespace test
