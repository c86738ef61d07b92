// CUsbWatch: one USB device, known by its id, watched through a window's
// WM_DEVICECHANGE messages, and what it did once its presence has held.
//
// Devices blink: one may leave and come back within a fraction of a second
// (selective suspend, a hub reset, a switch's contacts), a USB switch moves it
// with all its interfaces in a burst of messages, and Windows announces
// present devices again after resume. So nothing counts until the device's
// presence has held for the settle time, and then only a change.
#pragma once
#include "usb/UsbDevice.h"
#include <windows.h>

class CUsbWatch {
public:
    static constexpr UINT kSettleMs = 300;
    enum Change { kNone, kLeft, kArrived };

    // Watches the device with that id (any case; empty: none), asking Windows
    // to tell `wnd` of USB devices while there is one; its timer `timerId`
    // times the settling. None before the window goes. Without a device
    // nothing is asked: the request costs a start-up (under Wine it brings in
    // the RPC runtime, 1.4 MB).
    void Watch(HWND wnd, UINT_PTR timerId, const wchar_t* device);

    // A WM_DEVICECHANGE. Events of the watched device start the settle time again.
    void OnDeviceChange(WPARAM event, LPARAM data);
    // The timer `timerId` fired: what the device did, once it held.
    Change OnSettled();
    // What the device did is forgotten, and what has not held yet dropped (at
    // suspend: the switch may move while this PC sleeps), so that the next
    // arrival counts.
    void Forget();

private:
    enum Presence { kUnknown, kAbsent, kPresent };

    CUsbNotification m_notification;
    HWND m_wnd = nullptr;
    UINT_PTR m_timerId = 0;
    bool m_settling = false;
    CStringW m_id;                  // the watched device's id; empty: none
    Presence m_settled = kUnknown;  // as it held last
    Presence m_before = kUnknown;   // before the events now settling
    Presence m_latest = kUnknown;   // as the last event says
};
