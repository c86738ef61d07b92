// USB devices as Windows announces them to a window: WM_DEVICECHANGE with the
// device's interface path, the vendor and product ids that path carries, and
// the name Windows has for the device. No window code.
#pragma once
#include "framework/String.h"
#include <windows.h>

// "VID_046D&PID_C52B", in capitals, from a device interface path such as
// "\\?\USB#VID_046D&PID_C52B#5&1a2b3c&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}"
// or from an id in any case; empty when there is none. A device is known by
// these ids alone: the rest of its path changes with the port it is plugged into.
CStringW UsbDeviceId(const wchar_t* text);

// The interface path of the USB device that a WM_DEVICECHANGE says has
// arrived (*arrived true) or gone; null for any other event, a device of
// another class, or a record that does not hold together.
const wchar_t* UsbDeviceChange(WPARAM event, LPARAM data, bool* arrived);

// "USB Receiver (VID_046D&PID_C52B)" where Windows has a name for the device,
// else the id itself. The device is the one of that interface path, or, with
// none, the first present device with that id.
CStringW DescribeUsbDevice(const wchar_t* id, const wchar_t* path = nullptr);

// A window's request to hear of USB devices arriving and leaving, with their
// interface paths (unasked, a top-level window hears of no USB device by
// name). It ends with the object, or with Stop: before the window goes.
class CUsbNotification {
public:
    CUsbNotification() = default;
    ~CUsbNotification() { Stop(); }
    CUsbNotification(const CUsbNotification&) = delete;
    CUsbNotification& operator=(const CUsbNotification&) = delete;

    bool Start(HWND wnd);
    void Stop();
    bool Started() const { return m_handle != nullptr; }

private:
    HDEVNOTIFY m_handle = nullptr;
};
