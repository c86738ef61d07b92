// CMainWnd: the hidden resident window. It receives every trigger (hot key,
// suspend, the tray icon and its menu, a watched USB device) and owns the two
// optional windows, the tray icon and hot-key id 1.
#pragma once
#include "framework/String.h"
#include "framework/Wnd.h"
#include "hidpp/HostChange.h"
#include "hidpp/HostWatch.h"
#include "usb/UsbWatch.h"

struct HotKey;
struct DeskPcs;

class CMainWnd : public CWnd {
public:
    CMainWnd();
    // Creates the hidden window and adds the tray icon. False when there is no
    // window: creation failed, or the icon could not be added and the window has
    // been closed (the object is then gone too).
    bool Create();

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override;

private:
    void OnCreate();
    void OnDestroy();
    void OnCommand(UINT id);
    void OnPowerBroadcast(WPARAM event);
    void OnTimer(UINT_PTR id);
    // The USB switch's device as stored: read at creation and whenever the
    // settings close.
    void WatchUsb();
    void OnHotKey(WPARAM id);
    // The PCs' hot keys as stored, in place of those registered; the user is
    // told of keys another program holds when `tell`.
    void RegisterPcHotKeys(bool tell);
    void UnregisterPcHotKeys();
    // A request of another start of the program (app/RunningCopy.h): taken
    // at once, while its asker still waits for it, and done in its turn, so
    // that the requests of a burst are all taken before the first is done.
    void OnRequest(WPARAM pc, HWND asker);
    void OnAnswerRequest(WPARAM pc, HWND asker);
    // Starts going to PC `number` (1 to the number of PCs): its monitors'
    // inputs now, then its KVM switch's command and its devices' hosts
    // (all but `except`), sent aside in that order; warns the user of what
    // went wrong. `heldKey` is the key of the hot key that asked. Returns
    // the command line's exit code, or kPending when the rest comes later,
    // and `reply` is answered then.
    int StartGoToPc(const DeskPcs& pcs, int number, HWND reply = nullptr, UINT heldKey = 0,
                    const wchar_t* except = nullptr);
    void OnKvmSent(DWORD result, LPARAM ticket);
    void OnHostsChanged(WPARAM failed, LPARAM ticket);
    // The devices that some PC has a host for, watched for their own
    // Easy-Switch key; and a keyboard's announcement that it goes to a host.
    void WatchDevices();
    void OnHostAnnounced(WPARAM device, LPARAM notice);
    // Handles the outcomes of commands and host changes that have come to
    // the queue, now.
    void ReadOutcomes();
    // What is on its way to the KVM switch and to the devices goes, for a
    // short while (before the PC sleeps, or the program ends); the rest is
    // dropped.
    void FinishWorkUnderWay();
    void OnTrayIcon(LPARAM mouseMsg);
    void OnShowHotSwitch();
    void OnHideHotSwitch();
    bool OnApplyHotKey(const HotKey& edited);
    // Adds the tray icon; when the shell refuses it, tells the user and closes
    // the window (false: the object is gone).
    bool AddIcon();
    // The scale of the notification area may have changed.
    void OnScaleChanged();
    void OpenSettings();
    // Switches, and warns the user when Windows refused the key presses or a
    // monitor its input. The exit code, or kPending as for StartGoToPc.
    int Switch(HWND reply = nullptr, UINT heldKey = 0);
    // A notice as a balloon from the icon; kept until there is an icon to show it.
    void Warn(const CStringW& text);
    void ShowNotice();
    void Exit();

    HICON m_icon;
    CStringW m_notice;
    // The USB switch whose device moves the monitors (USBDEVICE).
    CUsbWatch m_usb;
    // The settings' OK gave up the PCs' hot keys, to put the switch's in
    // place: once they close, the stored ones are registered, and any that
    // another program holds is told.
    bool m_pcKeysDropped = false;
    // The PC gone to last: a switch through the control port goes to the next.
    int m_lastPc = 0;
    // The commands on their way to the KVM switch, by ticket: whom to answer,
    // and what of the monitors. A place is free (ticket 0) only once its
    // command's outcome is handled: only two commands are on their way at a
    // time (one being sent, one waiting), and the outcomes of those done
    // come to the queue, so a place is always found.
    struct PendingCommand {
        LPARAM ticket = 0;
        HWND reply = nullptr;
        bool failed = false;  // the monitors or the command
        CStringW link;
        // What goes once the command is over (or at once, without one).
        HostChange hosts;
        void Answer(bool failedToo);
    };
    PendingCommand* FreePlace();
    PendingCommand m_commands[8];
    LPARAM m_lastTicket = 0;
    CHostWatch m_watch;
    CStringW m_watched[kMaxWatched];
    int m_watchedCount = 0;
};
