// Winsock's declarations must come before windows.h's.
#include <winsock2.h>
#include <ws2tcpip.h>
#include "kvm/KvmSender.h"
#include "framework/System.h"
#include "res/resource.h"
#include <new>

namespace {

constexpr DWORD kLookupMs = 2000;
constexpr DWORD kConnectMs = 2000;
constexpr DWORD kCommandMs = 5000;
constexpr DWORD kWriteMs = 1000;
constexpr DWORD kSpacingMs = 1000;
// How long the answer is waited for, to empty the line.
constexpr DWORD kAnswerMs = 200;
// The addresses of a host that are tried, in the order the lookup gives them.
constexpr int kMaxAddresses = 8;

DWORD Remaining(DWORD start, DWORD limit)
{
    const DWORD elapsed = GetTickCount() - start;
    return elapsed < limit ? limit - elapsed : 0;
}

// ws2_32, loaded for each command: the program needs no network otherwise.
class CWinsock {
public:
    CWinsock() : m_dll(LoadSystemLibrary("ws2_32.dll"))
    {
        WSADATA data;
        m_ready = GetProc(m_dll, "WSAStartup", m_startup) && GetProc(m_dll, "WSACleanup", m_cleanup) &&
                  GetProc(m_dll, "socket", socket) && GetProc(m_dll, "connect", connect) &&
                  GetProc(m_dll, "ioctlsocket", ioctl) && GetProc(m_dll, "select", select) &&
                  GetProc(m_dll, "getsockopt", getsockopt) && GetProc(m_dll, "send", send) &&
                  GetProc(m_dll, "recv", recv) && GetProc(m_dll, "shutdown", shutdown) &&
                  GetProc(m_dll, "closesocket", closesocket) && GetProc(m_dll, "WSAGetLastError", lastError) &&
                  m_startup(MAKEWORD(2, 2), &data) == 0;
    }
    ~CWinsock()
    {
        if (m_ready) m_cleanup();
        if (m_dll) FreeLibrary(m_dll);
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;
    bool Ready() const { return m_ready; }

    SOCKET(WINAPI* socket)(int, int, int) = nullptr;
    int(WINAPI* connect)(SOCKET, const sockaddr*, int) = nullptr;
    int(WINAPI* ioctl)(SOCKET, long, u_long*) = nullptr;
    int(WINAPI* select)(int, fd_set*, fd_set*, fd_set*, const timeval*) = nullptr;
    int(WINAPI* getsockopt)(SOCKET, int, int, char*, int*) = nullptr;
    int(WINAPI* send)(SOCKET, const char*, int, int) = nullptr;
    int(WINAPI* recv)(SOCKET, char*, int, int) = nullptr;
    int(WINAPI* shutdown)(SOCKET, int) = nullptr;
    int(WINAPI* closesocket)(SOCKET) = nullptr;
    int(WINAPI* lastError)() = nullptr;

    // Whether the socket becomes writable (or readable) within ms; its error otherwise.
    DWORD Wait(SOCKET s, bool write, DWORD ms) const
    {
        fd_set ready = {1, {s}}, failed = {1, {s}};
        timeval limit = {long(ms / 1000), long(ms % 1000 * 1000)};
        const int n = select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &limit);
        if (n == 0) return WSAETIMEDOUT;
        if (n < 0) return DWORD(lastError());
        if (!failed.fd_count) return 0;
        int error = 0, size = sizeof error;
        getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
        return error ? DWORD(error) : DWORD(WSAECONNREFUSED);
    }

private:
    HMODULE m_dll;
    bool m_ready = false;
    int(WINAPI* m_startup)(WORD, WSADATA*) = nullptr;
    int(WINAPI* m_cleanup)() = nullptr;
};

// "192.168.1.10" as an address in network order, which needs no lookup.
bool ParseIpv4(const wchar_t* text, ULONG* address)
{
    BYTE parts[4];
    for (int i = 0; i < 4; ++i) {
        int value = 0, digits = 0;
        for (; *text >= L'0' && *text <= L'9' && digits < 4; ++text, ++digits) value = value * 10 + (*text - L'0');
        if (!digits || digits > 3 || value > 255 || *text != (i < 3 ? L'.' : 0)) return false;
        parts[i] = BYTE(value);
        if (i < 3) ++text;
    }
    // The first part is the first byte in memory.
    *address = ULONG(parts[0]) | ULONG(parts[1]) << 8 | ULONG(parts[2]) << 16 | ULONG(parts[3]) << 24;
    return true;
}

// A host name looked up on a thread of its own: Windows' lookup has no time
// limit (a name without a dot may go to LLMNR and NetBIOS, which take
// seconds), so the command waits for it a while and then lets it finish
// alone. The thread holds ws2_32 and its own share of the record, so either
// side may be the last to let go.
class CNameLookup {
public:
    // The host's IPv4 addresses (at most max), or the lookup's error;
    // WSAETIMEDOUT when it took longer than ms.
    static DWORD Run(const wchar_t* host, ULONG* addresses, int max, int* count, DWORD ms)
    {
        auto* lookup = new (std::nothrow) CNameLookup(host);
        if (!lookup || !lookup->m_done) {
            delete lookup;
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        HANDLE thread = CreateThread(nullptr, 0, Thread, lookup, 0, nullptr);
        if (!thread) {
            const DWORD error = GetLastError();
            delete lookup;
            return error;
        }
        CloseHandle(thread);
        DWORD error = WSAETIMEDOUT;
        if (WaitForSingleObject(lookup->m_done, ms) == WAIT_OBJECT_0) {
            error = lookup->m_error;
            for (*count = 0; *count < max && *count < lookup->m_count; ++*count) addresses[*count] = lookup->m_addresses[*count];
        }
        lookup->Release();
        return error;
    }

private:
    explicit CNameLookup(const wchar_t* host) : m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_host(host) {}
    ~CNameLookup()
    {
        if (m_done) CloseHandle(m_done);
    }
    void Release()
    {
        if (InterlockedDecrement(&m_refs) == 0) delete this;
    }

    static DWORD WINAPI Thread(void* self)
    {
        auto* lookup = static_cast<CNameLookup*>(self);
        HMODULE dll = LoadSystemLibrary("ws2_32.dll");
        lookup->Look(dll);
        SetEvent(lookup->m_done);
        lookup->Release();
        // What runs from here on is the program's own, not ws2_32's.
        if (dll) FreeLibrary(dll);
        return 0;
    }

    void Look(HMODULE dll)
    {
        int(WINAPI * startup)(WORD, WSADATA*) = nullptr;
        int(WINAPI * cleanup)() = nullptr;
        INT(WINAPI * getAddrInfo)(PCWSTR, PCWSTR, const ADDRINFOW*, PADDRINFOW*) = nullptr;
        void(WINAPI * freeAddrInfo)(PADDRINFOW) = nullptr;
        WSADATA data;
        if (!GetProc(dll, "WSAStartup", startup) || !GetProc(dll, "WSACleanup", cleanup) ||
            !GetProc(dll, "GetAddrInfoW", getAddrInfo) || !GetProc(dll, "FreeAddrInfoW", freeAddrInfo) ||
            startup(MAKEWORD(2, 2), &data) != 0) {
            m_error = ERROR_MOD_NOT_FOUND;
            return;
        }
        ADDRINFOW hints = {};
        // The switches on the market speak IPv4.
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        hints.ai_protocol = IPPROTO_TCP;
        ADDRINFOW* found = nullptr;
        m_error = DWORD(getAddrInfo(m_host.c_str(), nullptr, &hints, &found));
        for (ADDRINFOW* a = found; !m_error && a && m_count < kMaxAddresses; a = a->ai_next)
            if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in))
                m_addresses[m_count++] = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
        if (found) freeAddrInfo(found);
        cleanup();
    }

