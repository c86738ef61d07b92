#include "usb/UsbWatch.h"

void CUsbWatch::Listen(HWND wnd, UINT_PTR timerId, bool on)
{
    m_wnd = wnd;
    m_timerId = timerId;
    if (on && !m_notification.Started()) m_notification.Start(wnd);
    if (on) return;
    m_notification.Stop();
    // Unheard meanwhile, the device may come and go.
    Forget();
}

void CUsbWatch::Forget()
{
    if (m_settling) KillTimer(m_wnd, m_timerId);
    m_settling = false;
    m_settled = kUnknown;
}

void CUsbWatch::OnDeviceChange(WPARAM event, LPARAM data, const wchar_t* watched)
{
    bool arrived = false;
    const wchar_t* path = UsbDeviceChange(event, data, &arrived);
    const CStringW id = UsbDeviceId(watched);
    if (!path || id.empty() || lstrcmpW(UsbDeviceId(path).c_str(), id.c_str()) != 0) return;
    // Another device chosen in the settings: nothing is known of this one.
    if (lstrcmpW(id.c_str(), m_id.c_str()) != 0) {
        m_id = id;
        Forget();
    }
    // Where nothing is known, the first event tells what was before it: a
    // device that leaves was there.
    if (!m_settling) m_before = m_settled != kUnknown ? m_settled : arrived ? kAbsent : kPresent;
    m_latest = arrived ? kPresent : kAbsent;
    m_settling = SetTimer(m_wnd, m_timerId, kSettleMs, nullptr) != 0;
}

CUsbWatch::Change CUsbWatch::OnSettled()
{
    if (m_settling) KillTimer(m_wnd, m_timerId);
    if (!m_settling) return kNone;
    m_settling = false;
    m_settled = m_latest;
    if (m_latest == m_before) return kNone;
    return m_latest == kPresent ? kArrived : kLeft;
}
