#include "settings_dialog/MainDialog.h"
#include "app/messages.h"
#include "app/settings_store.h"
#include "framework/WinApp.h"
#include "switching/hot_key.h"

namespace {

const char kSection[] = "SETTING";

int Read(const char* entry, int defaultValue) { return AppSettings().ReadInt(kSection, entry, defaultValue); }

using Slot = CInstanceSlot<CMainDialog>;

HotKey HotKeyOf(const Settings& s)
{
    HotKey key;
    key.control = s.CONTROL;
    key.shift = s.SHIFT;
    key.alt = s.ALT;
    key.win = s.WIN;
    key.index = s.VIRTUALINDEX;
    return key;
}

// The hot key the program holds: the one stored, registered at start-up or by
// the last accepted OK.
HotKey StoredHotKey()
{
    return ReadHotKey([](const char* entry) { return Read(entry, 0); });
}

// Row 0 means no hot key: nothing to register.
bool RegisterIfAny(HWND wnd, const HotKey& key)
{
    return FunctionKeyRow(key.index) == 0 || RegisterHotKeyFor(wnd, key);
}

}  // namespace

CMainDialog* CMainDialog::GetInstance() { return Slot::Get(); }

CMainDialog::CMainDialog()
{
    m_settings.AUTORUN = Read("AUTORUN", 1);
    m_settings.HOTSWITCH = Read("HOTSWITCH", 0);
    m_settings.TOPMOST = Read("TOPMOST", 1);
    m_settings.SLEEPACTION = Read("SLEEPACTION", 0);
    m_settings.TASKTRAYACTION = Read("TASKTRAYACTION", 0);
    m_settings.CONTROL = Read("CONTROL", 0);
    m_settings.SHIFT = Read("SHIFT", 0);
    m_settings.ALT = Read("ALT", 0);
    m_settings.WIN = Read("WIN", 0);
    m_settings.VIRTUALINDEX = Read("VIRTUALINDEX", 0);
}

bool CMainDialog::OpenWindow()
{
    if (Create(m_templateId, m_owner)) return true;
    Slot::Discard(this);
    return false;
}

void CMainDialog::ExchangeData(CDataExchange& dx)
{
    dx.Check(IDC_AUTORUN, m_settings.AUTORUN);
    dx.Check(IDC_SHOW_HOTSWITCH, m_settings.HOTSWITCH);
    dx.Check(IDC_TOPMOST, m_settings.TOPMOST);
    dx.Check(IDC_SLEEPACTION, m_settings.SLEEPACTION);
    dx.Check(IDC_TASKTRAYACTION, m_settings.TASKTRAYACTION);
    dx.Check(IDC_CONTROL, m_settings.CONTROL);
    dx.Check(IDC_SHIFT, m_settings.SHIFT);
    dx.Check(IDC_ALT, m_settings.ALT);
    dx.Check(IDC_WIN, m_settings.WIN);
    dx.ListIndex(IDC_FUNCTION_KEY, m_settings.VIRTUALINDEX);
    dx.Control(IDC_FUNCTION_KEY, m_functionKey);
    dx.Control(IDC_REGISTERED_KEY, m_registeredKey);
    dx.Control(IDC_SHOW_HOTSWITCH, m_showHotSwitch);
    dx.Control(IDC_TOPMOST, m_topmost);
    dx.Control(IDC_SLEEPACTION, m_sleepAction);
}

bool CMainDialog::InitialiseDialog()
{
    // The first exchange runs while the list is still empty, so it selects nothing.
    CDialog::InitialiseDialog();

    // Inserting by position keeps table order despite the sorted style: list
    // position, table row and VIRTUALINDEX are one number ("F10" follows "F9").
    for (int row = 0; row < kFunctionKeyCount; ++row)
        SendMessageA(m_functionKey.GetSafeHwnd(), CB_INSERTSTRING, row, (LPARAM)FunctionKeyTable[row].name);

    // The hot key as stored when the dialog opened; edits do not change this text.
    SetWindowTextA(m_registeredKey.GetSafeHwnd(), HotKeyText(HotKeyOf(m_settings)).c_str());

    EnableWindow(m_topmost.GetSafeHwnd(), m_settings.HOTSWITCH != 0);
    if (IsWindows52OnAmd64()) EnableWindow(m_sleepAction.GetSafeHwnd(), FALSE);

    UpdateData(false);
    return true;
}

