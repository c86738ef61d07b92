#include "hidpp/HidppLink.h"
#include "framework/System.h"
#include <hidsdi.h>
#include <setupapi.h>
// The interface class this file uses, defined here.
#include <initguid.h>
#include <hidclass.h>

namespace {

constexpr USHORT kLogitech = 0x046D;
constexpr DWORD kAnswerMs = 1000;

wchar_t Lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c - L'A' + L'a') : c; }
bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (Lower(c) >= L'a' && Lower(c) <= L'f'); }

constexpr int kMaxPath = 400;

// What the collections of one device share in their paths:
// "\\?\hid#vid_046d&pid_c52b&mi_02&col01#8&2a3b4c5d&0&0000#{...}" up to its
// interface class (the last "#{": a Bluetooth device's path starts with its
// service's), without "&col01" and the collection's own "&0000".
void LinkKey(const wchar_t* path, wchar_t (&key)[kMaxPath])
{
    int end = 0, n = 0, cut = -1;
    for (int i = 0; path[i]; ++i)
        if (path[i] == L'#' && path[i + 1] == L'{') end = i;
    for (int i = 0; i < end && n < kMaxPath - 1; ++i) {
        if (path[i] == L'&' && Lower(path[i + 1]) == L'c' && Lower(path[i + 2]) == L'o' && Lower(path[i + 3]) == L'l' &&
            IsHex(path[i + 4]) && IsHex(path[i + 5])) {
            i += 5;
            continue;
        }
        if (path[i] == L'#' || path[i] == L'&') cut = path[i] == L'&' ? n : -1;
        key[n++] = Lower(path[i]);
    }
    key[cut < 0 ? n : cut] = 0;
}

// setupapi.dll and hid.dll for one listing.
class CHidApi {
public:
    CHidApi() : m_setupapi(LoadSystemLibrary("setupapi.dll")), m_hid(LoadSystemLibrary("hid.dll"))
    {
        m_ready = GetProc(m_setupapi, "SetupDiGetClassDevsW", classDevs) &&
                  GetProc(m_setupapi, "SetupDiEnumDeviceInterfaces", enumInterfaces) &&
                  GetProc(m_setupapi, "SetupDiGetDeviceInterfaceDetailW", interfaceDetail) &&
                  GetProc(m_setupapi, "SetupDiDestroyDeviceInfoList", destroyList) &&
                  GetProc(m_hid, "HidD_GetAttributes", attributes) &&
                  GetProc(m_hid, "HidD_GetPreparsedData", preparsed) &&
                  GetProc(m_hid, "HidD_FreePreparsedData", freePreparsed) && GetProc(m_hid, "HidP_GetCaps", caps);
    }
    ~CHidApi()
    {
        if (m_hid) FreeLibrary(m_hid);
        if (m_setupapi) FreeLibrary(m_setupapi);
    }
    CHidApi(const CHidApi&) = delete;
    CHidApi& operator=(const CHidApi&) = delete;
    bool Ready() const { return m_ready; }

    HDEVINFO(WINAPI* classDevs)(const GUID*, PCWSTR, HWND, DWORD) = nullptr;
    BOOL(WINAPI* enumInterfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD, PSP_DEVICE_INTERFACE_DATA) = nullptr;
    BOOL(WINAPI* interfaceDetail)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA, PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
                                  PSP_DEVINFO_DATA) = nullptr;
    BOOL(WINAPI* destroyList)(HDEVINFO) = nullptr;
    BOOLEAN(WINAPI* attributes)(HANDLE, PHIDD_ATTRIBUTES) = nullptr;
    BOOLEAN(WINAPI* preparsed)(HANDLE, PHIDP_PREPARSED_DATA*) = nullptr;
    BOOLEAN(WINAPI* freePreparsed)(PHIDP_PREPARSED_DATA) = nullptr;
    NTSTATUS(WINAPI* caps)(PHIDP_PREPARSED_DATA, PHIDP_CAPS) = nullptr;

private:
    HMODULE m_setupapi, m_hid;
    bool m_ready = false;
};

enum class Kind { None, Short, Long };

