#include "app/MainWnd.h"
#include "app/RunningCopy.h"
#include "app/Switch.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "hidpp/HidppDevice.h"
#include "hotswitch/HotSwitchDlg.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include "settings_dialog/MainDialog.h"
#include "switching/HotKey.h"
#include "tray/TrayIcon.h"
#include <dbt.h>

namespace {

// The shell broadcasts this message when it (re)starts: the icon must be added again.
UINT s_taskbarCreated = 0;

// The main window's one timer: a watched USB device's presence settling.
constexpr UINT_PTR kUsbSettleTimer = 1;

// How long the commands on their way to the KVM switch may take before the
// PC sleeps (Windows allows two seconds) or the program ends.
constexpr DWORD kKvmFinishMs = 1500;
constexpr DWORD kHostsFinishMs = 500;

// Row 0 means no hot key: nothing to register. A key that types is never
// taken from typing without Control, Alt or Windows. Windows 7 and later send
// no repeats of a held key on request; earlier systems refuse the request, so
// the key is then registered without it.
bool RegisterHotKeyFor(HWND wnd, int id, const HotKey& key)
{
    if (FunctionKeyRow(key.index) == 0) return true;
    if (!HotKeyAllowed(key)) return false;
    const UINT mods = HotKeyModifiers(key), vk = HotKeyVirtualKey(key);
    return RegisterHotKey(wnd, id, mods | MOD_NOREPEAT, vk) || RegisterHotKey(wnd, id, mods, vk);
}

// Whether an optional window is there, and its window: its instance slot
// alone tells. The slot empties the moment the window goes, while the
// window's closed notice is only queued, and may arrive after a new window of
// that kind has been made.
template <typename T>
bool Exists()
{
    return CInstanceSlot<T>::Current() != nullptr;
}
template <typename T>
HWND WindowOf()
{
    return Exists<T>() ? CInstanceSlot<T>::Current()->GetSafeHwnd() : nullptr;
}

}  // namespace

CMainWnd::CMainWnd() : m_icon(LoadTrayIcon()) {}

bool CMainWnd::Create()
{
    const CStringW title = LoadResString(IDS_APP_TITLE);
    if (!CreateEx(0, kMainWndClass, CS_HREDRAW | CS_VREDRAW, title.c_str(), WS_POPUP, 1, 1, 1, 1, nullptr))
        return false;
    ShowWindow(m_hWnd, SW_HIDE);
    return AddIcon();
}

void CMainWnd::PostNcDestroy() { delete this; }

LRESULT CMainWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    // Menus, message boxes and the optional windows' creation run nested
    // message loops, which may destroy this window (an exit posted from
    // outside): then the object is gone and nothing more may be done here.
    CWndWatch self(this);
    switch (msg) {
    case WM_CREATE: OnCreate(); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_COMMAND: OnCommand(LOWORD(wp)); return 0;
    case WM_POWERBROADCAST: OnPowerBroadcast(wp); break;
    case WM_DEVICECHANGE:
        m_usb.OnDeviceChange(wp, lp);
        // A receiver or a Bluetooth device may have come: the devices are looked for again.
        if (wp == DBT_DEVNODES_CHANGED && m_watchedCount) WatchDevices();
        break;
    case WM_TIMER: OnTimer(wp); break;
    case WM_HOTKEY: OnHotKey(wp); break;
    case WM_TRAYICON: OnTrayIcon(lp); break;
    // The settings may have chosen a USB switch's device, or dropped it, and
    // changed the PCs.
    case WM_SETTINGS_CLOSED:
        WatchUsb();
        WatchDevices();
        RegisterPcHotKeys(m_pcKeysDropped);
        m_pcKeysDropped = false;
        break;
    case WM_ANSWER_REQUEST: OnAnswerRequest(wp, reinterpret_cast<HWND>(lp)); return 0;
    case WM_KVM_SENT: OnKvmSent(DWORD(wp), lp); return 0;
    case WM_HOSTS_CHANGED: OnHostsChanged(wp, lp); return 0;
    case WM_HOST_ANNOUNCED: OnHostAnnounced(wp, lp); return 0;
    case WM_WATCH_DEVICES: WatchDevices(); return 0;
    case WM_SHOW_HOTSWITCH: OnShowHotSwitch(); break;
    case WM_HIDE_HOTSWITCH: OnHideHotSwitch(); break;
    case WM_APPLY_HOTKEY: return OnApplyHotKey(*reinterpret_cast<const HotKey*>(lp));
    case WM_DPICHANGED:
    case WM_SETTINGCHANGE: OnScaleChanged(); break;
    default:
        if (msg == RequestMessage() && msg) {
            OnRequest(wp, reinterpret_cast<HWND>(lp));
            return 0;
        }
        if (msg == s_taskbarCreated && s_taskbarCreated) {
            // The new taskbar may lie on another monitor, of another scale.
            m_icon = LoadTrayIcon();
            AddIcon();
        }
        break;
    }
    if (!self) return 0;
    return Default(msg, wp, lp);
}

