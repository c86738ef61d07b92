// CWinApp: the application object. One static instance per program; the
// framework's WinMain runs its start-up and then its message loop.
#pragma once
#include "framework/String.h"
#include <windows.h>

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Get() { return s_app; }

    // Start-up; false ends the program before any message loop runs.
    virtual bool InitInstance() = 0;
    // The message loop; returns the exit code once the main window is gone.
    int Run();
    // The process's exit code when start-up ends it.
    int m_exitCode = 0;

    // The executable's file name without its extension, fixed when the process
    // starts: in the ANSI code page for the registry profile and the mutex, and
    // as the user sees it for captions.
    const char* AppName() const { return m_appName.c_str(); }
    const wchar_t* AppNameW() const { return m_appNameW.c_str(); }

    // The application's message box: OK button, the application name as caption,
    // the exclamation icon unless the caller names one; owned by the main window's
    // last active pop-up, with the main window disabled while it is shown.
    int AppMessageBox(UINT stringId, UINT type = MB_OK);
    int AppMessageBox(const wchar_t* text, UINT type = MB_OK);

    // Main-window rule: destroying this window ends the message loop.
    CWnd* m_pMainWnd = nullptr;

    // Called by the framework for every bound window that has just been destroyed.
    static void OnWindowDestroyed(CWnd* wnd);

private:
    static CWinApp* s_app;
    CString m_appName;
    CStringW m_appNameW;
};
