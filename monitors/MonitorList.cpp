#include "monitors/MonitorList.h"
#include "framework/System.h"
#include "monitors/InputSources.h"

namespace {

// Tries a DDC/CI call up to three times, 50 ms apart.
template <typename Call>
bool Retried(Call call)
{
    for (int attempt = 1;; ++attempt) {
        if (call()) return true;
        if (attempt == 3) return false;
        Sleep(50);
    }
}

// "\\?\DISPLAY#DEL40F3#5&1b2c3d&0&UID4353#{e6f07b5f-...}" -> "DISPLAY#DEL40F3#5&1b2c3d&0&UID4353"
CStringW DeviceId(const wchar_t* interfaceName)
{
    const wchar_t* start = interfaceName;
    if (start[0] == L'\\' && start[1] == L'\\' && start[2] == L'?' && start[3] == L'\\') start += 4;
    int length = 0;
    while (start[length] && !(start[length] == L'#' && start[length + 1] == L'{')) ++length;
    return CStringW(start, length);
}

// The monitor devices of a display that are in use, in the order Windows
// lists them: the order of its physical monitors too.
int ActiveDevices(const wchar_t* display, CStringW* ids, int max)
{
    int count = 0;
    DISPLAY_DEVICEW device;
    for (DWORD i = 0; count < max; ++i) {
        device.cb = sizeof device;
        if (!EnumDisplayDevicesW(display, i, &device, EDD_GET_DEVICE_INTERFACE_NAME)) break;
        if (device.StateFlags & DISPLAY_DEVICE_ACTIVE) ids[count++] = DeviceId(device.DeviceID);
    }
    return count;
}

}  // namespace

CMonitorList::CMonitorList() : m_dll(LoadSystemLibrary("dxva2.dll"))
{
    const bool loaded = GetProc(m_dll, "GetNumberOfPhysicalMonitorsFromHMONITOR", m_api.count) &&
                        GetProc(m_dll, "GetPhysicalMonitorsFromHMONITOR", m_api.get) &&
                        GetProc(m_dll, "DestroyPhysicalMonitors", m_api.destroy) &&
                        GetProc(m_dll, "GetVCPFeatureAndVCPFeatureReply", m_api.getVcp) &&
                        GetProc(m_dll, "SetVCPFeature", m_api.setVcp) &&
                        GetProc(m_dll, "GetCapabilitiesStringLength", m_api.capsLength) &&
                        GetProc(m_dll, "CapabilitiesRequestAndCapabilitiesReply", m_api.caps);
    if (loaded) EnumDisplayMonitors(nullptr, nullptr, AddDisplay, reinterpret_cast<LPARAM>(this));
}

CMonitorList::~CMonitorList()
{
    if (m_count) m_api.destroy(m_count, m_monitors);
    if (m_dll) FreeLibrary(m_dll);
}

BOOL CALLBACK CMonitorList::AddDisplay(HMONITOR display, HDC, RECT*, LPARAM self)
{
    reinterpret_cast<CMonitorList*>(self)->Add(display);
    return TRUE;
}

void CMonitorList::Add(HMONITOR display)
{
    DWORD n = 0;
    if (!m_api.count(display, &n) || n == 0) return;
    if (n > DWORD(kMaxMonitors - m_count)) n = kMaxMonitors - m_count;
    if (!n || !m_api.get(display, n, m_monitors + m_count)) return;

    MONITORINFOEXW info = {};
    info.cbSize = sizeof info;
    GetMonitorInfoW(display, &info);
    CStringW devices[kMaxMonitors];
    const int deviceCount = ActiveDevices(info.szDevice, devices, kMaxMonitors);
    for (DWORD i = 0; i < n; ++i, ++m_count) {
        // One device may stand for several monitors (a hub without its own
        // device per monitor): the monitors then part by their descriptions.
        const wchar_t* description = m_monitors[m_count].description;
        CStringW identity = deviceCount ? devices[int(i) < deviceCount ? i : deviceCount - 1] : CStringW();
        (identity += L"|") += description;
        // Two monitors that still look alike keep apart by their order.
        while (Find(identity.c_str()) >= 0) identity += L"+";
        m_identity[m_count] = identity;
    }
}

int CMonitorList::Find(const wchar_t* identity) const
{
    for (int i = 0; i < m_count; ++i)
        if (lstrcmpW(m_identity[i].c_str(), identity) == 0) return i;
    return -1;
}

bool CMonitorList::SetInput(int i, DWORD value) const
{
    return Retried([&] { return m_api.setVcp(m_monitors[i].handle, kInputSourceCode, value) != FALSE; });
}

bool CMonitorList::ReadInput(int i, DWORD* value) const
{
    int type = 0;
    DWORD maximum = 0;
    return Retried(
        [&] { return m_api.getVcp(m_monitors[i].handle, kInputSourceCode, &type, value, &maximum) != FALSE; });
}

bool CMonitorList::ReadCapabilities(int i, CString* capabilities) const
{
    HANDLE handle = m_monitors[i].handle;
    DWORD length = 0;
    if (!Retried([&] { return m_api.capsLength(handle, &length) != FALSE; }) || length == 0 || length > 0x10000)
        return false;
    char* buffer = capabilities->GetBuffer(int(length));
    if (!buffer || !Retried([&] { return m_api.caps(handle, buffer, length) != FALSE; })) return false;
    buffer[length - 1] = 0;
    capabilities->ReleaseBuffer();
    return true;
}

CStringW NameFromIdentity(const wchar_t* identity)
{
    const wchar_t* bar = identity;
    while (*bar && *bar != L'|') ++bar;
    // The description, without the marks that keep alike monitors apart; the
    // device id where the monitor has no description.
    const wchar_t* name = *bar && bar[1] && bar[1] != L'+' ? bar + 1 : identity;
    int length = 0;
    while (name[length] && (name != identity || name[length] != L'|')) ++length;
    while (length > 0 && name[length - 1] == L'+') --length;
    return CStringW(name, length);
}