void CMainWnd::OnCreate()
{
    s_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // A key another program holds would silently do nothing, and a typing key
    // without Control, Alt or Windows (a hand-edited profile) is not taken:
    // the user is told once, when the icon is there to tell it.
    const HotKey stored = StoredHotKey();
    if (!RegisterHotKeyFor(m_hWnd, kHotKeyId, stored)) {
        Warn(FormatResString(HotKeyAllowed(stored) ? IDS_HOTKEY_IN_USE : IDS_HOTKEY_BARE, HotKeyText(stored).c_str()));
    }
    RegisterPcHotKeys(true);
    if (ReadOption(Option::HOTSWITCH)) PostMessageW(m_hWnd, WM_SHOW_HOTSWITCH, 0, 0);
    WatchUsb();
    // Once the icon is there: looking for the devices loads setupapi and
    // asks every receiver, which the start need not wait behind.
    PostMessageW(m_hWnd, WM_WATCH_DEVICES, 0, 0);
}

void CMainWnd::RegisterPcHotKeys(bool tell)
{
    // All given up first: a key may have gone to another PC.
    UnregisterPcHotKeys();
    const DeskPcs pcs = ReadPcs(false);
    for (int i = 0; i < pcs.count; ++i) {
        const DeskPc& pc = pcs.pc[i];
        if (!RegisterHotKeyFor(m_hWnd, kPcHotKeyIdFirst + i, pc.key) && tell)
            Warn(FormatResString(IDS_PC_HOTKEY_IN_USE, pc.name.c_str(), HotKeyText(pc.key).c_str()));
    }
}

void CMainWnd::UnregisterPcHotKeys()
{
    for (int i = 0; i < kMaxPcs; ++i) UnregisterHotKey(m_hWnd, kPcHotKeyIdFirst + i);
}

void CMainWnd::WatchUsb() { m_usb.Watch(m_hWnd, kUsbSettleTimer, ReadUsbDevice().c_str()); }

void CMainWnd::WatchDevices()
{
    m_watchedCount = PcDeviceIdentities(ReadPcs(), m_watched, kMaxWatched);
    m_watch.Watch(m_hWnd, WM_HOST_ANNOUNCED, m_watched, m_watchedCount);
}

void CMainWnd::OnHostAnnounced(WPARAM device, LPARAM notice)
{
    if (!m_watch.IsCurrent(notice) || device >= WPARAM(m_watchedCount)) return;
    // The PC that has that host for the keyboard, as if its hot key had been
    // pressed, but for the keyboard, which is on its way there already.
    const CStringW keyboard = m_watched[device];
    const DeskPcs pcs = ReadPcs();
    for (int i = 0; i < pcs.count; ++i)
        if (pcs.pc[i].Host(keyboard.c_str()) == CHostWatch::HostOf(notice)) {
            StartGoToPc(pcs, i + 1, nullptr, 0, keyboard.c_str());
            return;
        }
}

void CMainWnd::OnDestroy()
{
    // The callers of the commands still on their way are answered before
    // the program ends: with what became of them, or that they did not go.
    m_watch.Stop();
    FinishWorkUnderWay();
    ReadOutcomes();
    for (PendingCommand& pending : m_commands)
        if (pending.ticket) pending.Answer(true);
    m_usb.Watch(m_hWnd, kUsbSettleTimer, L"");
    RemoveTrayIcon(m_hWnd);
    UnregisterHotKey(m_hWnd, kHotKeyId);
    UnregisterPcHotKeys();
}

