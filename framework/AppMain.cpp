// The program's entry point: start-up of the one application object, then its
// message loop.
#include "framework/WinApp.h"
#include <cstdlib>
#include <new>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    CWinApp* app = CWinApp::Get();
    if (!app) return 0;
    if (!app->InitInstance()) return app->m_exitCode;
    return app->Run();
}

// The program is built without exceptions and allocates with nothrow new, so
// allocation goes straight to the C heap: null on failure, never a throw (the
// library's versions would bring the whole exception machinery along).
void* operator new(size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void* operator new(size_t n)
{
    void* p = std::malloc(n ? n : 1);
    if (!p) std::abort();
    return p;
}
void* operator new[](size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
