#include "app/HopdeckApp.h"
#include "app/CommandLine.h"
#include "app/MainWnd.h"
#include "app/Switch.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include <new>

CHopdeckApp theApp;

namespace {

// The main window of the running instance of this application: a window
// titled "Hopdeck" of another process that runs an executable of this name.
// Every copy's window has that title, and a renamed copy must only ever talk
// to its own instance.
HWND FindRunningInstance(const wchar_t* appName)
{
    const CStringW title = LoadResString(IDS_APP_TITLE);
    CStringW image;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, title.c_str())) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process) continue;
        DWORD size = 32768;
        wchar_t* buf = image.GetBuffer(size);
        bool named = buf && QueryFullProcessImageNameW(process, 0, buf, &size);
        CloseHandle(process);
        if (!named) continue;
        image.ReleaseBuffer(size);
        if (CompareStringOrdinal(AppNameFromPath(image.c_str()).c_str(), -1, appName, -1, TRUE) == CSTR_EQUAL)
            return w;
    }
    return nullptr;
}

// Hands a menu command to the running instance's main window: posted, as if
// chosen from its tray menu. False when there is no such window.
bool PostToRunningInstance(HWND running, UINT command)
{
    if (!running) return false;
    // The instance may bring a window of its own to the foreground (the settings).
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    AllowSetForegroundWindow(pid);
    return PostMessageW(running, WM_COMMAND, command, 0) != FALSE;
}

// Asks the running instance to go to PC `number`, and waits for its answer,
// the exit code. False when it could not be asked (an instance running as
// administrator takes no message from a normal program): then this process
// goes to the PC itself.
bool AskRunningInstance(HWND running, int number, int* code)
{
    // The answer comes to a window of this process that nobody else sees. A
    // process running as administrator lets it in from the instance of a
    // normal user (Windows 7 and later ask for that).
    HWND reply = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    BOOL(WINAPI * allow)(HWND, UINT, DWORD, void*) = nullptr;
    if (reply && GetProc(GetModuleHandleW(L"user32.dll"), "ChangeWindowMessageFilterEx", allow))
        allow(reply, WM_GO_TO_PC_DONE, MSGFLT_ALLOW, nullptr);
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    const bool asked = reply && process && PostMessageW(running, WM_GO_TO_PC, number, (LPARAM)reply);
    // An instance that ends, or takes longer than the slowest monitors would
    // (retries included), has not done it.
    *code = kSwitchFailed;
    for (const DWORD start = GetTickCount(); asked && GetTickCount() - start < 30000;) {
        MSG msg;
        if (PeekMessageW(&msg, reply, WM_GO_TO_PC_DONE, WM_GO_TO_PC_DONE, PM_REMOVE)) {
            *code = int(msg.wParam);
            break;
        }
        if (MsgWaitForMultipleObjects(1, &process, FALSE, 1000, QS_POSTMESSAGE) == WAIT_OBJECT_0) break;
    }
    if (process) CloseHandle(process);
    if (reply) DestroyWindow(reply);
    return asked;
}

}  // namespace

bool CHopdeckApp::InitInstance()
{
    // Without a name there is neither a profile nor an instance mutex to go by.
    if (!*AppName()) return false;
    CStringW pcName;
    const Command command = ParseCommandLine(GetCommandLineW(), &pcName);
    if (command == Command::Usage) {
        AppMessageBox(IDS_USAGE, MB_OK | MB_ICONINFORMATION);
        m_exitCode = 1;
        return false;
    }
    AppSettings().UseRegistry(kRegistryKeyWord, AppName());

    if (command == Command::Switch || command == Command::Exit) {
        // A request to the running instance; this process never stays.
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, AppName());
        HWND running = mutex ? FindRunningInstance(AppNameW()) : nullptr;
        if (mutex) CloseHandle(mutex);
        if (!pcName.empty()) {
            // A PC of the desk, named as the profile names it; a name that no
            // PC has does nothing.
            const DeskPcs pcs = ReadPcs();
            const int number = FindPc(pcs, pcName.c_str());
            m_exitCode = kNoSuchPc;
            if (number && !(running && AskRunningInstance(running, number, &m_exitCode)))
                m_exitCode = GoToPcAlone(pcs, number);
            return false;
        }
        const UINT id = command == Command::Switch ? ID_SWITCH_PC : ID_EXIT;
        const bool sent = PostToRunningInstance(running, id);
        // With none running, the switch is made here and now, without an icon
        // or a hot key, and refused key presses or a monitor that did not take
        // its input end in exit code 2 (a script or a mouse button's software
        // can act on it; nobody sees a box); an exit has nothing to end.
        if (!sent && command == Command::Switch) {
            DeskPcs pcs;
            const int next = SwitchTarget(0, &pcs);
            m_exitCode = next ? GoToPcAlone(pcs, next) : ExitCodeOf(SwitchEverything());
        }
        return false;
    }

    // Held until the process ends; the system releases it then.
    CreateMutexA(nullptr, TRUE, AppName());
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (HWND running = FindRunningInstance(AppNameW())) {
            SetForegroundWindow(running);
            if (command == Command::Settings) PostToRunningInstance(running, ID_SETTINGS);
        }
        return false;
    }

    auto* main = new (std::nothrow) CMainWnd;
    if (!main) return false;
    m_pMainWnd = main;
    if (!main->Create()) {
        // The icon could not be added: the window has been closed and the quit
        // request posted, so the message loop ends at once.
        if (!m_pMainWnd) return true;
        // No window at all: a resident program without one could never be reached or ended.
        m_pMainWnd = nullptr;
        delete main;
        return false;
    }
    if (command == Command::Settings) PostMessageW(main->GetSafeHwnd(), WM_COMMAND, ID_SETTINGS, 0);
    return true;
}