    volatile LONG m_refs = 2;
    HANDLE m_done;
    CStringW m_host;
    ULONG m_addresses[kMaxAddresses] = {};
    int m_count = 0;
    DWORD m_error = WSAHOST_NOT_FOUND;
};

void PostOutcome(const KvmRequest& request, DWORD result)
{
    if (request.notify) PostMessageW(request.notify, request.message, result, request.ticket);
}

// Whether the command's bytes may still go: not once it has been dropped.
bool Dropped(const volatile LONG* dropped) { return dropped && *dropped; }

// Sends the bytes over a connected socket, tells that they went, and empties
// what comes back.
DWORD Exchange(const CWinsock& ws, SOCKET s, const KvmRequest& request, DWORD start, const volatile LONG* dropped)
{
    const KvmCommand& command = request.command;
    if (Dropped(dropped)) return ERROR_CANCELLED;
    for (int sent = 0; sent < command.size;) {
        const int n = ws.send(s, reinterpret_cast<const char*>(command.bytes) + sent, command.size - sent, 0);
        if (n > 0) {
            sent += n;
            continue;
        }
        const DWORD error = DWORD(ws.lastError());
        if (error != WSAEWOULDBLOCK) return error;
        if (const DWORD waited = ws.Wait(s, true, Remaining(start, kCommandMs))) return waited;
    }
    if (command.size) {
        PostOutcome(request, 0);
        char answer[64];
        const DWORD ms = Remaining(start, kCommandMs) < kAnswerMs ? Remaining(start, kCommandMs) : kAnswerMs;
        for (int i = 0; i < 16 && ws.Wait(s, false, ms) == 0 && ws.recv(s, answer, sizeof answer, 0) > 0; ++i) {
        }
    }
    ws.shutdown(s, SD_SEND);
    return 0;
}

