// dxva2.dll as a test double, for a Wine prefix's system folder: see DdcDouble.h.
#include "monitors/MonitorList.h"
#include "tests/support/DdcDouble.h"

namespace {

const struct {
    const wchar_t* description;
    const char* capabilities;  // null: it tells none
    DWORD firstInput;
    bool highByte;  // it reports its input in the high byte too
} kMonitors[2] = {
    {L"Hopdeck Test A",
     "(prot(monitor)type(lcd)model(TESTA)cmds(01 02 03 0C E3 F3)vcp(02 04 05 08 10 12 14(05 08 0B) 16 18 1A 52 "
     "60( 0F 11 12) AC AE B2 B6 C6 C8 D6(01 04) DF)mswhql(1)mccs_ver(2.1))",
     0x0F, true},
    {L"Hopdeck Test B", nullptr, 0x11, false},
};

DdcDoubleState::Monitor* Of(HANDLE handle, int* index = nullptr)
{
    const UINT_PTR i = reinterpret_cast<UINT_PTR>(handle) - 0x1000;
    if (index) *index = int(i);
    return i < 2 ? &DdcDouble()->monitor[i] : nullptr;
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport) BOOL WINAPI

EXPORT GetNumberOfPhysicalMonitorsFromHMONITOR(HMONITOR, DWORD* count)
{
    *count = 2;
    return TRUE;
}

EXPORT GetPhysicalMonitorsFromHMONITOR(HMONITOR, DWORD count, PhysicalMonitor* monitors)
{
    for (DWORD i = 0; i < count && i < 2; ++i) {
        const int m = int(i) ^ int(DdcDouble()->swapped != 0);
        monitors[i].handle = reinterpret_cast<HANDLE>(UINT_PTR(0x1000 + m));
        lstrcpyW(monitors[i].description, kMonitors[m].description);
        InterlockedIncrement(&DdcDouble()->liveHandles);
    }
    return TRUE;
}

EXPORT DestroyPhysicalMonitors(DWORD count, PhysicalMonitor*)
{
    InterlockedExchangeAdd(&DdcDouble()->liveHandles, -LONG(count));
    return TRUE;
}

EXPORT SetVCPFeature(HANDLE handle, BYTE code, DWORD value)
{
    DdcDoubleState::Monitor* m = Of(handle);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (!DdcDouble()->firstWrite) DdcDouble()->firstWrite = now.QuadPart;
    if (m && m->failedAt) {
        const LONGLONG gap = now.QuadPart - m->failedAt;
        if (!m->shortestRetry || gap < m->shortestRetry) m->shortestRetry = gap;
        m->failedAt = 0;
    }
    if (!m || code != 0x60 || m->refuse || (m->failures > 0 && InterlockedDecrement(&m->failures) >= 0)) {
        if (m) m->failedAt = now.QuadPart;
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    m->input = value;
    InterlockedIncrement(&m->writes);
    return TRUE;
}

EXPORT GetVCPFeatureAndVCPFeatureReply(HANDLE handle, BYTE code, int*, DWORD* current, DWORD* maximum)
{
    int i = 0;
    DdcDoubleState::Monitor* m = Of(handle, &i);
    if (!m || code != 0x60) return FALSE;
    InterlockedIncrement(&DdcDouble()->reads);
    const DWORD input = m->input ? m->input : kMonitors[i].firstInput;
    *current = input | (kMonitors[i].highByte ? input << 8 : 0);
    *maximum = 0xFF;
    return TRUE;
}

EXPORT GetCapabilitiesStringLength(HANDLE handle, DWORD* length)
{
    int i = 0;
    if (!Of(handle, &i) || !kMonitors[i].capabilities) return FALSE;
    if (HANDLE gate = OpenEventW(SYNCHRONIZE, FALSE, kDdcCapsGate)) {
        WaitForSingleObject(gate, 5000);
        CloseHandle(gate);
    }
    *length = lstrlenA(kMonitors[i].capabilities) + 1;
    return TRUE;
}

EXPORT CapabilitiesRequestAndCapabilitiesReply(HANDLE handle, char* buffer, DWORD length)
{
    int i = 0;
    if (!Of(handle, &i) || !kMonitors[i].capabilities) return FALSE;
    lstrcpynA(buffer, kMonitors[i].capabilities, int(length));
    return TRUE;
}
