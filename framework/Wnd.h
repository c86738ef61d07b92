// CWnd: a C++ object bound to one window. The binding lives in a window
// property, so the same routing serves windows we create, dialogs and
// subclassed template controls alike. Windows are Unicode windows, so the
// texts of the resources reach the screen whatever the ANSI code page is.
#pragma once
#include <windows.h>

class CWnd {
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }
    // The object bound to a window of this process, or null.
    static CWnd* FromHandle(HWND hwnd);

    // Registers the window class on first use and creates a window bound to this object.
    bool CreateEx(DWORD exStyle, const wchar_t* className, UINT classStyle, const wchar_t* title, DWORD style,
                  int x, int y, int cx, int cy, HWND parent);

    // Control binding: routes an existing window's messages through this object,
    // keeping its own procedure for default processing.
    bool SubclassWindow(HWND hwnd);

    // Keyboard and mouse messages pass here before they are dispatched; true eats them.
    virtual bool PreFilterMessage(MSG* msg);

    // A notification that the parent hands back to the control that sent it
    // (WM_DRAWITEM). True when the control has handled it.
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);

protected:
    // The message map: a switch that calls handlers and sends the rest to Default().
    virtual LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp);
    // Default processing: the subclassed procedure, or DefWindowProc.
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);
    // Runs after the window handle is gone (final destruction).
    virtual void PostNcDestroy() {}

    void Attach(HWND hwnd);
    HWND m_hWnd = nullptr;

private:
    friend class CWndWatch;
    static LRESULT CALLBACK StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    WNDPROC m_superProc = nullptr;
    class CWndWatch* m_watches = nullptr;
};

// Watches a window object across a nested message loop (a message box, a
// pop-up menu). Such a loop dispatches whatever arrives meanwhile, a WM_CLOSE
// or the program's exit among it, so the window and the object behind it may
// be gone when the loop returns: ask before touching either.
class CWndWatch {
public:
    explicit CWndWatch(CWnd* wnd) : m_wnd(wnd), m_next(wnd->m_watches) { wnd->m_watches = this; }
    ~CWndWatch();
    CWndWatch(const CWndWatch&) = delete;
    CWndWatch& operator=(const CWndWatch&) = delete;

    // False once the object has been deleted.
    explicit operator bool() const { return m_wnd != nullptr; }

private:
    friend class CWnd;
    CWnd* m_wnd;
    CWndWatch* m_next;
};
