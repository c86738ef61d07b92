#include "tests/support/TestSupport.h"
#include "app/MainWnd.h"
#include "core/SettingsStore.h"
#include "framework/WinApp.h"

namespace test {

namespace {
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
KeyWatcher* s_watcher = nullptr;

LRESULT CALLBACK WatchKeys(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && s_watcher && reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->vkCode == s_watcher->Vk())
        s_watcher->events.push_back(wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN);
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
