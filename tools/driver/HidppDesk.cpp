#include "tools/driver/HidppDesk.h"
#include "tools/driver/Driver.h"
#include "tools/driver/HidDoubleTable.h"
#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <map>

namespace driver {

namespace {

#define HID_INTERFACE L"#{4d1e55b2-f16f-11cf-88cb-001111000030}"
#define RECEIVER L"\\\\.\\pipe\\hid#vid_046d&pid_c52b&mi_02&col0"

const struct {
    const wchar_t* path;
    USHORT vendor, product, version, usagePage, usage, input, output;
    const wchar_t* name;
    BYTE reportId;  // of the HID++ requests it takes; 0: it takes none and is never to be written
} kCollectionShapes[HidppDesk::kCollections] = {
    {RECEIVER L"1#hopdeck&1&0000" HID_INTERFACE, 0x046D, 0xC52B, 0x1203, 0xFF00, 0x0001, 7, 7, L"USB Receiver", 0x10},
    {RECEIVER L"2#hopdeck&1&0001" HID_INTERFACE, 0x046D, 0xC52B, 0x1203, 0xFF00, 0x0002, 20, 20, L"USB Receiver", 0x11},
    {RECEIVER L"3#hopdeck&1&0002" HID_INTERFACE, 0x046D, 0xC52B, 0x1203, 0x0001, 0x0006, 9, 2, L"USB Receiver", 0},
    {RECEIVER L"4#hopdeck&1&0003" HID_INTERFACE, 0x046D, 0xC52B, 0x1203, 0x0001, 0x0002, 8, 0, L"USB Receiver", 0},
    {L"\\\\.\\pipe\\hid#{00001124-0000-1000-8000-00805f9b34fb}_vid&0002046d_pid&b342#hopdeck&2&0000" HID_INTERFACE,
     0x046D, 0xB342, 0x0038, 0xFF43, 0x0202, 20, 20, L"K380", 0x11},
    {L"\\\\.\\pipe\\hid#vid_1234&pid_5678&col01#hopdeck&3&0000" HID_INTERFACE, 0x1234, 0x5678, 0x0100, 0xFF00, 0x0001, 7, 7,
     L"Test Device", 0},
    {L"\\\\.\\pipe\\hid#vid_1234&pid_5678&col02#hopdeck&3&0001" HID_INTERFACE, 0x1234, 0x5678, 0x0100, 0xFF00, 0x0002, 20, 20,
     L"Test Device", 0},
};

constexpr int kHosts = 3;

const struct DeviceModel {
    BYTE index;     // its device index: its slot on the receiver, or 0xFF on its own
    BYTE linkType;  // its type in the receiver's connection notifications
    BYTE kind;      // 0x0005's device type
    std::string name, model, unit;
    BYTE transports;  // 0x0003's: bit 0 Bluetooth, bit 1 Bluetooth LE, bit 2 Unifying
    WORD wpid;
    std::vector<WORD> features;        // by index
    const char* hostNames[kHosts];     // 0x1815's; "": nothing paired
    BYTE hostBus[kHosts];              // 0x1815's: 1 Unifying, 3 Bluetooth, 4 Bluetooth LE
    BYTE hosts;                        // how many it has
} kDeviceModels[HidppDesk::kDevices] = {
    {1, 0x01, 0, "MX Keys", std::string("\xB3\x5B\x40\x8A\0\0", 6), "\x1A\x2B\x3C\x4D", 0x06, 0x408A,
     {0x0000, 0x0001, 0x0003, 0x0005, 0x1D4B, 0x0020, 0x0007, 0x1000, 0x1B04, 0x1C00, 0x1814, 0x1815, 0x4521},
     {"THIS-PC", "ALICE-WORK-LAPTOP", ""}, {1, 4, 0}, 3},
    {2, 0x02, 3, "MX Master 3", std::string("\xB0\x23\x40\x82\0\0", 6), "\x5E\x6F\x70\x81", 0x06, 0x4082,
     {0x0000, 0x0001, 0x0005, 0x0003, 0x1D4B, 0x0020, 0x1000, 0x1B04, 0x2110, 0x1814, 0x2121, 0x2201}, {"", "", ""},
     {0, 0, 0}, 2},
    {0xFF, 0, 0, "K380", std::string("\xB3\x42\0\0\0\0", 6), "\x99\xAA\xBB\xCC", 0x01, 0,
     {0x0000, 0x0001, 0x0020, 0x1000, 0x0005, 0x0003, 0x1B04, 0x1815, 0x1814, 0x40A0, 0x4220},
     {"THIS-PC", "TABLET", ""}, {3, 3, 0}, 3},
};

// A report of that length that starts with those bytes, zeros after them.
std::string Frame(size_t length, std::initializer_list<int> bytes)
{
    std::string frame(length, '\0');
    std::transform(bytes.begin(), bytes.end(), frame.begin(), [](int b) { return char(b); });
    return frame;
}

std::string Error20(BYTE index, const std::string& request, int code)
{
    return Frame(20, {0x11, index, 0xFF, BYTE(request[2]), BYTE(request[3]), code});
}

int IndexOf(const DeviceModel& device, int feature)
{
    const auto at = std::find(device.features.begin(), device.features.end(), feature);
    return at == device.features.end() ? 0 : int(at - device.features.begin());
}

// Each handle the program opens takes an instance of the pipe that waits for
// it; the desk then makes another. Opening a pipe none waits on fails with
// ERROR_PIPE_BUSY, which real HID never does, and opens in a tight loop
// outrun the making of instances: enough wait for a burst of a dozen or so.
constexpr int kSpareInstances = 16;
// Windows keeps this many input reports for a handle that does not read.
constexpr size_t kInputBuffers = 32;
constexpr ULONG_PTR kCallKey = 1;

}  // namespace

// Everything is done on the desk's thread, the test's requests included
// (Run), so nothing is shared, and no I/O stops when a test's thread ends.
struct HidppDesk::Desk {
    // One instance of a collection's pipe: one handle of the program.
    struct Pipe {
        OVERLAPPED in = {};   // the connection, then each read
        OVERLAPPED out = {};  // the write under way
        HANDLE handle = INVALID_HANDLE_VALUE;
        Collection collection = kCollections;
        bool connected = false, writing = false, closed = false;
        int pending = 0;  // operations whose completion has not come yet
        char buffer[512];
        std::string sending;
        std::deque<std::string> reports;  // input reports to be read, in turn
    };
    struct Unit {
        State state = kAwake;
        int host = 0;
        bool away = false;  // gone to another host
        size_t cutTo = 0;  // the next answer's faults: its length, a HID++ 2.0 error instead, a delay
        int error = 0;
        DWORD delay = 0;
        std::vector<int> hostsSet;
    };
    struct Call {
        std::function<void()> fn;
        HANDLE done;
    };

    HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1);
    HANDLE thread = nullptr;
    std::vector<Pipe*> pipes;
    Unit units[kDevices];
    std::vector<Write> writes;
    std::multimap<ULONGLONG, std::function<void()>> timers;
    bool stopping = false;

    void Run(std::function<void()> fn)
    {
        Call call{std::move(fn), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        PostQueuedCompletionStatus(port, 0, kCallKey, reinterpret_cast<OVERLAPPED*>(&call));
        WaitForSingleObject(call.done, INFINITE);
        CloseHandle(call.done);
    }

    void Later(DWORD ms, std::function<void()> fn)
    {
        if (ms) timers.emplace(GetTickCount64() + ms, std::move(fn));
        else fn();
    }

    static DWORD WINAPI Serve(void* self)
    {
        auto* desk = static_cast<Desk*>(self);
        for (;;) {
            while (!desk->timers.empty() && desk->timers.begin()->first <= GetTickCount64()) {
                const auto fn = std::move(desk->timers.begin()->second);
                desk->timers.erase(desk->timers.begin());
                fn();
            }
            desk->Reap();
            if (desk->stopping && desk->pipes.empty()) return 0;
            const ULONGLONG now = GetTickCount64();
            const DWORD wait = desk->timers.empty() ? INFINITE
                                                    : DWORD(std::max(desk->timers.begin()->first, now) - now);
            DWORD bytes = 0;
            ULONG_PTR key = 0;
            OVERLAPPED* io = nullptr;
            const bool ok = GetQueuedCompletionStatus(desk->port, &bytes, &key, &io, wait) ||
                            GetLastError() == ERROR_MORE_DATA;
            if (!io) continue;  // a timer's time
            if (key == kCallKey) {
                auto* call = reinterpret_cast<Call*>(io);
                call->fn();
                SetEvent(call->done);
            } else {
                desk->Completed(reinterpret_cast<Pipe*>(key), io, ok, bytes);
            }
        }
    }

    // A pipe's operation is over.
    void Completed(Pipe* p, OVERLAPPED* io, bool ok, DWORD bytes)
    {
        --p->pending;
        if (p->closed) return;
        if (!ok) return Close(p);  // the program closed its handle
        if (io == &p->out) {
            p->writing = false;
            return SendNext(p);
        }
        if (p->connected) Received(*p, std::string(p->buffer, bytes));
        else Connected(p);
        if (!p->closed) Read(p);
    }

    void Listen(Collection c)
    {
        auto* p = new Pipe;
        p->collection = c;
        pipes.push_back(p);
        // No buffer for what goes to the program: a write waits until the
        // program has read it all, so each read takes one report whole, even
        // though a pipe's client reads a byte stream.
        p->handle = CreateNamedPipeW(kCollectionShapes[c].path, PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                     PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, PIPE_UNLIMITED_INSTANCES, 0, 4096, 0,
                                     nullptr);
        if (p->handle == INVALID_HANDLE_VALUE || !CreateIoCompletionPort(p->handle, port, ULONG_PTR(p), 0))
            return Close(p);
        if (ConnectNamedPipe(p->handle, &p->in) || GetLastError() == ERROR_IO_PENDING) ++p->pending;
        else if (GetLastError() != ERROR_PIPE_CONNECTED) Close(p);
        else {
            Connected(p);
            Read(p);
        }
    }

    void Connected(Pipe* p)
    {
        p->connected = true;
        Listen(p->collection);
    }

    void Read(Pipe* p)
    {
        if (ReadFile(p->handle, p->buffer, sizeof p->buffer, nullptr, &p->in) || GetLastError() == ERROR_IO_PENDING ||
            GetLastError() == ERROR_MORE_DATA)
            ++p->pending;
        else
            Close(p);
    }

    // Closing the handle ends its operations; the pipe is freed once the last has come back.
    void Close(Pipe* p)
    {
        if (p->closed) return;
        p->closed = true;
        if (p->handle != INVALID_HANDLE_VALUE) CloseHandle(p->handle);
    }

    void Reap()
    {
        pipes.erase(std::remove_if(pipes.begin(), pipes.end(),
                                   [](Pipe* p) { return p->closed && !p->pending ? (delete p, true) : false; }),
                    pipes.end());
    }

    // An input report of a collection, to every handle of it.
    void Send(Collection c, const std::string& report)
    {
        for (Pipe* p : pipes)
            if (p->collection == c && p->connected && !p->closed) {
                p->reports.push_back(report);
                if (p->reports.size() > kInputBuffers) p->reports.pop_front();
                if (!p->writing) SendNext(p);
            }
    }

    void SendNext(Pipe* p)
    {
        if (p->reports.empty()) return;
        p->sending = std::move(p->reports.front());
        p->reports.pop_front();
        p->writing = true;
        if (WriteFile(p->handle, p->sending.data(), DWORD(p->sending.size()), nullptr, &p->out) ||
            GetLastError() == ERROR_IO_PENDING)
            ++p->pending;
        else
            Close(p);
    }

    // A collection appears (its pipe is there before it is listed) or goes:
    // listed no more, then no instance waits for a handle, then every handle
    // of it fails, so that a program that sees one fail cannot open it again.
    void SetPresent(Collection c, bool on)
    {
        LONG& present = HidDouble()->collection[c].present;
        if (on == (present != 0)) return;
        if (!on) present = 0;
        for (bool connected : {false, true})
            for (Pipe* p : pipes)
                if (p->collection == c && p->connected == connected) Close(p);
        for (int i = 0; on && i < kSpareInstances; ++i) Listen(c);
        if (on) present = 1;
    }

    void Received(const Pipe& p, std::string bytes)
    {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        const size_t mark = sizeof kSetOutputReportMark - 1;
        const bool setOutputReport = bytes.compare(0, mark, kSetOutputReportMark) == 0;
        if (setOutputReport) bytes.erase(0, mark);
        const auto& shape = kCollectionShapes[p.collection];
        char violation[128] = "";
        if (!shape.reportId)
            snprintf(violation, sizeof violation, "written to a collection that is not HID++");
        else if (bytes.size() != shape.output)
            snprintf(violation, sizeof violation, "%u bytes where the collection's reports have %u",
                     unsigned(bytes.size()), unsigned(shape.output));
        else if (BYTE(bytes[0]) != shape.reportId)
            snprintf(violation, sizeof violation, "report id 0x%02X on the collection of report 0x%02X",
                     BYTE(bytes[0]), shape.reportId);
        else if (p.collection == kK380Long && BYTE(bytes[1]) != 0xFF)
            snprintf(violation, sizeof violation, "device index 0x%02X for a device on its own", BYTE(bytes[1]));
        writes.push_back({p.collection, bytes, now.QuadPart, setOutputReport, violation});
        if (!*violation) Request(p.collection, bytes);
    }

    void Request(Collection c, const std::string& r)
    {
        const BYTE index = BYTE(r[1]);
        if (c == kK380Long) return Answer(kK380, r);
        if (index == 0xFF) return Receiver(r);
        for (int d = 0; d < kK380; ++d)
            if (kDeviceModels[d].index == index) return Answer(Device(d), r);
        Send(kReceiverShort, Frame(7, {0x10, index, 0x8F, BYTE(r[2]), BYTE(r[3]), 0x08}));  // nothing paired there
    }

    // The receiver's own HID++ 1.0: registers written and read (as zeros), nothing else.
    void Receiver(const std::string& r)
    {
        const BYTE sub = BYTE(r[2]), reg = BYTE(r[3]);
        if (sub != 0x80 && sub != 0x81) return Send(kReceiverShort, Frame(7, {0x10, 0xFF, 0x8F, sub, reg, 0x01}));
        Send(kReceiverShort, Frame(7, {0x10, 0xFF, sub, reg}));
        if (sub == 0x80 && reg == 0x02 && r[4] == 0x02)  // announce the paired devices
            for (Device d : {kKeyboard, kMouse}) Send(kReceiverShort, Link(d));
    }

    // The receiver's connection notification of a device in one of its slots.
    std::string Link(Device d)
    {
        const DeviceModel& s = kDeviceModels[d];
        return Frame(7, {0x10, s.index, 0x41, 0x04, (units[d].away ? 0x40 : 0) | s.linkType, s.wpid & 0xFF,
                         s.wpid >> 8});
    }

    // The answer to a request for a device, as its state makes it.
    void Answer(Device d, const std::string& r)
    {
        const Unit& u = units[d];
        const bool own = d == kK380;
        const BYTE index = kDeviceModels[d].index;
        const auto error10 = [&](int code) {
            return Frame(own ? 20 : 7, {own ? 0x11 : 0x10, index, 0x8F, BYTE(r[2]), BYTE(r[3]), code});
        };
        if (u.away) return Reply(d, r, error10(0x09), 0);
        if (u.state == kAsleep && !own) return Reply(d, r, error10(0x09), 300);
        if (u.state == kHidpp10) return Reply(d, r, error10(0x01), 0);
        if (u.state != kAwake) return;
        const std::string answer = Hidpp20(d, r);
        if (!answer.empty()) Reply(d, r, answer, 0);
    }

    // A device's answer goes out, through its one-shot faults.
    void Reply(Device d, const std::string& r, std::string frame, DWORD delay)
    {
        Unit& u = units[d];
        if (u.error) frame = Error20(kDeviceModels[d].index, r, u.error);
        const Collection c = d == kK380 ? kK380Long : frame[0] == 0x10 ? kReceiverShort : kReceiverLong;
        if (u.cutTo) frame.resize(u.cutTo);
        delay += u.delay;
        u.error = 0, u.cutTo = 0, u.delay = 0;
        Later(delay, [this, c, frame] { Send(c, frame); });
    }

    // HID++ 2.0 of an awake device; no answer to a setCurrentHost that it follows.
    std::string Hidpp20(Device d, const std::string& r)
    {
        const DeviceModel& s = kDeviceModels[d];
        Unit& u = units[d];
        const auto p = [&](size_t i) -> int { return 4 + i < r.size() ? BYTE(r[4 + i]) : 0; };
        const BYTE fi = BYTE(r[2]), fn = BYTE(r[3]) >> 4;
        if (fi >= s.features.size()) return Error20(s.index, r, 0x06);
        std::string a = Frame(20, {0x11, s.index, fi, BYTE(r[3])});
        const auto put = [&](size_t at, std::initializer_list<int> bytes) {
            for (int b : bytes) a[4 + at++] = char(b);
        };
        const auto text = [&](size_t at, const std::string& t) { a.replace(4 + at, t.size(), t); };
        const std::string hostName = s.hostNames[std::min(int(p(0) == 0xFF ? u.host : p(0)), kHosts - 1)];
        switch (s.features[fi] << 4 | fn) {
        case 0x00000: put(0, {IndexOf(s, p(0) << 8 | p(1))}); break;
        case 0x00001: put(0, {4, 5, p(2)}); break;
        case 0x00010: put(0, {int(s.features.size()) - 1}); break;
        case 0x00011:
            if (size_t(p(0)) >= s.features.size()) return Error20(s.index, r, 0x02);
            put(0, {s.features[p(0)] >> 8, s.features[p(0)] & 0xFF});
            break;
        case 0x00030:
            put(0, {1});
            text(1, s.unit);
            put(5, {0, s.transports});
            text(7, s.model);
            break;
        case 0x00050: put(0, {int(s.name.size())}); break;
        case 0x00051: text(0, s.name.substr(std::min<size_t>(p(0), s.name.size()), 16)); break;
        case 0x00052: put(0, {s.kind}); break;
        case 0x18140: put(0, {s.hosts, u.host, 0}); break;
        case 0x18141:
            if (p(0) >= s.hosts) return Error20(s.index, r, 0x02);
            u.hostsSet.push_back(p(0));
            if (p(0) != u.host) Later(50, [this, d] { Leave(d); });
            u.host = p(0);
            return "";
        case 0x18150: put(0, {0x01, 0x00, kHosts, u.host}); break;
        case 0x18151:
        case 0x18153:
            if (p(0) >= kHosts && !(fn == 1 && p(0) == 0xFF)) return Error20(s.index, r, 0x02);
            if (fn == 1) {
                const int h = p(0) == 0xFF ? u.host : p(0);
                put(0, {h, !hostName.empty(), s.hostBus[h], 1, int(hostName.size()), 24});
            } else {
                put(0, {p(0), p(1)});
                text(2, hostName.substr(std::min<size_t>(p(1), hostName.size()), 14));
            }
            break;
        default: return Error20(s.index, r, 0x07);
        }
        return a;
    }

    // The device goes to its other host: the receiver tells its link is lost,
    // a device on its own disappears.
    void Leave(Device d)
    {
        units[d].away = true;
        if (d == kK380) SetPresent(kK380Long, false);
        else Send(kReceiverShort, Link(d));
    }
};

HidppDesk::HidppDesk() : m_desk(new Desk)
{
    HidDoubleTable* table = HidDouble();
    *table = HidDoubleTable();
    for (int c = 0; c < kCollections; ++c) {
        const auto& shape = kCollectionShapes[c];
        HidDoubleTable::Collection& entry = table->collection[c];
        lstrcpynW(entry.path, shape.path, 200);
        entry.vendor = shape.vendor, entry.product = shape.product, entry.version = shape.version;
        entry.usagePage = shape.usagePage, entry.usage = shape.usage;
        entry.inputLength = shape.input, entry.outputLength = shape.output;
        lstrcpynW(entry.productName, shape.name, 64);
    }
    m_desk->thread = CreateThread(nullptr, 0, Desk::Serve, m_desk, 0, nullptr);
    m_desk->Run([desk = m_desk] {
        for (int c = 0; c < kCollections; ++c) desk->SetPresent(Collection(c), true);
    });
}

HidppDesk::~HidppDesk()
{
    m_desk->Run([desk = m_desk] {
        for (int c = 0; c < kCollections; ++c) desk->SetPresent(Collection(c), false);
        desk->timers.clear();
        desk->stopping = true;
    });
    // The thread ends when every pipe's last operation has come back; if it
    // did not, what it still uses is left to it.
    if (WaitForSingleObject(m_desk->thread, 5000) != WAIT_OBJECT_0) return;
    CloseHandle(m_desk->thread);
    CloseHandle(m_desk->port);
    delete m_desk;
}

std::wstring HidppDesk::Path(Collection collection) { return kCollectionShapes[collection].path; }

HidppDesk::Device HidppDesk::HostChangeOf(const Write& write)
{
    const std::string& b = write.bytes;
    for (int d = 0; d < kDevices; ++d)
        if (b.size() > 4 && BYTE(b[1]) == kDeviceModels[d].index && BYTE(b[2]) == IndexOf(kDeviceModels[d], 0x1814) &&
            BYTE(b[3]) >> 4 == 1)
            return Device(d);
    return kDevices;
}

void HidppDesk::SetState(Device device, State state)
{
    m_desk->Run([=] { m_desk->units[device].state = state; });
}

void HidppDesk::PressEasySwitch(Device device, int host, bool announce, DWORD leaveMs)
{
    m_desk->Run([=] {
        const DeviceModel& s = kDeviceModels[device];
        Desk::Unit& u = m_desk->units[device];
        if (announce)
            m_desk->Send(device == kK380 ? kK380Long : kReceiverLong,
                         Frame(20, {0x11, s.index, IndexOf(s, 0x1814), 0x00, u.host, host}));
        // It is at its old host until it leaves.
        m_desk->Later(announce ? leaveMs : 0, [=] {
            m_desk->units[device].host = host;
            m_desk->Leave(device);
        });
    });
}

void HidppDesk::ComeBack(Device device)
{
    m_desk->Run([=] {
        Desk::Unit& u = m_desk->units[device];
        u.host = 0, u.state = kAwake, u.away = false;
        if (device == kK380) m_desk->SetPresent(kK380Long, true);
        else m_desk->Send(kReceiverShort, m_desk->Link(device));
    });
}

void HidppDesk::Unplug()
{
    m_desk->Run([=] {
        for (Collection c : {kReceiverShort, kReceiverLong, kReceiverKeyboard, kReceiverMouse})
            m_desk->SetPresent(c, false);
    });
}

void HidppDesk::PlugIn()
{
    m_desk->Run([=] {
        for (Collection c : {kReceiverShort, kReceiverLong, kReceiverKeyboard, kReceiverMouse})
            m_desk->SetPresent(c, true);
    });
}

void HidppDesk::NextAnswerLength(Device device, int bytes)
{
    m_desk->Run([=] { m_desk->units[device].cutTo = size_t(bytes); });
}

void HidppDesk::NextAnswerError(Device device, BYTE code)
{
    m_desk->Run([=] { m_desk->units[device].error = code; });
}

void HidppDesk::NextAnswerDelay(Device device, DWORD ms)
{
    m_desk->Run([=] { m_desk->units[device].delay = ms; });
}

int HidppDesk::CurrentHost(Device device)
{
    int host = 0;
    m_desk->Run([&] { host = m_desk->units[device].host; });
    return host;
}

std::vector<int> HidppDesk::HostsSet(Device device)
{
    std::vector<int> hosts;
    m_desk->Run([&] { hosts = m_desk->units[device].hostsSet; });
    return hosts;
}

std::vector<HidppDesk::Write> HidppDesk::Writes()
{
    std::vector<Write> writes;
    m_desk->Run([&] { writes = m_desk->writes; });
    return writes;
}

std::vector<HidppDesk::Write> HidppDesk::Violations()
{
    std::vector<Write> violations;
    for (Write& w : Writes())
        if (!w.violation.empty()) violations.push_back(w);
    return violations;
}

int HidppDesk::Connections(Collection collection)
{
    int count = 0;
    m_desk->Run([&] {
        for (const Desk::Pipe* p : m_desk->pipes) count += p->collection == collection && p->connected && !p->closed;
    });
    return count;
}

bool HidppDesk::WaitForWrites(size_t count, DWORD timeoutMs)
{
    return PumpUntil([&] { return Writes().size() >= count; }, timeoutMs);
}

}  // namespace driver
