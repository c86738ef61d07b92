#include "usb/UsbDevice.h"
#include "framework/System.h"
#include <cfgmgr32.h>
#include <dbt.h>
// The interface class and the property this file uses, defined here.
#include <initguid.h>
#include <devpkey.h>
#include <usbiodef.h>
#include <cstddef>

namespace {

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? wchar_t(c - L'a' + L'A') : c; }

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (Upper(c) >= L'A' && Upper(c) <= L'F'); }

// Whether `text` starts with `word` (capitals, ASCII) in any case, followed by four hex digits.
bool HexField(const wchar_t* text, const wchar_t* word)
{
    for (; *word; ++word, ++text)
        if (Upper(*text) != *word) return false;
    for (int i = 0; i < 4; ++i)
        if (!IsHex(text[i])) return false;
    return true;
}

// "USB\VID_046D&PID_C52B\5&1a2b3c&0&2" from the device's interface path.
CStringW InstanceId(const wchar_t* path)
{
    if (path[0] == L'\\' && path[1] == L'\\' && (path[2] == L'?' || path[2] == L'.') && path[3] == L'\\') path += 4;
    CStringW id;
    int length = 0;
    while (path[length] && !(path[length] == L'#' && path[length + 1] == L'{')) ++length;
    wchar_t* buffer = id.GetBuffer(length);
    if (!buffer) return id;
    for (int i = 0; i < length; ++i) buffer[i] = path[i] == L'#' ? L'\\' : path[i];
    id.ReleaseBuffer(length);
    return id;
}

// The configuration manager's functions that name a device; loaded for each
// use, as naming a device is rare (the settings and the detection only).
class CDeviceNames {
public:
    CDeviceNames() : m_dll(LoadSystemLibrary("cfgmgr32.dll"))
    {
        GetProc(m_dll, "CM_Locate_DevNodeW", m_locate);
        GetProc(m_dll, "CM_Get_DevNode_Registry_PropertyW", m_registryProperty);
        // Windows Vista and later.
        GetProc(m_dll, "CM_Get_DevNode_PropertyW", m_property);
        GetProc(m_dll, "CM_Get_Device_ID_List_SizeW", m_listSize);
        GetProc(m_dll, "CM_Get_Device_ID_ListW", m_list);
    }
    ~CDeviceNames()
    {
        if (m_dll) FreeLibrary(m_dll);
    }
    CDeviceNames(const CDeviceNames&) = delete;
    CDeviceNames& operator=(const CDeviceNames&) = delete;

    // The name of the device with that instance id; a device that has just
    // gone is still known to Windows.
    CStringW Name(const wchar_t* instance, bool present) const
    {
        DEVINST node = 0;
        if (!m_locate || !m_registryProperty ||
            m_locate(&node, const_cast<wchar_t*>(instance), present ? CM_LOCATE_DEVNODE_NORMAL
                                                                     : CM_LOCATE_DEVNODE_PHANTOM) != CR_SUCCESS)
            return CStringW();
        wchar_t text[256];
        ULONG size = sizeof text - sizeof(wchar_t);
        DEVPROPTYPE type = 0;
        // The product name the device itself reports ("USB Receiver"), where
        // the driver's own description is only "USB Composite Device".
        if (m_property && m_property(node, &DEVPKEY_Device_BusReportedDeviceDesc, &type, reinterpret_cast<BYTE*>(text), &size, 0) ==
                              CR_SUCCESS &&
            type == DEVPROP_TYPE_STRING)
            return Terminated(text, size);
        static const ULONG kNames[] = {CM_DRP_FRIENDLYNAME, CM_DRP_DEVICEDESC};
        for (ULONG property : kNames) {
            size = sizeof text - sizeof(wchar_t);
            if (m_registryProperty(node, property, nullptr, text, &size, 0) == CR_SUCCESS) return Terminated(text, size);
        }
        return CStringW();
    }

    // The instance id of the first present USB device with that id.
    CStringW Present(const wchar_t* id) const
    {
        const ULONG flags = CM_GETIDLIST_FILTER_ENUMERATOR | CM_GETIDLIST_FILTER_PRESENT;
        ULONG length = 0;
        CStringW list;
        wchar_t* buffer = nullptr;
        if (!m_listSize || !m_list || m_listSize(&length, L"USB", flags) != CR_SUCCESS || !length ||
            !(buffer = list.GetBuffer(int(length))) || m_list(L"USB", buffer, length, flags) != CR_SUCCESS)
            return CStringW();
        buffer[length] = 0;
        for (const wchar_t* item = buffer; *item; item += lstrlenW(item) + 1) {
            if (lstrcmpW(UsbDeviceId(item).c_str(), id) == 0 && !Name(item, true).empty()) return item;
        }
        return CStringW();
    }

private:
    static CStringW Terminated(wchar_t* text, ULONG size)
    {
        text[size / sizeof(wchar_t)] = 0;
        return text;
    }

    HMODULE m_dll;
    CONFIGRET(WINAPI* m_locate)(DEVINST*, wchar_t*, ULONG) = nullptr;
    CONFIGRET(WINAPI* m_registryProperty)(DEVINST, ULONG, ULONG*, void*, ULONG*, ULONG) = nullptr;
    CONFIGRET(WINAPI* m_property)(DEVINST, const DEVPROPKEY*, DEVPROPTYPE*, BYTE*, ULONG*, ULONG) = nullptr;
    CONFIGRET(WINAPI* m_listSize)(ULONG*, const wchar_t*, ULONG) = nullptr;
    CONFIGRET(WINAPI* m_list)(const wchar_t*, wchar_t*, ULONG, ULONG) = nullptr;
};

}  // namespace

CStringW UsbDeviceId(const wchar_t* text)
{
    for (const wchar_t* p = text; p && *p; ++p) {
        if (!HexField(p, L"VID_") || !HexField(p + 8, L"&PID_")) continue;
        CStringW id(p, 17);
        wchar_t* buffer = id.GetBuffer(17);
        for (int i = 0; buffer && i < 17; ++i) buffer[i] = Upper(buffer[i]);
        return id;
    }
    return CStringW();
}

const wchar_t* UsbDeviceChange(WPARAM event, LPARAM data, bool* arrived)
{
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !data) return nullptr;
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
    const size_t nameAt = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
    if (record->dbcc_devicetype != DBT_DEVTYP_DEVICEINTERFACE || record->dbcc_size < nameAt + sizeof(wchar_t) ||
        !IsEqualGUID(record->dbcc_classguid, GUID_DEVINTERFACE_USB_DEVICE))
        return nullptr;
    // The name must end within the record Windows handed over.
    const size_t length = (record->dbcc_size - nameAt) / sizeof(wchar_t);
    size_t n = 0;
    while (n < length && record->dbcc_name[n]) ++n;
    if (n == length) return nullptr;
    *arrived = event == DBT_DEVICEARRIVAL;
    return record->dbcc_name;
}

CStringW DescribeUsbDevice(const wchar_t* id, const wchar_t* path)
{
    const CDeviceNames names;
    const CStringW instance = path ? InstanceId(path) : names.Present(id);
    CStringW name = instance.empty() ? CStringW() : names.Name(instance.c_str(), !path);
    if (name.empty()) return id;
    return ((name += L" (") += id) += L")";
}

bool CUsbNotification::Start(HWND wnd)
{
    Stop();
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    m_handle = RegisterDeviceNotificationW(wnd, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    return m_handle != nullptr;
}

void CUsbNotification::Stop()
{
    if (m_handle) UnregisterDeviceNotification(m_handle);
    m_handle = nullptr;
}
