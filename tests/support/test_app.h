// In-process window tests: an application object and a stand-in main window
// that records the private messages it receives.
#pragma once
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include <vector>

namespace test {

class RecordingMainWnd : public CWnd {
public:
    // A hidden pop-up, made the application's main window (owner of dialogs).
    bool Create();
    void Destroy();
    // Private messages (WM_USER..WM_USER+0xFF) received so far, in order.
    std::vector<UINT> messages;
    int Count(UINT msg) const;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
};

// The tests' application object; its main window is created on first use.
RecordingMainWnd& MainWnd();

}  // namespace test
