#include "app/HopdeckApp.h"
#include "app/CommandLine.h"
#include "app/MainWnd.h"
#include "app/Switch.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
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

}  // namespace

bool CHopdeckApp::InitInstance()
{
    // Without a name there is neither a profile nor an instance mutex to go by.
    if (!*AppName()) return false;
    const Command command = ParseCommandLine(GetCommandLineW());
    if (command == Command::Usage) {
        AppMessageBox(IDS_USAGE, MB_OK | MB_ICONINFORMATION);
        m_exitCode = 1;
        return false;
    }
    AppSettings().UseRegistry(kRegistryKeyWord, AppName());

    if (command == Command::Switch || command == Command::Exit) {
        // A request to the running instance; this process never stays.
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, AppName());
        const UINT id = command == Command::Switch ? ID_SWITCH_PC : ID_EXIT;
        const bool sent = mutex && PostToRunningInstance(FindRunningInstance(AppNameW()), id);
        if (mutex) CloseHandle(mutex);
        // With none running, the switch is made here and now, without an icon
        // or a hot key, and refused key presses or a monitor that did not take
        // its input end in exit code 2 (a script or a mouse button's software
        // can act on it; nobody sees a box); an exit has nothing to end.
        if (!sent && command == Command::Switch && !SwitchEverything().Succeeded()) m_exitCode = 2;
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
