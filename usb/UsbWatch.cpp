#include "usb/UsbWatch.h"

void CUsbWatch::Watch(HWND wnd, UINT_PTR timerId, const wchar_t* device)
{
    m_wnd = wnd;
    m_timerId = timerId;
    const CStringW id = UsbDeviceId(device);
    // Another device, or none: nothing is known of it. (Unheard meanwhile, a
    // device may come and go.)
    if (lstrcmpW(id.c_str(), m_id.c_str()) != 0) {
        m_id = id;
        Forget();
    }
    if (m_id.empty()) m_notification.Stop();
    else if (!m_notification.Started()) m_notification.Start(wnd);
}

void CUsbWatch::Forget()
{
    if (m_settling) KillTimer(m_wnd, m_timerId);
    m_settling = false;
    m_settled = kUnknown;
}

void CUsbWatch::OnDeviceChange(WPARAM event, LPARAM data)
{
    bool arrived = false;
    const wchar_t* path = UsbDeviceChange(event, data, &arrived);
    if (!path || m_id.empty() || lstrcmpW(UsbDeviceId(path).c_str(), m_id.c_str()) != 0) return;
    // Where nothing is known, the first event tells what was before it: a
    // device that leaves was there.
    if (!m_settling) m_before = m_settled != kUnknown ? m_settled : arrived ? kAbsent : kPresent;
    m_latest = arrived ? kPresent : kAbsent;
    m_settling = SetTimer(m_wnd, m_timerId, kSettleMs, nullptr) != 0;
}

CUsbWatch::Change CUsbWatch::OnSettled()
{
    if (!m_settling) return kNone;
    KillTimer(m_wnd, m_timerId);
    m_settling = false;
    m_settled = m_latest;
    if (m_latest == m_before) return kNone;
    return m_latest == kPresent ? kArrived : kLeft;
}
