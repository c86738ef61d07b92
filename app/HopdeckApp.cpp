#include "app/HopdeckApp.h"
#include "app/CommandLine.h"
#include "app/MainWnd.h"
#include "app/RunningCopy.h"
#include "app/Switch.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "pcs/DeskPcs.h"
#include "res/resource.h"
#include <new>

CHopdeckApp theApp;

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
        // A request to the running copy; this process never stays.
        HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, AppName());
        HWND running = mutex ? FindRunningCopy() : nullptr;
        if (mutex) CloseHandle(mutex);
        // With none running an exit has nothing to end.
        if (command == Command::Exit) {
            PostCommandToRunningCopy(running, ID_EXIT);
            return false;
        }
        // A PC of the desk, named as the profile names it; a name that no PC
        // has does nothing.
        const DeskPcs pcs = pcName.empty() ? DeskPcs() : ReadPcs();
        const int number = pcName.empty() ? 0 : FindPc(pcs, pcName.c_str());
        if (!pcName.empty() && !number) {
            m_exitCode = kNoSuchPc;
            return false;
        }
        if (running && AskRunningCopy(running, number, &m_exitCode)) return false;
        // With none running, or one that could not be asked or did not take
        // the request in time (and never will), it is done here and now,
        // without an icon or a hot key, and refused key presses, a monitor
        // that did not take its input or a KVM switch's command that did not
        // go end in exit code 2 (a script or a mouse button's software can
        // act on it; nobody sees a box).
        m_exitCode = number ? GoToPcAndWait(pcs, number) : SwitchAndWait();
        return false;
    }

    // Held until the process ends; the system releases it then. A copy
    // running as administrator holds it where this process may not even open it.
    CreateMutexA(nullptr, TRUE, AppName());
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) {
        if (HWND running = FindRunningCopy()) {
            SetForegroundWindow(running);
            if (command == Command::Settings) PostCommandToRunningCopy(running, ID_SETTINGS);
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
