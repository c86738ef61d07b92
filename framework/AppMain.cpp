// The program's entry point: start-up of the one application object, then its
// message loop.
#include "framework/WinApp.h"
#include <cstdlib>
#include <new>

namespace {

int RunApp()
{
    CWinApp* app = CWinApp::Get();
    if (!app) return 0;
    if (!app->InitInstance()) return app->m_exitCode;
    return app->Run();
}

}  // namespace

// The static objects' constructors, as the linker lists them: a -1, the
// constructors, a 0. They run last first, as the C runtime runs them.
extern "C" void (*__CTOR_LIST__[])();

// The program starts here rather than in the C runtime's start-up, which
// would bring what it has no use for (arguments and wildcards, stdio, signal
// and floating-point set-up, thread-local storage): it reads its command line
// from Windows and needs only its static objects constructed.
// Windows hands a 32-bit program's entry a stack aligned to 4 bytes only.
extern "C" __attribute__((force_align_arg_pointer)) void HopdeckStart()
{
    int count = 0;
    while (__CTOR_LIST__[count + 1]) ++count;
    for (; count > 0; --count) __CTOR_LIST__[count]();
    ExitProcess(UINT(RunApp()));
}

// Static objects register their destructors here. Nothing of theirs needs
// undoing when the process ends, and ExitProcess frees memory and handles.
extern "C" int atexit(void (*)()) { return 0; }

// The tag of nothrow new, here rather than in the C++ library, whose file of
// it brings its new-handler along.
const std::nothrow_t std::nothrow{};

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
