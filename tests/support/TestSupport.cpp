#include "tests/support/TestSupport.h"
#include "app/MainWnd.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "monitors/MonitorList.h"
#include <commctrl.h>
#include <shlwapi.h>

namespace test {

namespace {
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
KeyWatcher* s_watcher = nullptr;

LRESULT CALLBACK WatchKeys(int code, WPARAM wp, LPARAM lp)
{
    const DWORD vk = code == HC_ACTION ? reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->vkCode : 0;
    if (s_watcher && (vk == s_watcher->Vk() || (!s_watcher->Vk() && (vk == VK_SCROLL || vk == VK_NUMLOCK || vk == VK_CAPITAL)))) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (s_watcher->events.empty()) s_watcher->firstAt = now.QuadPart;
        s_watcher->events.push_back(wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
}  // namespace

std::wstring RunValue(const wchar_t* name)
{
    wchar_t buf[1024] = L"";
    DWORD size = sizeof buf;
    return RegGetValueW(HKEY_CURRENT_USER, kRunKey, name, RRF_RT_REG_SZ, nullptr, buf, &size) ? L"<missing>" : buf;
}

void DeleteRunValue(const wchar_t* name) { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, name); }

void Click(HWND dlg, int id) { SendDlgItemMessageW(dlg, id, BM_CLICK, 0, 0); }

std::wstring ListText(HWND list, int columns, const wchar_t* between)
{
    std::wstring rows;
    const int count = (int)SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < count; ++row)
        for (int column = 0; column < columns; ++column) {
            wchar_t text[64] = L"";
            LVITEMW item = {0, 0, column, 0, 0, text, 64, 0, 0, 0, 0, 0, nullptr, nullptr, 0};
            SendMessageW(list, LVM_GETITEMTEXTW, row, (LPARAM)&item);
            rows += std::wstring(column ? between : row ? L"; " : L"") + text;
        }
    return rows;
}

void SelectRow(HWND list, int row)
{
    LVITEMW item = {};
    item.stateMask = item.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, row, (LPARAM)&item);
}

bool HotKeyFree(UINT modifiers, UINT vk)
{
    return RegisterHotKey(nullptr, 0x7123, modifiers, vk) && UnregisterHotKey(nullptr, 0x7123);
}

KeyWatcher::KeyWatcher(DWORD vk)
    : m_vk(vk), m_hook(SetWindowsHookExW(WH_KEYBOARD_LL, WatchKeys, GetModuleHandleW(nullptr), 0))
{
    s_watcher = this;
}

KeyWatcher::~KeyWatcher()
{
    UnhookWindowsHookEx(m_hook);
    s_watcher = nullptr;
}

bool KeyWatcher::Saw(int switches, DWORD timeoutMs)
{
    PumpUntil([&] { return events.size() >= 4u * switches; }, timeoutMs);
    PumpFor(500);  // nothing more may follow
    for (size_t i = 0; i < events.size(); ++i)
        if (events[i] != (i % 2 == 0)) return false;
    return events.size() == 4u * switches;
}

std::string FileText(const char* path)
{
    std::string text;
    if (FILE* f = fopen(path, "rb")) {
        char buffer[256];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
        fclose(f);
    }
    return text;
}

namespace {
// The DLL in the prefix's system folder (a double) for the programs of that file name, or Wine's own.
void UseNative(const wchar_t* exe, const wchar_t* dll, bool use)
{
    const std::wstring key = std::wstring(L"Software\\Wine\\AppDefaults\\") + exe + L"\\DllOverrides";
    if (use) RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll, REG_SZ, L"native", 14);
    else RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), dll);
}
}  // namespace

void UseDdcDouble(const wchar_t* exe, bool use) { UseNative(exe, L"dxva2", use); }

void UseHidDouble(const wchar_t* exe, bool use)
{
    UseNative(exe, L"setupapi", use);
    UseNative(exe, L"hid", use);
}

std::wstring DoubleIdentity(const wchar_t* name)
{
    const std::wstring self = PathFindFileNameW(ModulePathW().c_str());
    const bool used = !RegGetValueW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + self + L"\\DllOverrides").c_str(),
                                    L"dxva2", RRF_RT_REG_SZ, nullptr, nullptr, nullptr);
    UseDdcDouble(self.c_str());
    std::wstring identity;
    {
        const CMonitorList list;
        for (int i = 0; i < list.Count(); ++i)
            if (list.Name(i).c_str() == std::wstring(name)) identity = list.Identity(i).c_str();
    }
    UseDdcDouble(self.c_str(), used);
    return identity;
}

HWND Main()
{
    static struct : CWinApp {
        bool InitInstance() override { return true; }
    } app;
    if (!app.m_pMainWnd) {
        AppSettings().UseRegistry(kRegistryKeyWord, kInProcessProfile);
        DeleteProfile(kInProcessProfile);
        auto* main = new CMainWnd;
        app.m_pMainWnd = main;
        main->Create();
    }
    return app.m_pMainWnd->GetSafeHwnd();
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

}  // namespace test
