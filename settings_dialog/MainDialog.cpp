#include "settings_dialog/MainDialog.h"
#include "core/Messages.h"
#include "framework/Handles.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "settings_dialog/DialogControls.h"
#include "switching/HotKey.h"
#include "switching/SwitchSequence.h"

namespace {
using Slot = CInstanceSlot<CMainDialog>;
}  // namespace

CMainDialog* CMainDialog::GetInstance() { return Slot::Get(); }

CMainDialog::CMainDialog() : m_settings(ReadSettings()), m_pcs(ReadPcs()) {}

bool CMainDialog::OpenWindow()
{
    if (Create(m_templateId, m_owner)) return true;
    Slot::Discard(this);
    return false;
}

void CMainDialog::ExchangeData(CDataExchange& dx)
{
    dx.Check(IDC_AUTORUN, m_settings[Option::AUTORUN]);
    dx.Check(IDC_SHOW_HOTSWITCH, m_settings[Option::HOTSWITCH]);
    dx.Check(IDC_TOPMOST, m_settings[Option::TOPMOST]);
    dx.Check(IDC_SLEEPACTION, m_settings[Option::SLEEPACTION]);
    dx.Check(IDC_TASKTRAYACTION, m_settings[Option::TASKTRAYACTION]);
    ExchangeHotKey(dx, m_settings[Option::CONTROL], m_settings[Option::SHIFT], m_settings[Option::ALT],
                   m_settings[Option::WIN], m_settings[Option::VIRTUALINDEX]);
    dx.ListIndex(IDC_SWITCH_KEY, m_settings[Option::SWITCHKEY]);
    dx.ListData(IDC_SWITCH_DELAY, m_settings[Option::SWITCHDELAY]);
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

    FillKeyList(m_hWnd);

    FillSwitchLists();

    // The hot key as stored when the dialog opened; edits do not change this text.
    SetWindowTextW(m_registeredKey.GetSafeHwnd(), HotKeyText(HotKeyOf(m_settings)).c_str());

    const CStringW usb = UsbDeviceId(ReadUsbDevice().c_str());
    SetUsbDevice(usb, usb.empty() ? usb : DescribeUsbDevice(usb.c_str()));

    EnableWindow(m_topmost.GetSafeHwnd(), m_settings[Option::HOTSWITCH] != 0);
    if (IsWindows52OnAmd64()) EnableWindow(m_sleepAction.GetSafeHwnd(), FALSE);

    UpdateData(false);
    return true;
}

void CMainDialog::FillSwitchLists()
{
    // The lock keys in SWITCHKEY order, so list position and value are one number.
    HWND keys = GetDlgItem(m_hWnd, IDC_SWITCH_KEY);
    for (int key = 0; key < kSwitchKeyCount; ++key)
        SendMessageW(keys, CB_ADDSTRING, 0, (LPARAM)LoadResString(IDS_SWITCH_KEY_FIRST + key).c_str());

    // The paces, each entry holding its milliseconds; a stored pace that is not
    // one of them (set by hand) gets an entry of its own, in order.
    static const int kPaces[] = {50, 100, 150, 200, 300, 400};
    HWND paces = GetDlgItem(m_hWnd, IDC_SWITCH_DELAY);
    auto add = [paces](int ms) {
        wchar_t text[16];
        wsprintfW(text, L"%d ms", ms);
        AddComboEntry(paces, text, ms);
    };
    const int stored = m_settings[Option::SWITCHDELAY];
    bool placed = false;
    for (int ms : kPaces) {
        if (!placed && stored < ms) add(stored);
        placed = placed || stored <= ms;
        add(ms);
    }
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
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_MONITORS) {
            CMonitorsDialog::Open(this, m_monitorChoices, m_monitorChoiceCount);
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_PCS) {
            // The switch's hot key as the controls show it, which the PCs must leave to it.
            UpdateData(true);
            CPcsDialog::Open(this, m_pcs, HotKeyOf(m_settings));
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_USB_DETECT) {
            CUsbDetectDialog::Open(this);
            return 0;
        }
        if (HIWORD(wp) == BN_CLICKED && LOWORD(wp) == IDC_USB_CLEAR) {
            SetUsbDevice(CStringW(), CStringW());
            return 0;
        }
        break;
    case WM_USB_DETECTED:
        SetUsbDevice(reinterpret_cast<const wchar_t*>(lp), reinterpret_cast<const wchar_t*>(wp));
        return 0;
    case WM_PCS_CHOSEN:
        m_pcs = *reinterpret_cast<const DeskPcs*>(lp);
        return 0;
    case WM_MONITORS_CHOSEN:
        m_monitorChoiceCount = wp < kMaxMonitors ? int(wp) : kMaxMonitors;
        for (int i = 0; i < m_monitorChoiceCount; ++i)
            m_monitorChoices[i] = reinterpret_cast<const MonitorChoice*>(lp)[i];
        return 0;
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