// What a collection is to this program: a HID++ one of short or long
// reports, or none of its business. It is opened without access for that,
// as Windows lets nobody but itself read a keyboard's or mouse's collections.
Kind KindOf(const CHidApi& api, const wchar_t* path)
{
    HANDLE h = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (h == INVALID_HANDLE_VALUE) return Kind::None;
    HIDD_ATTRIBUTES attributes = {};
    attributes.Size = sizeof attributes;
    HIDP_CAPS caps = {};
    PHIDP_PREPARSED_DATA data = nullptr;
    const bool known = api.attributes(h, &attributes) && attributes.VendorID == kLogitech && api.preparsed(h, &data) &&
                       api.caps(data, &caps) == HIDP_STATUS_SUCCESS;
    if (data) api.freePreparsed(data);
    CloseHandle(h);
    if (!known) return Kind::None;
    const bool vendorPage = caps.UsagePage == 0xFF00 || caps.UsagePage == 0xFF43;
    if (vendorPage && caps.InputReportByteLength == kLongLength && caps.OutputReportByteLength == kLongLength &&
        (caps.UsagePage == 0xFF43 || caps.Usage == 2))
        return Kind::Long;
    if (caps.UsagePage == 0xFF00 && caps.Usage == 1 && caps.InputReportByteLength == kShortLength &&
        caps.OutputReportByteLength == kShortLength)
        return Kind::Short;
    return Kind::None;
}

}  // namespace

int ListHidppLinks(HidppLink* links, int max)
{
    const CHidApi api;
    if (!api.Ready()) return 0;
    HDEVINFO set = api.classDevs(&GUID_DEVINTERFACE_HID, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    SP_DEVICE_INTERFACE_DATA data = {};
    data.cbSize = sizeof data;
    struct {
        SP_DEVICE_INTERFACE_DETAIL_DATA_W detail;
        wchar_t rest[kMaxPath];
    } path;
    for (DWORD i = 0; api.enumInterfaces(set, nullptr, &GUID_DEVINTERFACE_HID, i, &data); ++i) {
        path.detail.cbSize = sizeof path.detail;
        if (!api.interfaceDetail(set, &data, &path.detail, sizeof path, nullptr, nullptr)) continue;
        const Kind kind = KindOf(api, path.detail.DevicePath);
        if (kind == Kind::None) continue;
        // With the other collection of its device, if that came first.
        wchar_t key[kMaxPath], other[kMaxPath];
        LinkKey(path.detail.DevicePath, key);
        int at = 0;
        for (; at < count; ++at) {
            LinkKey((links[at].longPath.empty() ? links[at].shortPath : links[at].longPath).c_str(), other);
            if (!lstrcmpW(key, other)) break;
        }
        if (at == count) {
            if (count == max) continue;
            links[count++] = HidppLink();
        }
        (kind == Kind::Short ? links[at].shortPath : links[at].longPath) = path.detail.DevicePath;
        links[at].receiver = !links[at].shortPath.empty();
    }
    api.destroyList(set);
    return count;
}

bool CHidppChannel::Open(const HidppLink& link, HidppAsker asker)
{
    Close();
    m_asker = asker;
    m_receiver = link.receiver;
    if (link.receiver && OpenCollection(m_collection[m_count], link.shortPath, kShortLength)) m_short = m_count++;
    if (OpenCollection(m_collection[m_count], link.longPath, kLongLength)) m_long = m_count++;
    if (m_long < 0) Close();
    return m_long >= 0;
}

bool CHidppChannel::OpenCollection(Collection& c, const CStringW& path, int length)
{
    c.handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    c.read.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    c.length = length;
    if (c.handle != INVALID_HANDLE_VALUE && c.read.hEvent && StartRead(c)) return true;
    if (c.handle != INVALID_HANDLE_VALUE) CloseHandle(c.handle);
    if (c.read.hEvent) CloseHandle(c.read.hEvent);
    c = Collection();
    return false;
}

void CHidppChannel::Close()
{
    for (int i = 0; i < m_count; ++i) {
        Collection& c = m_collection[i];
        // The read must be over before its buffer goes.
        DWORD done = 0;
        if (c.reading && CancelIoEx(c.handle, &c.read)) GetOverlappedResult(c.handle, &c.read, &done, TRUE);
        CloseHandle(c.handle);
        CloseHandle(c.read.hEvent);
        c = Collection();
    }
    m_count = 0;
    m_short = m_long = -1;
}

bool CHidppChannel::StartRead(Collection& c)
{
    c.reading = ReadFile(c.handle, c.buffer, DWORD(c.length), nullptr, &c.read) || GetLastError() == ERROR_IO_PENDING;
    return c.reading;
}

CHidppChannel::Read CHidppChannel::TakeReport(int i, BYTE* report, int* length)
{
    Collection& c = m_collection[i];
    if (!c.reading) return kFailed;
    DWORD done = 0;
    if (!GetOverlappedResult(c.handle, &c.read, &done, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) return kNothing;
        c.reading = false;
        return kFailed;
    }
    *length = int(done);
    for (DWORD b = 0; b < done && b < sizeof c.buffer; ++b) report[b] = c.buffer[b];
    return StartRead(c) ? kReport : kFailed;
}

bool CHidppChannel::Write(const HidppReport& request)
{
    Collection& c = m_collection[request.length == kShortLength ? m_short : m_long];
    OVERLAPPED write = {};
    write.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!write.hEvent) return false;
    DWORD done = 0;
    bool written = WriteFile(c.handle, request.bytes, DWORD(request.length), nullptr, &write) != FALSE;
    if (!written && GetLastError() == ERROR_IO_PENDING) {
        // A device that takes no report holds the write: it is given up.
        if (WaitForSingleObject(write.hEvent, kAnswerMs) != WAIT_OBJECT_0) CancelIoEx(c.handle, &write);
        written = GetOverlappedResult(c.handle, &write, &done, TRUE) && done == DWORD(request.length);
    } else if (!written) {
        // Some devices take output reports only this way.
        HMODULE hid = LoadSystemLibrary("hid.dll");
        BOOLEAN(WINAPI * setOutput)(HANDLE, PVOID, ULONG) = nullptr;
        written = GetProc(hid, "HidD_SetOutputReport", setOutput) &&
                  setOutput(c.handle, const_cast<BYTE*>(request.bytes), ULONG(request.length));
        if (hid) FreeLibrary(hid);
    }
    CloseHandle(write.hEvent);
    return written;
}

