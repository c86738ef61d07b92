#include "settings_dialog/UsbDetectDialog.h"
#include "res/resource.h"
#include <new>

bool CUsbDetectDialog::Open(CWnd* owner)
{
    auto* dialog = new (std::nothrow) CUsbDetectDialog(owner);
    return dialog && dialog->OpenWindow(IDD_USB_DETECT);
}

bool CUsbDetectDialog::InitialiseDialog()
{
    CChildDialog::InitialiseDialog();
    m_notification.Start(m_hWnd);
    return true;
}

LRESULT CUsbDetectDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_DEVICECHANGE: {
        // The first device that moves is the one: a USB switch moves its hub,
        // keyboard, mouse and the rest together, and any of them tells where
        // the switch stands.
        bool arrived = false;
        const wchar_t* path = UsbDeviceChange(wp, lp, &arrived);
        const CStringW id = path ? UsbDeviceId(path) : CStringW();
        if (!m_id.empty() || id.empty()) break;
        m_id = id;
        m_path = path;
        // Named once the device message has been answered: asking Windows
        // about devices while it waits for that answer may keep both waiting.
        PostMessageW(m_hWnd, WM_NAME_DEVICE, 0, 0);
        break;
    }
    case WM_NAME_DEVICE:
        m_description = DescribeUsbDevice(m_id.c_str(), m_path.c_str());
        SetDlgItemTextW(m_hWnd, IDC_USB_FOUND, m_description.c_str());
        EnableWindow(GetDlgItem(m_hWnd, IDOK), TRUE);
        return 0;
    case WM_DESTROY:
        // Before the window goes, as Windows asks.
        m_notification.Stop();
        break;
    }
    return CChildDialog::WindowProc(msg, wp, lp);
}

void CUsbDetectDialog::OnClickedOk()
{
    // Nothing taken yet: there is nothing to hand over (Enter may come first).
    if (m_description.empty()) return;
    SendMessageW(m_owner->GetSafeHwnd(), WM_USB_DETECTED, reinterpret_cast<WPARAM>(m_description.c_str()),
                 reinterpret_cast<LPARAM>(m_id.c_str()));
    Close();
}
