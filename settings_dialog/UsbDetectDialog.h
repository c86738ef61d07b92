// CUsbDetectDialog: asks the user to press the USB switch's button (or to
// plug a device out and in) and takes the first USB device that leaves or
// arrives while it is open. Opened from the settings dialog, which it disables
// while it is open; its OK hands the device to the settings dialog, whose own
// OK stores it.
#pragma once
#include "core/Messages.h"
#include "framework/Dialog.h"
#include "usb/UsbDevice.h"

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
