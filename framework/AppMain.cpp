// The program's entry point: start-up of the one application object, then its
// message loop.
#include "framework/WinApp.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = CWinApp::Get();
    if (!app || !app->InitInstance()) return 0;
    return app->Run();
}