bool CMainWnd::AddIcon()
{
    switch (AddTrayIcon(m_hWnd, m_icon)) {
    case TrayAdd::Added: ShowNotice(); return true;
    case TrayAdd::NoShellYet: return true;
    case TrayAdd::Failed: break;
    }
    CWndWatch self(this);
    CWinApp::Get()->AppMessageBox(IDS_TRAY_ADD_FAILED, MB_OK | MB_ICONEXCLAMATION);
    if (self) SendMessageW(m_hWnd, WM_CLOSE, 0, 0);
    return false;
}

void CMainWnd::OnScaleChanged()
{
    // The notification area may draw at another scale now: the icon of that
    // size replaces the one shown. Other setting changes leave the size, and
    // with it the shared handle, as it was.
    HICON icon = LoadTrayIcon();
    if (icon == m_icon) return;
    m_icon = icon;
    AddTrayIcon(m_hWnd, m_icon);
}

void CMainWnd::OnCommand(UINT id)
{
    switch (id) {
    case ID_SWITCH_PC: Switch(); break;
    case ID_SETTINGS: OpenSettings(); break;
    case ID_EXIT: Exit(); break;
    default:
        if (id >= ID_GO_TO_PC_FIRST && id < ID_GO_TO_PC_FIRST + kMaxPcs) StartGoToPc(ReadPcs(), int(id - ID_GO_TO_PC_FIRST) + 1);
        break;
    }
}

void CMainWnd::OnHotKey(WPARAM id)
{
    if (id >= kPcHotKeyIdFirst && id < WPARAM(kPcHotKeyIdFirst + kMaxPcs)) {
        const DeskPcs pcs = ReadPcs();
        const int number = int(id) - kPcHotKeyIdFirst + 1;
        if (number <= pcs.count) StartGoToPc(pcs, number, nullptr, HotKeyVirtualKey(pcs.pc[number - 1].key));
    } else {
        Switch(nullptr, HotKeyVirtualKey(StoredHotKey()));
    }
}

void CMainWnd::OnRequest(WPARAM pc, HWND asker)
{
    if (TakeRequest(asker)) PostMessageW(m_hWnd, WM_ANSWER_REQUEST, pc, reinterpret_cast<LPARAM>(asker));
}

void CMainWnd::OnAnswerRequest(WPARAM pc, HWND asker)
{
    CWndWatch self(this);
    const int code = pc ? StartGoToPc(ReadPcs(), int(pc), asker) : Switch(asker);
    if (self && code != kPending) AnswerRequest(asker, code);
}

int CMainWnd::StartGoToPc(const DeskPcs& pcs, int number, HWND reply, UINT heldKey, const wchar_t* except)
{
    if (number < 1 || number > pcs.count) return kNoSuchPc;
    m_lastPc = number;
    const DeskPc& pc = pcs.pc[number - 1];
    // The monitors first: a KVM switch may take the display cable away.
    const SwitchResult result = SetPcMonitors(pc);
    if (!result.Succeeded()) Warn(SwitchNotice(result));
    KvmRequest request;
    KvmCheck check;
    const bool command = KvmRequestFor(pcs, number - 1, &request, &check);
    bool failed = !result.Succeeded();
    if (!command && !KvmCheckPassed(check)) {
        // A hand-edited profile: nothing half-made goes on the wire.
        Warn(FormatResString(IDS_KVM_NOT_SENT, pc.name.c_str(), KvmCheckText(pcs, check).c_str()));
        failed = true;
    }
    HostChange hosts = HostChangeFor(pc, except, heldKey);
    if (!command && !hosts.count) return failed ? kSwitchFailed : kSwitchDone;
    PendingCommand* pending = FreePlace();
    // Never reached while the queue brings the outcomes; but a place whose
    // answer is owed is never given to another.
    if (!pending) return kSwitchFailed;
    pending->ticket = ++m_lastTicket;
    pending->reply = reply;
    pending->failed = failed;
    pending->link = pcs.kvmLink;
    hosts.notify = m_hWnd;
    hosts.message = WM_HOSTS_CHANGED;
    hosts.ticket = m_lastTicket;
    pending->hosts = hosts;
    if (!command) {
        if (const LPARAM replaced = QueueHostChange(hosts)) OnHostsChanged(WPARAM(-1), replaced);
        return kPending;
    }
    request.notify = m_hWnd;
    request.message = WM_KVM_SENT;
    request.ticket = m_lastTicket;
    // A command that this one replaces is not sent: its caller hears so now.
    if (const LPARAM replaced = QueueKvmCommand(request)) OnKvmSent(ERROR_CANCELLED, replaced);
    return kPending;
}