LRESULT CMainDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_SHOW_HOTSWITCH) {
            OnClickedShowHotSwitch();
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_DEFAULT) {
            OnClickedDefault();
            return 0;
        }
        break;
    case WM_CLOSE:
        OnCloseRequest();
        return 0;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CMainDialog::ApplyTopmostRule()
{
    // "Always in front" only means something while the hot switch is shown.
    // Only the enabled state follows; the check mark stays as the user left it.
    bool show = SendMessageA(m_showHotSwitch.GetSafeHwnd(), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
    EnableWindow(m_topmost.GetSafeHwnd(), show);
}

void CMainDialog::OnClickedShowHotSwitch() { ApplyTopmostRule(); }

void CMainDialog::OnClickedDefault()
{
    m_settings = Settings();
    UpdateData(false);
    ApplyTopmostRule();
}

bool CMainDialog::HotKeyChanged() const { return !(HotKeyOf(m_settings) == StoredHotKey()); }

void CMainDialog::ReloadStoredHotKey()
{
    const HotKey stored = StoredHotKey();
    m_settings.CONTROL = stored.control;
    m_settings.SHIFT = stored.shift;
    m_settings.ALT = stored.alt;
    m_settings.WIN = stored.win;
    m_settings.VIRTUALINDEX = stored.index;
    UpdateData(false);
}

bool CMainDialog::ApplyHotKey()
{
    HWND main = GetParent(m_hWnd);
    bool changed = HotKeyChanged();
    // The edited key replaces the program's own: a key the user gave up must stop
    // switching, and going back to an earlier key must not collide with ourselves.
    UnregisterHotKey(main, kHotKeyId);
    if (RegisterIfAny(main, HotKeyOf(m_settings)) || !changed) return true;
    RegisterIfAny(main, StoredHotKey());
    return false;
}

void CMainDialog::SaveSettings() const
{
    const Settings& s = m_settings;
    const struct {
        const char* name;
        int value;
    } values[] = {
        {"AUTORUN", s.AUTORUN},   {"HOTSWITCH", s.HOTSWITCH},       {"TOPMOST", s.TOPMOST},
        {"SLEEPACTION", s.SLEEPACTION}, {"TASKTRAYACTION", s.TASKTRAYACTION}, {"CONTROL", s.CONTROL},
        {"SHIFT", s.SHIFT},       {"ALT", s.ALT},                   {"WIN", s.WIN},
        {"VIRTUALINDEX", s.VIRTUALINDEX},
    };
    for (const auto& v : values) AppSettings().WriteInt(kSection, v.name, v.value);
}

void CMainDialog::OnClickedOk()
{
    UpdateData(true);
    // A stored index outside the table selects nothing; with no row chosen the
    // user asked for no key.
    if (m_settings.VIRTUALINDEX < 0 || m_settings.VIRTUALINDEX >= kFunctionKeyCount) m_settings.VIRTUALINDEX = 0;

    if (!ApplyHotKey()) {
        CWinApp::Get()->AppMessageBox(IDS_HOTKEY_TAKEN, MB_OK | MB_ICONEXCLAMATION);
        ReloadStoredHotKey();
        return;
    }

    SaveSettings();
    WriteRunEntry(m_settings.AUTORUN != 0);

    // The hot switch is re-created so it picks up the options just written.
    // The hide is sent, so the old window has gone (and queued its closed
    // notice) before the show request is posted behind it.
    HWND main = GetParent(m_hWnd);
    SendMessageA(main, WM_HIDE_HOTSWITCH, 0, 0);
    if (m_settings.HOTSWITCH) PostMessageA(main, WM_SHOW_HOTSWITCH, 0, 0);

    CDialog::OnClickedOk();
    Close();
}

void CMainDialog::OnClickedCancel()
{
    CDialog::OnClickedCancel();
    Close();
}

void CMainDialog::OnCloseRequest()
{
    // The dialog manager only queues an IDCANCEL here; it arrives after the
    // window is gone and is dropped, so the dialog closes once.
    Default(WM_CLOSE, 0, 0);
    Close();
}

void CMainDialog::Close()
{
    PostMessageA(GetParent(m_hWnd), WM_SETTINGS_CLOSED, 0, 0);
    // Deletes this object (PostNcDestroy): nothing may touch it afterwards.
    DestroyWindow(m_hWnd);
}

void CMainDialog::PostNcDestroy()
{
    Slot::Release(this);
    delete this;
}

bool IsWindows52OnAmd64()
{
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&version));
#pragma GCC diagnostic pop
    if (version.dwMajorVersion != 5 || version.dwMinorVersion != 2) return false;
    using NativeInfoFn = void(WINAPI*)(SYSTEM_INFO*);
    auto native = reinterpret_cast<NativeInfoFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo")));
    if (!native) return false;
    SYSTEM_INFO info = {};
    native(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

CStringW RunCommandFor(const CStringW& path)
{
    if (path.Find(L' ') < 0) return path;
    return (CStringW(L"\"") += path) += L"\"";
}

void WriteRunEntry(bool autorun)
{
    // Wide-character calls: a path outside the ANSI code page, or longer than
    // MAX_PATH, is stored intact.
    CStringW data = autorun ? RunCommandFor(ModulePathW()) : CStringW();
    wchar_t name[64] = L"";
    LoadStringW(GetModuleHandleW(nullptr), IDS_APP_TITLE, name, 64);
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   (DWORD)((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}
