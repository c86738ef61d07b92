// CUsbDetectDialog: asks the user to press the USB switch's button (or to
// plug a device out and in) and takes the first USB device that leaves or
// arrives while it is open. Opened from the settings dialog, which it disables
// while it is open; its OK hands the device to the settings dialog, whose own
// OK stores it.
#pragma once
#include "framework/Dialog.h"
#include "usb/UsbDevice.h"

// Sent by the detection dialog to its owner on OK: lParam the device's id
// ("VID_xxxx&PID_yyyy"), wParam its description, both const wchar_t* (so only
// ever sent on this thread).
#define WM_USB_DETECTED (WM_APP + 3)

class CUsbDetectDialog : public CChildDialog {
public:
    // Opens the dialog, owned by the settings dialog; the object deletes itself
    // when its window goes.
    static bool Open(CWnd* owner);

protected:
    bool InitialiseDialog() override;
    void OnClickedOk() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    explicit CUsbDetectDialog(CWnd* owner) : CChildDialog(owner) {}
    ~CUsbDetectDialog() override = default;

    CUsbNotification m_notification;
    CStringW m_id;
    CStringW m_path;
    CStringW m_description;
};