void CMainWnd::PendingCommand::Answer(bool failedToo)
{
    if (reply) AnswerRequest(reply, failed || failedToo ? kSwitchFailed : kSwitchDone);
    *this = PendingCommand();
}

CMainWnd::PendingCommand* CMainWnd::FreePlace()
{
    for (int round = 0; round < 2; ++round) {
        for (PendingCommand& place : m_commands)
            if (!place.ticket) return &place;
        // The places are held by commands whose outcomes wait in the queue.
        ReadOutcomes();
    }
    return nullptr;
}

void CMainWnd::OnKvmSent(DWORD result, LPARAM ticket)
{
    for (PendingCommand& pending : m_commands) {
        if (pending.ticket != ticket || !ticket) continue;
        // A command that a newer one replaced, or dropped at sleep or exit, is
        // no failure to warn of: the switch goes where the user asked last. A
        // command line waiting for it learns that it was not sent.
        if (result && result != ERROR_CANCELLED)
            Warn(FormatResString(IDS_KVM_SEND_FAILED, pending.link.c_str(), SystemErrorText(result).c_str()));
        // The devices go once the KVM switch has had its command; not when
        // it was dropped (the PC sleeps) or replaced (a newer PC moves them).
        if (!pending.hosts.count || result == ERROR_CANCELLED) {
            pending.Answer(result != 0);
            continue;
        }
        pending.failed = pending.failed || result;
        if (const LPARAM replaced = QueueHostChange(pending.hosts)) OnHostsChanged(WPARAM(-1), replaced);
    }
}

void CMainWnd::OnHostsChanged(WPARAM failed, LPARAM ticket)
{
    for (PendingCommand& pending : m_commands) {
        if (pending.ticket != ticket || !ticket) continue;
        // A change that a newer one replaced (all its bits set) is no failure to warn of.
        for (int d = 0; failed != WPARAM(-1) && d < pending.hosts.count; ++d)
            if (failed & (WPARAM(1) << d))
                Warn(FormatResString(IDS_DEVICE_REFUSED, DeviceNameOf(pending.hosts.target[d].identity.c_str()).c_str()));
        pending.Answer(failed != 0);
    }
}

void CMainWnd::ReadOutcomes()
{
    MSG msg;
    while (PeekMessageW(&msg, m_hWnd, WM_KVM_SENT, WM_HOSTS_CHANGED, PM_REMOVE))
        msg.message == WM_KVM_SENT ? OnKvmSent(DWORD(msg.wParam), msg.lParam) : OnHostsChanged(msg.wParam, msg.lParam);
}

void CMainWnd::FinishWorkUnderWay()
{
    WaitForKvmCommands(kKvmFinishMs);
    DropKvmCommands();
    // The devices of a command that went go next, for a short while too.
    ReadOutcomes();
    FinishHostChanges(kHostsFinishMs);
}

void CMainWnd::OnPowerBroadcast(WPARAM event)
{
    // The sequence runs before the system goes to sleep, so the KVM switch hands
    // the keyboard and screen to the other PC.
    if (event == PBT_APMRESUMEAUTOMATIC && m_watchedCount) WatchDevices();
    if (event != PBT_APMSUSPEND && event != PBT_APMSTANDBY) return;
    m_watch.Stop();
    if (ReadOption(Option::SLEEPACTION)) Switch();
    // A command to the KVM switch goes before the PC sleeps; one that has not
    // gone by then is not sent when it wakes, which would take the switch
    // away from the PC the user has just woken.
    FinishWorkUnderWay();
    m_usb.Forget();
}

