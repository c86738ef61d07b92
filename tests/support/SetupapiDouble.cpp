// setupapi.dll as a test double, for a Wine prefix's system folder: the HID
// class's device interfaces are the present collections of HidDoubleTable.h,
// in the table's order, and there is nothing else (so the functions that
// Wine's cfgmgr32 forwards to setupapi are missing for the program).
#define _SETUPAPI_  // the functions are defined here, not imported
#include <windows.h>
#include <initguid.h>
#include <setupapi.h>
#include <hidclass.h>
#include <cstddef>
#include "tools/driver/HidDoubleTable.h"

namespace {

// A device information set: the collections present when it was made.
struct Set {
    DWORD magic, count;
    int collection[16];  // places in the table
};
constexpr DWORD kSetMagic = 0x48694453;

Set* Of(HDEVINFO handle)
{
    auto* set = static_cast<Set*>(handle);
    return handle && handle != INVALID_HANDLE_VALUE && set->magic == kSetMagic ? set : nullptr;
}

BOOL Fail(DWORD error) { return SetLastError(error), FALSE; }

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

EXPORT HDEVINFO WINAPI SetupDiGetClassDevsW(const GUID* guid, PCWSTR, HWND, DWORD flags)
{
    auto* set = static_cast<Set*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Set)));
    if (!set) return INVALID_HANDLE_VALUE;
    set->magic = kSetMagic;
    const bool hid = guid && IsEqualGUID(*guid, GUID_DEVINTERFACE_HID) && (flags & DIGCF_DEVICEINTERFACE);
    for (int i = 0; hid && i < 16; ++i)
        if (HidDouble()->collection[i].present) set->collection[set->count++] = i;
    return set;
}

EXPORT BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                               PSP_DEVICE_INTERFACE_DATA data)
{
    const Set* set = Of(handle);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    if (!data || data->cbSize != sizeof *data) return Fail(ERROR_INVALID_USER_BUFFER);
    if (index >= set->count) return Fail(ERROR_NO_MORE_ITEMS);
    data->InterfaceClassGuid = GUID_DEVINTERFACE_HID;
    data->Flags = SPINT_ACTIVE;
    data->Reserved = ULONG_PTR(set->collection[index]) + 1;
    return TRUE;
}

EXPORT BOOL WINAPI SetupDiGetDeviceInterfaceDetailW(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data,
                                                    PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                                    PDWORD required, PSP_DEVINFO_DATA)
{
    if (!Of(handle)) return Fail(ERROR_INVALID_HANDLE);
    if (!data || data->Reserved - 1 >= 16) return Fail(ERROR_INVALID_PARAMETER);
    if (detail ? detail->cbSize != sizeof *detail : size != 0) return Fail(ERROR_INVALID_USER_BUFFER);
    const wchar_t* path = HidDouble()->collection[data->Reserved - 1].path;
    const DWORD needed =
        DWORD(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (lstrlenW(path) + 1) * sizeof(wchar_t));
    if (required) *required = needed;
    if (!detail || size < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    lstrcpyW(detail->DevicePath, path);
    return TRUE;
}

EXPORT BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle)
{
    Set* set = Of(handle);
    if (!set) return Fail(ERROR_INVALID_HANDLE);
    HeapFree(GetProcessHeap(), 0, set);
    return TRUE;
}
