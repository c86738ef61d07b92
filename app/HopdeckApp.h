// CHopdeckApp: start-up of the program: common controls, the registry profile,
// the single-instance rule and the hidden main window.
#pragma once
#include "framework/WinApp.h"

class CHopdeckApp : public CWinApp {
public:
    bool InitInstance() override;
};