void CMainWnd::OnTimer(UINT_PTR id)
{
    if (id != kUsbSettleTimer) return;
    const CUsbWatch::Change change = m_usb.OnSettled();
    if (change == CUsbWatch::kNone) return;
    const SwitchResult result = FollowUsbSwitch(change == CUsbWatch::kArrived);
    if (!result.Succeeded()) Warn(SwitchNotice(result));
}

void CMainWnd::OnTrayIcon(LPARAM mouseMsg)
{
    switch (OnTrayCallback(m_hWnd, mouseMsg)) {
    case TrayRequest::Switch: Switch(); break;
    case TrayRequest::OpenSettings: OpenSettings(); break;
    case TrayRequest::None: break;
    }
}

bool CMainWnd::OnApplyHotKey(const HotKey& edited)
{
    const HotKey stored = StoredHotKey();
    // The edited key replaces the program's own: a key the user gave up must stop
    // switching, and going back to an earlier key must not collide with ourselves,
    // nor a key that a PC gives up to the switch with the PC that had it. The
    // PCs' keys come back once the settings have stored theirs.
    UnregisterHotKey(m_hWnd, kHotKeyId);
    UnregisterPcHotKeys();
    m_pcKeysDropped = true;
    if (RegisterHotKeyFor(m_hWnd, kHotKeyId, edited) || edited == stored) return true;
    RegisterHotKeyFor(m_hWnd, kHotKeyId, stored);
    RegisterPcHotKeys(false);
    m_pcKeysDropped = false;
    return false;
}

void CMainWnd::OnShowHotSwitch()
{
    if (Exists<CHotSwitchDlg>()) return;
    // OpenWindow may show a message box; on failure it released the object.
    if (CHotSwitchDlg* hotSwitch = CHotSwitchDlg::GetInstance()) hotSwitch->OpenWindow();
}

void CMainWnd::OnHideHotSwitch()
{
    if (HWND window = WindowOf<CHotSwitchDlg>()) SendMessageW(window, WM_CLOSE, 0, 0);
}

int CMainWnd::Switch(HWND reply, UINT heldKey)
{
    DeskPcs pcs;
    if (const int next = SwitchTarget(m_lastPc, &pcs)) return StartGoToPc(pcs, next, reply, heldKey);
    const SwitchResult result = SwitchEverything();
    if (!result.Succeeded()) Warn(SwitchNotice(result));
    return ExitCodeOf(result);
}

void CMainWnd::Warn(const CStringW& text)
{
    // Notices that wait for the icon are told together.
    if (!m_notice.empty()) m_notice += L"\n";
    m_notice += text;
    ShowNotice();
}

void CMainWnd::ShowNotice()
{
    // Without an icon (no notification area yet) it waits for the icon.
    if (!m_notice.empty() && ShowTrayBalloon(m_hWnd, CWinApp::Get()->AppNameW(), m_notice.c_str()))
        m_notice = CStringW();
}

void CMainWnd::OpenSettings()
{
    // One dialog at a time: an open one is brought forward, not buried
    // behind this hidden window.
    if (Exists<CMainDialog>()) {
        // Or the monitors dialog it opened, which it waits for.
        if (HWND window = WindowOf<CMainDialog>()) SetForegroundWindow(GetLastActivePopup(window));
        return;
    }
    SetForegroundWindow(m_hWnd);
    // On failure OpenWindow released the object.
    if (CMainDialog* settings = CMainDialog::GetInstance()) settings->OpenWindow();
}

void CMainWnd::Exit()
{
    // Queued in this order, so both optional windows close before the main
    // window handles its own WM_CLOSE.
    if (HWND window = WindowOf<CMainDialog>()) PostMessageW(window, WM_CLOSE, 0, 0);
    if (HWND window = WindowOf<CHotSwitchDlg>()) PostMessageW(window, WM_CLOSE, 0, 0);
    PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
}