DWORD SendOverNetwork(const KvmRequest& request, const volatile LONG* dropped)
{
    const DWORD start = GetTickCount();
    CWinsock ws;
    if (!ws.Ready()) return ERROR_MOD_NOT_FOUND;
    ULONG addresses[kMaxAddresses];
    int count = 0;
    if (ParseIpv4(request.link.host.c_str(), &addresses[0])) {
        count = 1;
    } else if (const DWORD error = CNameLookup::Run(request.link.host.c_str(), addresses, kMaxAddresses, &count, kLookupMs)) {
        return error;
    }
    // The connection's time starts when the lookup is over.
    const DWORD connecting = GetTickCount();
    DWORD error = count ? DWORD(WSAETIMEDOUT) : DWORD(WSAHOST_NOT_FOUND);
    for (int i = 0; i < count && Remaining(connecting, kConnectMs); ++i) {
        const SOCKET s = ws.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET) return DWORD(ws.lastError());
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = WORD((request.link.port >> 8) | ((request.link.port & 0xFF) << 8));
        address.sin_addr.s_addr = addresses[i];
        u_long nonBlocking = 1;
        ws.ioctl(s, long(FIONBIO), &nonBlocking);
        error = ws.connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ? 0 : DWORD(ws.lastError());
        if (error == WSAEWOULDBLOCK) error = ws.Wait(s, true, Remaining(connecting, kConnectMs));
        // Once connected the outcome is this one's: a command that failed
        // part-way is not tried again elsewhere, where the switch could get it twice.
        const bool connected = !error;
        if (connected) error = Exchange(ws, s, request, start, dropped);
        ws.closesocket(s);
        if (connected) break;
    }
    return error;
}

DWORD SendOverSerial(const KvmRequest& request, const volatile LONG* dropped)
{
    wchar_t name[16];
    wsprintfW(name, L"\\\\.\\COM%d", request.link.com);
    HANDLE port = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return GetLastError();
    // 8 data bits, no parity, one stop bit, no flow control.
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts = {};
    // A read waits for the first byte of an answer, and no longer for more.
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kAnswerMs;
    // Ten bits a byte go at the line's speed; a second more is the limit.
    timeouts.WriteTotalTimeoutMultiplier = DWORD(10000 / request.link.speed + 1);
    timeouts.WriteTotalTimeoutConstant = kWriteMs;
    DWORD error = 0, done = 0;
    if (!GetCommState(port, &dcb)) {
        error = GetLastError();
    } else {
        dcb.BaudRate = DWORD(request.link.speed);
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = dcb.fInX = dcb.fNull = dcb.fAbortOnError = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        // Some drivers report both as 0, which SetCommState refuses.
        dcb.XonChar = 0x11;
        dcb.XoffChar = 0x13;
        if (!SetCommState(port, &dcb) || !SetCommTimeouts(port, &timeouts)) error = GetLastError();
    }
    if (!error && request.command.size && Dropped(dropped)) error = ERROR_CANCELLED;
    if (!error && request.command.size) {
        if (!WriteFile(port, request.command.bytes, DWORD(request.command.size), &done, nullptr)) error = GetLastError();
        else if (done < DWORD(request.command.size)) error = ERROR_TIMEOUT;
        else PostOutcome(request, 0);
        BYTE answer[64];
        for (int i = 0; !error && i < 16 && ReadFile(port, answer, sizeof answer, &done, nullptr) && done; ++i) {
        }
    }
    CloseHandle(port);
    return error;
}

DWORD Send(const KvmRequest& request, const volatile LONG* dropped)
{
    switch (request.link.kind) {
    case LinkKind::Serial: return SendOverSerial(request, dropped);
    case LinkKind::Network: return SendOverNetwork(request, dropped);
    default: return ERROR_INVALID_PARAMETER;
    }
}

// The one queue of the process. It lives as long as the process: its thread
// may still be sending when the windows have gone.
class CKvmQueue {
public:
    CKvmQueue()
    {
        InitializeCriticalSection(&m_lock);
        m_idle = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    }

