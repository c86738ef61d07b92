#include "app/RunningCopy.h"
#include "app/Switch.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "res/resource.h"

namespace {

UINT AnswerMessage()
{
    static const UINT message = RegisterWindowMessageW(L"HopdeckAnswer");
    return message;
}

// The claim of the request that the window `asker` of process `pid` makes.
CStringW ClaimName(DWORD pid, HWND asker)
{
    wchar_t name[64];
    wsprintfW(name, L"HopdeckRequest.%lu.%lu", pid, DWORD(reinterpret_cast<UINT_PTR>(asker)));
    return name;
}

DWORD Remaining(DWORD start, DWORD limit)
{
    const DWORD elapsed = GetTickCount() - start;
    return elapsed < limit ? limit - elapsed : 0;
}

// What an asking start holds while it waits: the window the answer comes to
// (which nobody else sees), the claim, and the copy's process.
class CAsking {
public:
    explicit CAsking(HWND running)
        : m_reply(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(running, &pid);
        m_process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!m_reply) return;
        m_claim = CreateSemaphoreW(nullptr, 1, 1, ClaimName(GetCurrentProcessId(), m_reply).c_str());
        // A process running as administrator lets the answer in from the
        // copy of a normal user (Windows 7 and later ask for that).
        BOOL(WINAPI * allow)(HWND, UINT, DWORD, void*) = nullptr;
        if (GetProc(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx", allow))
            allow(m_reply, AnswerMessage(), MSGFLT_ALLOW, nullptr);
    }
    ~CAsking()
    {
        if (m_claim) CloseHandle(m_claim);
        if (m_process) CloseHandle(m_process);
        if (m_reply) DestroyWindow(m_reply);
    }
    CAsking(const CAsking&) = delete;
    CAsking& operator=(const CAsking&) = delete;

    bool Ask(HWND running, int pc) const
    {
        return m_reply && m_claim && m_process && PostMessageW(running, RequestMessage(), WPARAM(pc), LPARAM(m_reply));
    }
    // The answer, if it comes within `ms` of `start`. An answer posted as the
    // copy ends is still in the queue: it is read once more after the end.
    bool WaitForAnswer(DWORD start, DWORD ms, int* code)
    {
        for (;;) {
            MSG msg;
            if (PeekMessageW(&msg, m_reply, AnswerMessage(), AnswerMessage(), PM_REMOVE)) {
                *code = int(msg.wParam);
                return true;
            }
            const DWORD left = Remaining(start, ms);
            if (m_gone || !left) return false;
            if (MsgWaitForMultipleObjects(1, &m_process, FALSE, left, QS_POSTMESSAGE) == WAIT_OBJECT_0) m_gone = true;
        }
    }
    // Takes the request back, if the copy has not taken it yet: then it never will.
    bool TakeBack() const { return WaitForSingleObject(m_claim, 0) == WAIT_OBJECT_0; }

private:
    HWND m_reply;
    HANDLE m_process = nullptr;
    HANDLE m_claim = nullptr;
    bool m_gone = false;
};

}  // namespace

HWND FindRunningCopy()
{
    const CStringW title = LoadResString(IDS_APP_TITLE);
    const wchar_t* appName = CWinApp::Get()->AppNameW();
    CStringW image;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kMainWndClass, title.c_str())) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) continue;
        DWORD size = 32768;
        wchar_t* buf = image.GetBuffer(size);
        const bool named = buf && QueryFullProcessImageNameW(process, 0, buf, &size);
        CloseHandle(process);
        if (!named) continue;
        image.ReleaseBuffer(size);
        if (CompareStringOrdinal(AppNameFromPath(image.c_str()).c_str(), -1, appName, -1, TRUE) == CSTR_EQUAL) return w;
    }
    return nullptr;
}

bool PostCommandToRunningCopy(HWND running, UINT command)
{
    if (!running) return false;
    // The copy may bring a window of its own to the foreground (the settings).
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    AllowSetForegroundWindow(pid);
    return PostMessageW(running, WM_COMMAND, command, 0) != FALSE;
}

bool AskRunningCopy(HWND running, int pc, int* code)
{
    CAsking asking(running);
    if (!asking.Ask(running, pc)) return false;
    const DWORD start = GetTickCount();
    if (asking.WaitForAnswer(start, kRequestTakenMs, code)) return true;
    if (asking.TakeBack()) return false;
    // Taken: it is being done, and its answer comes, unless the copy ends first.
    if (!asking.WaitForAnswer(start, kRequestAnsweredMs, code)) *code = kSwitchFailed;
    return true;
}

UINT RequestMessage()
{
    static const UINT message = RegisterWindowMessageW(L"HopdeckRequest");
    return message;
}

bool TakeRequest(HWND asker)
{
    DWORD pid = 0;
    if (!asker || !GetWindowThreadProcessId(asker, &pid)) return false;
    HANDLE claim = OpenSemaphoreW(SYNCHRONIZE, FALSE, ClaimName(pid, asker).c_str());
    if (!claim) return false;
    const bool taken = WaitForSingleObject(claim, 0) == WAIT_OBJECT_0;
    CloseHandle(claim);
    return taken;
}

void AnswerRequest(HWND asker, int code) { PostMessageW(asker, AnswerMessage(), WPARAM(code), 0); }
