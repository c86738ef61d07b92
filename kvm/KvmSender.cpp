// Winsock's declarations must come before windows.h's.
#include <winsock2.h>
#include <ws2tcpip.h>
#include "kvm/KvmSender.h"
#include "framework/System.h"
#include "res/resource.h"
#include <new>

namespace {

constexpr DWORD kConnectMs = 2000;
constexpr DWORD kWriteMs = 1000;
constexpr DWORD kSpacingMs = 1000;
// How long the answer is waited for, to empty the line.
constexpr DWORD kAnswerMs = 200;

// ws2_32, loaded for each command: the program needs no network otherwise.
class CWinsock {
public:
    CWinsock() : m_dll(LoadSystemLibrary("ws2_32.dll"))
    {
        WSADATA data;
        m_ready = GetProc(m_dll, "WSAStartup", m_startup) && GetProc(m_dll, "WSACleanup", m_cleanup) &&
                  GetProc(m_dll, "GetAddrInfoW", getAddrInfo) && GetProc(m_dll, "FreeAddrInfoW", freeAddrInfo) &&
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

    INT(WINAPI* getAddrInfo)(PCWSTR, PCWSTR, const ADDRINFOW*, PADDRINFOW*) = nullptr;
    void(WINAPI* freeAddrInfo)(PADDRINFOW) = nullptr;
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

DWORD Remaining(DWORD start, DWORD limit)
{
    const DWORD elapsed = GetTickCount() - start;
    return elapsed < limit ? limit - elapsed : 0;
}

// Sends the bytes over a connected socket and empties what comes back.
DWORD Exchange(const CWinsock& ws, SOCKET s, const KvmCommand& command, DWORD start)
{
    for (int sent = 0; sent < command.size;) {
        const int n = ws.send(s, reinterpret_cast<const char*>(command.bytes) + sent, command.size - sent, 0);
        if (n > 0) {
            sent += n;
            continue;
        }
        const DWORD error = DWORD(ws.lastError());
        if (error != WSAEWOULDBLOCK) return error;
        if (const DWORD waited = ws.Wait(s, true, Remaining(start, kConnectMs))) return waited;
    }
    if (command.size) {
        char answer[64];
        for (int i = 0; i < 16 && ws.Wait(s, false, kAnswerMs) == 0 && ws.recv(s, answer, sizeof answer, 0) > 0; ++i) {
        }
    }
    ws.shutdown(s, SD_SEND);
    return 0;
}

DWORD SendOverNetwork(const KvmRequest& request)
{
    const DWORD start = GetTickCount();
    CWinsock ws;
    if (!ws.Ready()) return ERROR_MOD_NOT_FOUND;
    ADDRINFOW hints = {};
    // A host name or an IPv4 address: the switches on the market speak IPv4.
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    wchar_t service[8];
    wsprintfW(service, L"%d", request.link.port);
    ADDRINFOW* found = nullptr;
    if (const int error = ws.getAddrInfo(request.link.host.c_str(), service, &hints, &found)) return DWORD(error);
    DWORD error = WSAETIMEDOUT;
    for (ADDRINFOW* address = found; address; address = address->ai_next) {
        const SOCKET s = ws.socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (s == INVALID_SOCKET) {
            error = DWORD(ws.lastError());
            continue;
        }
        u_long nonBlocking = 1;
        ws.ioctl(s, long(FIONBIO), &nonBlocking);
        error = ws.connect(s, address->ai_addr, int(address->ai_addrlen)) == 0 ? 0 : DWORD(ws.lastError());
        if (error == WSAEWOULDBLOCK) error = ws.Wait(s, true, Remaining(start, kConnectMs));
        if (!error) error = Exchange(ws, s, request.command, start);
        ws.closesocket(s);
        if (!error || !Remaining(start, kConnectMs)) break;
    }
    ws.freeAddrInfo(found);
    return error;
}

DWORD SendOverSerial(const KvmRequest& request)
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
    if (!error && request.command.size) {
        if (!WriteFile(port, request.command.bytes, DWORD(request.command.size), &done, nullptr)) error = GetLastError();
        else if (done < DWORD(request.command.size)) error = ERROR_TIMEOUT;
        BYTE answer[64];
        for (int i = 0; !error && i < 16 && ReadFile(port, answer, sizeof answer, &done, nullptr) && done; ++i) {
        }
    }
    CloseHandle(port);
    return error;
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

    void Queue(const KvmRequest& request)
    {
        // A test has a place of its own: it neither replaces a command nor is replaced by one.
        const int slot = request.command.size ? kCommand : kTest;
        EnterCriticalSection(&m_lock);
        const bool replaced = m_waiting[slot], start = !m_running;
        KvmRequest waiting;
        if (replaced) waiting = m_pending[slot];
        m_pending[slot] = request;
        m_waiting[slot] = m_running = true;
        ResetEvent(m_idle);
        LeaveCriticalSection(&m_lock);
        if (replaced) Tell(waiting, ERROR_CANCELLED);
        if (!start) return;
        HANDLE thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        if (thread) {
            // It ends by itself; nothing waits for it by its handle.
            CloseHandle(thread);
            return;
        }
        const DWORD error = GetLastError();
        EnterCriticalSection(&m_lock);
        KvmRequest other = m_pending[!slot];
        const bool both = m_waiting[!slot];
        m_waiting[kCommand] = m_waiting[kTest] = m_running = false;
        SetEvent(m_idle);
        LeaveCriticalSection(&m_lock);
        Tell(request, error);
        if (both) Tell(other, error);
    }

    bool Wait(DWORD ms) const { return WaitForSingleObject(m_idle, ms) == WAIT_OBJECT_0; }

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
            }
            LeaveCriticalSection(&m_lock);
            if (wait) {
                // A newer command may take this one's place meanwhile.
                Sleep(wait);
                continue;
            }
            const DWORD result = SendKvmCommand(request);
            EnterCriticalSection(&m_lock);
            m_lastLink = link;
            m_lastEnd = GetTickCount();
            LeaveCriticalSection(&m_lock);
            Tell(request, result);
        }
    }

    static void Tell(const KvmRequest& request, DWORD result)
    {
        if (request.notify) PostMessageW(request.notify, request.message, result, request.ticket);
    }

    enum { kCommand, kTest, kSlots };
    CRITICAL_SECTION m_lock;
    HANDLE m_idle;
    bool m_running = false;
    bool m_waiting[kSlots] = {};
    KvmRequest m_pending[kSlots];
    CStringW m_lastLink;
    DWORD m_lastEnd = 0;
};

CKvmQueue* Queue()
{
    static CKvmQueue* queue = new (std::nothrow) CKvmQueue;
    return queue;
}

}  // namespace

void QueueKvmCommand(const KvmRequest& request)
{
    if (CKvmQueue* queue = Queue()) queue->Queue(request);
    else if (request.notify) PostMessageW(request.notify, request.message, ERROR_NOT_ENOUGH_MEMORY, request.ticket);
}

bool WaitForKvmCommands(DWORD ms)
{
    CKvmQueue* queue = Queue();
    return !queue || queue->Wait(ms);
}

DWORD SendKvmCommand(const KvmRequest& request)
{
    switch (request.link.kind) {
    case LinkKind::Serial: return SendOverSerial(request);
    case LinkKind::Network: return SendOverNetwork(request);
    default: return ERROR_INVALID_PARAMETER;
    }
}

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