    LPARAM Queue(const KvmRequest& request)
    {
        // A test has a place of its own: it neither replaces a command nor is replaced by one.
        const int slot = request.command.size ? kCommand : kTest;
        EnterCriticalSection(&m_lock);
        const LPARAM replaced = m_waiting[slot] ? m_pending[slot].ticket : 0;
        const bool start = !m_running;
        m_pending[slot] = request;
        m_waiting[slot] = m_running = true;
        ResetEvent(m_idle);
        LeaveCriticalSection(&m_lock);
        if (!start) return replaced;
        HANDLE thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        if (thread) {
            // It ends by itself; nothing waits for it by its handle.
            CloseHandle(thread);
            return replaced;
        }
        const DWORD error = GetLastError();
        EnterCriticalSection(&m_lock);
        KvmRequest other = m_pending[!slot];
        const bool both = m_waiting[!slot];
        m_waiting[kCommand] = m_waiting[kTest] = m_running = false;
        SetEvent(m_idle);
        LeaveCriticalSection(&m_lock);
        PostOutcome(request, error);
        if (both) PostOutcome(other, error);
        return replaced;
    }

    bool Wait(DWORD ms) const { return WaitForSingleObject(m_idle, ms) == WAIT_OBJECT_0; }

    void Drop()
    {
        KvmRequest dropped[kSlots];
        bool waiting[kSlots];
        EnterCriticalSection(&m_lock);
        for (int slot = 0; slot < kSlots; ++slot) {
            waiting[slot] = m_waiting[slot];
            if (waiting[slot]) dropped[slot] = m_pending[slot];
            m_waiting[slot] = false;
        }
        m_dropped = 1;
        LeaveCriticalSection(&m_lock);
        for (int slot = 0; slot < kSlots; ++slot)
            if (waiting[slot]) PostOutcome(dropped[slot], ERROR_CANCELLED);
    }

private:
    static DWORD WINAPI Run(void* self)
    {
        static_cast<CKvmQueue*>(self)->Loop();
        return 0;
    }

    void Loop()
    {
        for (;;) {
            EnterCriticalSection(&m_lock);
            // A test first: it only opens the port or connects.
            const int slot = m_waiting[kTest] ? kTest : kCommand;
            if (!m_waiting[slot]) {
                m_running = false;
                SetEvent(m_idle);
                LeaveCriticalSection(&m_lock);
                return;
            }
            const CStringW link = FormatKvmLink(m_pending[slot].link);
            const DWORD wait = lstrcmpiW(link.c_str(), m_lastLink.c_str()) ? 0 : Remaining(m_lastEnd, kSpacingMs);
            KvmRequest request;
            if (!wait) {
                request = m_pending[slot];
                m_waiting[slot] = false;
                m_dropped = 0;
            }
            LeaveCriticalSection(&m_lock);
            if (wait) {
                // A newer command may take this one's place meanwhile, or all may be dropped.
                Sleep(wait);
                continue;
            }
            DWORD result = Send(request, &m_dropped);
            EnterCriticalSection(&m_lock);
            // Dropped on its way, it failed while the PC slept or the program
            // ended: nobody is to be told of that.
            if (result && m_dropped) result = ERROR_CANCELLED;
            m_lastLink = link;
            m_lastEnd = GetTickCount();
            LeaveCriticalSection(&m_lock);
            // A command that went was told so as soon as its bytes had
            // gone, before its answer was waited for: what follows it (the
            // devices) need not wait for the switch's silence.
            if (result || !request.command.size) PostOutcome(request, result);
        }
    }

    enum { kCommand, kTest, kSlots };
    CRITICAL_SECTION m_lock;
    HANDLE m_idle;
    bool m_running = false;
    bool m_waiting[kSlots] = {};
    KvmRequest m_pending[kSlots];
    // Set when everything is dropped: the request being sent then sends nothing.
    volatile LONG m_dropped = 0;
    CStringW m_lastLink;
    DWORD m_lastEnd = 0;
};

CKvmQueue* Queue()
{
    static CKvmQueue* queue = new (std::nothrow) CKvmQueue;
    return queue;
}

}  // namespace

LPARAM QueueKvmCommand(const KvmRequest& request)
{
    if (CKvmQueue* queue = Queue()) return queue->Queue(request);
    PostOutcome(request, ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

bool WaitForKvmCommands(DWORD ms)
{
    CKvmQueue* queue = Queue();
    return !queue || queue->Wait(ms);
}

void DropKvmCommands()
{
    if (CKvmQueue* queue = Queue()) queue->Drop();
}

DWORD SendKvmCommand(const KvmRequest& request) { return Send(request, nullptr); }

CStringW SystemErrorText(DWORD error)
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    CStringW words(text, int(length));
    if (text) LocalFree(text);
    // Without the line break Windows ends its messages with.
    int end = words.size();
    while (end > 0 && (words.c_str()[end - 1] == L'\n' || words.c_str()[end - 1] == L'\r' || words.c_str()[end - 1] == L' '))
        --end;
    return end ? CStringW(words.c_str(), end) : FormatResString(IDS_SYSTEM_ERROR, error);
}