bool CHidppChannel::Send(BYTE device, BYTE feature, BYTE function, const BYTE* params, int count)
{
    return m_count && Write(MakeRequest(m_short < 0 || count > 3, device, feature, function, params, count, m_asker));
}

CHidppChannel::Outcome CHidppChannel::Ask(BYTE device, BYTE feature, BYTE function, const BYTE* params, int count,
                                          BYTE* answer, BYTE* code, HANDLE stop)
{
    if (!m_count) return kGone;
    const HidppReport request = MakeRequest(m_short < 0 || count > 3, device, feature, function, params, count, m_asker);
    // Reports that came before the question answer nothing of it.
    BYTE report[kLongLength];
    int length = 0;
    for (int i = 0; i < m_count; ++i)
        while (TakeReport(i, report, &length) == kReport) {
        }
    if (!Write(request)) return kGone;
    const DWORD start = GetTickCount();
    for (;;) {
        for (int i = 0; i < m_count; ++i) {
            Read read;
            while ((read = TakeReport(i, report, &length)) == kReport) {
                switch (ReadReply(request, report, length, code)) {
                case Reply::Answer:
                    for (int b = 0; b < kLongParams; ++b) answer[b] = b + 4 < length ? report[b + 4] : 0;
                    return kAnswered;
                case Reply::Error: return kRefused;
                case Reply::None: break;
                }
            }
            if (read == kFailed) return kGone;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= kAnswerMs) return kNoAnswer;
        HANDLE events[3];
        int n = 0;
        for (int i = 0; i < m_count; ++i) events[n++] = m_collection[i].read.hEvent;
        if (stop) events[n++] = stop;
        const DWORD waited = WaitForMultipleObjects(DWORD(n), events, FALSE, kAnswerMs - elapsed);
        if (stop && waited == WAIT_OBJECT_0 + DWORD(n - 1)) return kStopped;
    }
}