void CMainDialog::SetUsbDevice(const CStringW& id, const CStringW& description)
{
    m_usbDevice = id;
    SetDlgItemTextW(m_hWnd, IDC_USB_DEVICE, id.empty() ? LoadResString(IDS_USB_NONE).c_str() : description.c_str());
    EnableWindow(GetDlgItem(m_hWnd, IDC_USB_CLEAR), !id.empty());
}

void CMainDialog::OnClickedDefault()
{
    m_settings = DefaultSettings();
    UpdateData(false);
    ApplyTopmostRule();
}

void CMainDialog::ReloadStoredHotKey()
{
    const HotKey stored = StoredHotKey();
    m_settings[Option::CONTROL] = stored.control;
    m_settings[Option::SHIFT] = stored.shift;
    m_settings[Option::ALT] = stored.alt;
    m_settings[Option::WIN] = stored.win;
    m_settings[Option::VIRTUALINDEX] = stored.index;
    UpdateData(false);
}

void CMainDialog::OnClickedOk()
{
    UpdateData(true);
    // A stored index outside the table selects nothing; with no row chosen the
    // user asked for no key.
    int& index = m_settings[Option::VIRTUALINDEX];
    if (index < 0 || index >= kFunctionKeyCount) index = 0;

    // A key that types needs Control, Alt or Windows: the user is told, and
    // the choices stay as they are for the user to add one.
    const HotKey edited = HotKeyOf(m_settings);
    if (!HotKeyAllowed(edited)) {
        CWinApp::Get()->AppMessageBox(IDS_HOTKEY_NEEDS_MODIFIER, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Nor may the PCs break their rules (a name each, a key each, the
    // switch's among them): the user is told which.
    const CStringW broken = PcRuleText(m_pcs, CheckPcs(m_pcs, edited));
    if (!broken.empty()) {
        CWinApp::Get()->AppMessageBox(broken.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The main window owns hot-key id 1: it puts the edited key in place of its
    // own, or keeps its own when the edited one is taken elsewhere.
    HWND main = GetParent(m_hWnd);
    if (!SendMessageW(main, WM_APPLY_HOTKEY, 0, reinterpret_cast<LPARAM>(&edited))) {
        // The box runs a message loop: an exit, or a close from outside, may
        // destroy this dialog, and delete this object, before it returns.
        CWndWatch self(this);
        CWinApp::Get()->AppMessageBox(IDS_HOTKEY_TAKEN, MB_OK | MB_ICONEXCLAMATION);
        if (self) ReloadStoredHotKey();
        return;
    }

    WriteSettings(m_settings);
    for (int i = 0; i < m_monitorChoiceCount; ++i)
        for (int target = 0; target < kMonitorTargetCount; ++target)
            WriteMonitorChoice(MonitorTarget(target), m_monitorChoices[i].identity.c_str(),
                               m_monitorChoices[i].value[target]);
    WriteUsbDevice(m_usbDevice.c_str());
    WritePcs(m_pcs);
    WriteRunEntry(m_settings[Option::AUTORUN] != 0);

    // The hot switch is re-created so it picks up the options just written.
    // The hide is sent, so the old window has gone (and queued its closed
    // notice) before the show request is posted behind it.
    SendMessageW(main, WM_HIDE_HOTSWITCH, 0, 0);
    if (m_settings[Option::HOTSWITCH]) PostMessageW(main, WM_SHOW_HOTSWITCH, 0, 0);

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
    PostMessageW(GetParent(m_hWnd), WM_SETTINGS_CLOSED, 0, 0);
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
    void(WINAPI * native)(SYSTEM_INFO*) = nullptr;
    if (!GetProc(GetModuleHandleA("kernel32.dll"), "GetNativeSystemInfo", native)) return false;
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
    // MAX_PATH, is stored intact. The value is named after the application,
    // like its profile, so a renamed copy never touches another copy's entry.
    CStringW data = autorun ? RunCommandFor(ModulePathW()) : CStringW();
    CRegKey key;
    if (!key.Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", KEY_SET_VALUE)) return;
    RegSetValueExW(key.Get(), CWinApp::Get()->AppNameW(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   (DWORD)((data.size() + 1) * sizeof(wchar_t)));
}
