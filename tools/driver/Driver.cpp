// Winsock's declarations must come before windows.h's.
#include <winsock2.h>
#include "tools/driver/Driver.h"
#include "res/resource.h"
#include <dbt.h>
#include <shellapi.h>
#include <initguid.h>
#include <usbiodef.h>
#include <cstddef>

namespace driver {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    for (const DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
    }
}

void PumpFor(DWORD ms) { PumpUntil([] { return false; }, ms); }

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

bool TrayIconExists(HWND wnd)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = wnd;
    return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
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
    const std::string key = ProfileKey(profile, section);
    return RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) ? kMissing
                                                                                                       : (int)value;
}

void SetString(const std::string& profile, const char* section, const char* name, const wchar_t* value)
{
    const std::string key = ProfileKey(profile, section);
    RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(),
                    std::wstring(name, name + strlen(name)).c_str(), REG_SZ, value, DWORD((wcslen(value) + 1) * 2));
}

std::wstring GetString(const std::string& profile, const char* section, const char* name)
{
    wchar_t value[256] = L"";
    DWORD size = sizeof value;
    const std::string key = ProfileKey(profile, section);
    return RegGetValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(),
                        std::wstring(name, name + strlen(name)).c_str(), RRF_RT_REG_SZ, nullptr, value, &size)
               ? L"<missing>"
               : value;
}

void SendDeviceChange(HWND wnd, bool arrived, const wchar_t* path, const GUID* interfaceClass)
{
    const size_t size = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name) + (wcslen(path) + 1) * sizeof(wchar_t);
    std::vector<BYTE> buffer(size);
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_W*>(buffer.data());
    record->dbcc_size = DWORD(size);
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = interfaceClass ? *interfaceClass : GUID_DEVINTERFACE_USB_DEVICE;
    wcscpy(record->dbcc_name, path);
    SendMessageW(wnd, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, (LPARAM)record);
}

KvmListener::KvmListener(Mode mode)
{
    InitializeCriticalSection(&m_lock);
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(m_socket, (sockaddr*)&address, size);
    getsockname(m_socket, (sockaddr*)&address, &size);
    m_port = ntohs(address.sin_port);
    if (mode == kRefuse) {
        closesocket(m_socket);
        m_socket = INVALID_SOCKET;
        return;
    }
    // A queue of one, filled by a connection nobody takes: the next one is never answered.
    listen(m_socket, mode == kNeverAnswer ? 0 : 8);
    if (mode == kNeverAnswer) {
        m_filler = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(m_filler, (sockaddr*)&address, size);
        return;
    }
    m_thread = CreateThread(nullptr, 0, Accept, this, 0, nullptr);
}

DWORD WINAPI KvmListener::Accept(void* self)
{
    auto* me = static_cast<KvmListener*>(self);
    for (SOCKET c; (c = accept(me->m_socket, nullptr, nullptr)) != INVALID_SOCKET; closesocket(c)) {
        std::string bytes;
        LONGLONG at = 0;
        char buffer[256];
        const DWORD answerMs = me->m_chatter ? 100 : 0;
        setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, (const char*)&answerMs, sizeof answerMs);
        for (int n;;) {
            if ((n = recv(c, buffer, sizeof buffer, 0)) <= 0) {
                // Silent for 100 ms while chattering: a byte of answer.
                if (n < 0 && WSAGetLastError() == WSAETIMEDOUT && send(c, "k", 1, 0) == 1) continue;
                break;
            }
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            if (bytes.empty()) at = now.QuadPart;
            bytes.append(buffer, n);
        }
        EnterCriticalSection(&me->m_lock);
        me->m_received.emplace_back(bytes, at);
        LeaveCriticalSection(&me->m_lock);
    }
    return 0;
}

KvmListener::~KvmListener()
{
    if (m_socket != INVALID_SOCKET) closesocket(m_socket);
    if (m_filler != INVALID_SOCKET) closesocket(m_filler);
    if (m_thread) {
        WaitForSingleObject(m_thread, 5000);
        CloseHandle(m_thread);
    }
    WSACleanup();
    DeleteCriticalSection(&m_lock);
}

std::vector<std::pair<std::string, LONGLONG>> KvmListener::Received()
{
    EnterCriticalSection(&m_lock);
    const auto received = m_received;
    LeaveCriticalSection(&m_lock);
    return received;
}

bool KvmListener::WaitFor(size_t commands, DWORD timeoutMs)
{
    return PumpUntil([&] { return Received().size() >= commands; }, timeoutMs);
}

std::wstring ExeDir()
{
    wchar_t path[MAX_PATH] = L"";
    const std::wstring exe(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
    return exe.substr(0, exe.rfind(L'\\'));
}

std::wstring ProgramPath() { return ExeDir() + L"\\Hopdeck.exe"; }

Program::Program(const std::wstring& args, const std::wstring& exe, const wchar_t* desktop)
{
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.lpDesktop = const_cast<wchar_t*>(desktop);
    PROCESS_INFORMATION pi = {};
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    CloseHandle(pi.hThread);
}

Program::~Program()
{
    HWND main = ExitCode() == STILL_ACTIVE ? MainWindow(false, 1000) : nullptr;
    if (main) PostMessageW(main, WM_COMMAND, ID_EXIT, 0);
    if (!WaitExit()) TerminateProcess(m_process, 1);
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

}  // namespace driver
