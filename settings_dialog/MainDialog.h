// CMainDialog: the modeless settings dialog. It shows the options, the stored
// hot key and the watched USB switch; OK applies them (hot key, registry, Run
// entry, hot switch, the monitors' inputs), Cancel, Esc, the close box and
// program exit discard them.
#pragma once
#include "core/SettingsStore.h"
#include "framework/Dialog.h"
#include "framework/String.h"
#include "res/resource.h"
#include "settings_dialog/MonitorsDialog.h"
#include "settings_dialog/PcsDialog.h"
#include "settings_dialog/UsbDetectDialog.h"

class CMainDialog : public CDialog {
public:
    // The one dialog: constructed (reading the stored options) when the slot is
    // empty. Null when it cannot be allocated.
    static CMainDialog* GetInstance();
    // Creates the window, owned by the main window. On failure the object is
    // released and the slot emptied.
    virtual bool OpenWindow();

protected:
    void ExchangeData(CDataExchange& dx) override;
    bool InitialiseDialog() override;
    void OnClickedOk() override;
    void OnClickedCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override;

private:
    friend class CInstanceSlot<CMainDialog>;
    CMainDialog();
    ~CMainDialog() override = default;

    void OnClickedShowHotSwitch();
    void OnClickedDefault();
    void OnCloseRequest();
    void Close();
    void ApplyTopmostRule();
    // Fills the lock-key and pace lists.
    void FillSwitchLists();
    // Puts the stored hot key back into the record and the controls.
    void ReloadStoredHotKey();
    // The watched USB device, and what the group shows of it.
    void SetUsbDevice(const CStringW& id, const CStringW& description);

    CWnd* m_owner = nullptr;
    UINT m_templateId = IDD_SETTINGS;
    Settings m_settings;
    CWnd m_functionKey;
    CWnd m_registeredKey;
    CButton m_showHotSwitch;
    CButton m_sleepAction;
    CButton m_topmost;
    // The monitors' inputs as the monitors dialog last handed them over; OK
    // stores them.
    MonitorChoice m_monitorChoices[kMaxMonitors];
    int m_monitorChoiceCount = 0;
    // The USB switch's device ("VID_xxxx&PID_yyyy", empty for none); OK stores it.
    CStringW m_usbDevice;
    // The PCs of the desk as the PCs dialog last handed them over; OK stores them.
    DeskPcs m_pcs;
};

// Windows Server 2003 / XP x64 (version 5.2 on an AMD64 machine), where the
// sleep option is not offered. GetNativeSystemInfo tells the machine's own
// architecture even to a 32-bit process.
bool IsWindows52OnAmd64();

// The Run entry: HKCU\...\Run value named after the application holds the
// program's path when it should start at logon, the empty string otherwise.
void WriteRunEntry(bool autorun);
// The path as stored: quoted when it contains a space, so Windows cannot take
// "C:\Program" for the program.
CStringW RunCommandFor(const CStringW& path);
