#include "framework/Wnd.h"
#include "framework/WinApp.h"

namespace {
const wchar_t kObjectProp[] = L"Hopdeck.CWnd";
}

CWnd::~CWnd()
{
    // An object must not outlive its binding: a later message would reach freed memory.
    if (m_hWnd && IsWindow(m_hWnd)) {
        RemovePropW(m_hWnd, kObjectProp);
        if (m_superProc) SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, (LONG_PTR)m_superProc);
    }
    for (CWndWatch* w = m_watches; w; w = w->m_next) w->m_wnd = nullptr;
}

CWndWatch::~CWndWatch()
{
    // Watches end in reverse order of their start, so this one is first in the list.
    if (m_wnd) m_wnd->m_watches = m_next;
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, kObjectProp)) : nullptr;
}

void CWnd::Attach(HWND hwnd)
{
    m_hWnd = hwnd;
    SetPropW(hwnd, kObjectProp, this);
}

bool CWnd::CreateEx(DWORD exStyle, const wchar_t* className, UINT classStyle, const wchar_t* title, DWORD style,
                    int x, int y, int cx, int cy, HWND parent)
{
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    if (!GetClassInfoW(inst, className, &wc)) {
        wc.style = classStyle;
        wc.lpfnWndProc = StaticWndProc;
        wc.hInstance = inst;
        wc.lpszClassName = className;
        if (!RegisterClassW(&wc)) return false;
    }
    return CreateWindowExW(exStyle, className, title, style, x, y, cx, cy, parent, nullptr, inst, this) != nullptr;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd) return false;
    Attach(hwnd);
    m_superProc = (WNDPROC)SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)StaticWndProc);
    return true;
}

bool CWnd::PreFilterMessage(MSG*) { return false; }

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }

LRESULT CWnd::WindowProc(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CWnd::Default(UINT msg, WPARAM wp, LPARAM lp)
{
    return m_superProc ? CallWindowProcW(m_superProc, m_hWnd, msg, wp, lp) : DefWindowProcW(m_hWnd, msg, wp, lp);
}

LRESULT CALLBACK CWnd::StaticWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd && msg == WM_NCCREATE) {
        wnd = static_cast<CWnd*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        if (wnd) wnd->Attach(hwnd);
    }
    if (!wnd) return DefWindowProcW(hwnd, msg, wp, lp);

    if (msg == WM_DRAWITEM && lp) {
        CWnd* control = FromHandle(reinterpret_cast<DRAWITEMSTRUCT*>(lp)->hwndItem);
        LRESULT result = TRUE;
        if (control && control != wnd && control->OnReflectedMessage(msg, wp, lp, &result)) return result;
    }

    if (msg != WM_NCDESTROY) return wnd->WindowProc(msg, wp, lp);

    // The last message: let the class see it, unbind, then run final destruction,
    // which may delete the object.
    LRESULT result = wnd->WindowProc(msg, wp, lp);
    RemovePropW(hwnd, kObjectProp);
    if (wnd->m_superProc) SetWindowLongPtrW(hwnd, GWLP_WNDPROC, (LONG_PTR)wnd->m_superProc);
    wnd->m_superProc = nullptr;
    wnd->m_hWnd = nullptr;
    CWinApp::OnWindowDestroyed(wnd);
    wnd->PostNcDestroy();
    return result;
}
