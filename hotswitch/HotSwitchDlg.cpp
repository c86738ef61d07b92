#include "hotswitch/HotSwitchDlg.h"
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "res/resource.h"

RECT ChooseHotSwitchRect(const RECT& stored, const RECT& defaultRect, bool (*onSomeMonitor)(const RECT&))
{
    const RECT rect = {stored.left, stored.top, stored.left + (defaultRect.right - defaultRect.left),
                       stored.top + (defaultRect.bottom - defaultRect.top)};
    if (onSomeMonitor && !onSomeMonitor(rect)) return defaultRect;
    return rect;
}

bool RectOnSomeMonitor(const RECT& rect) { return MonitorFromRect(&rect, MONITOR_DEFAULTTONULL) != nullptr; }

int HotSwitchButtonSize(int dpi) { return MulDiv(48, dpi > 0 ? dpi : 96, 96); }

CHotSwitchDlg::CHotSwitchDlg() : m_templateId(IDD_HOTSWITCH) {}

CHotSwitchDlg* CHotSwitchDlg::GetInstance() { return CInstanceSlot<CHotSwitchDlg>::Get(); }

bool CHotSwitchDlg::OpenWindow()
{
    if (m_hWnd) return true;
    if (Create(m_templateId, m_owner)) return true;
    CInstanceSlot<CHotSwitchDlg>::Discard(this);
    return false;
}

void CHotSwitchDlg::ExchangeData(CDataExchange& dx) { dx.Control(IDC_SWITCH_BUTTON, m_button); }

bool CHotSwitchDlg::InitialiseDialog()
{
    CDialog::InitialiseDialog();

    // The template gives the window's size.
    const RECT defaultRect = DefaultPlace();

    // Everything is read before the window moves or changes its z-order: each
    // such change writes the window's rectangle back (OnPlacementChanged), and a
    // later read would see the template's rectangle instead of the stored one.
    const RECT stored = ReadHotSwitchRect(defaultRect);
    const bool topmost = ReadOption(Option::TOPMOST) != 0;

    SetWindowPos(m_hWnd, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    const RECT place = ChooseHotSwitchRect(stored, defaultRect, RectOnSomeMonitor);
    MoveWindow(m_hWnd, place.left, place.top, place.right - place.left, place.bottom - place.top, TRUE);
    RememberPlace();

    // Its message box runs a message loop that may close this window: nothing
    // of the object is touched after it.
    LoadButtonImage(WindowDpi(m_hWnd));
    // The standard focus: the first tab stop, the button.
    return true;
}

RECT CHotSwitchDlg::DefaultPlace() const
{
    // The bottom-right corner of the primary display's full-screen area, at the
    // window's present size.
    const int cx = GetSystemMetrics(SM_CXFULLSCREEN);
    const int cy = GetSystemMetrics(SM_CYFULLSCREEN);
    RECT current = {};
    GetWindowRect(m_hWnd, &current);
    return {cx - (current.right - current.left), cy - (current.bottom - current.top), cx, cy};
}

void CHotSwitchDlg::RememberPlace()
{
    RECT rect = {};
    GetWindowRect(m_hWnd, &rect);
    m_place = {rect.left, rect.top};
}

void CHotSwitchDlg::LoadButtonImage(UINT dpi)
{
    // The ball is drawn at the scale of the window's monitor from artwork at
    // twice its size at 100 %: sharp at 200 %, and at 100 % each pixel the
    // average of four, which is the ball rendered at that size.
    const int size = HotSwitchButtonSize(dpi);
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_HOTSWITCH_PNG), L"png");
    if (resource && m_button.LoadPngResource(resource, size)) return;
    // The window opens all the same, with a plain push button that still switches.
    if (CWinApp* app = CWinApp::Get()) app->AppMessageBox(IDS_IMAGE_LOAD_FAILED, MB_OK | MB_ICONEXCLAMATION);
}

void CHotSwitchDlg::OnClickedOk() {}

void CHotSwitchDlg::OnClickedCancel() { SendMessageW(m_hWnd, WM_CLOSE, 0, 0); }

LRESULT CHotSwitchDlg::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_SWITCH_BUTTON && HIWORD(wp) == BN_CLICKED) {
            // The main window switches, and tells the user when Windows refuses.
            SendMessageW(GetParent(m_hWnd), WM_COMMAND, ID_SWITCH_PC, 0);
            return 0;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        return OnPlacementChanged(wp, lp);
    case WM_DPICHANGED:
        return OnScaleChanged(wp, lp);
    case WM_EXITSIZEMOVE:
        // The end of a move by the user, with the mouse or the keyboard.
        RememberPlace();
        break;
    case WM_DISPLAYCHANGE:
        OnDisplayChange();
        break;
    case WM_CLOSE:
        OnCloseRequest();
        return 0;
    case WM_DESTROY:
        // However the window goes (closed, or destroyed along with its owner),
        // the main window is told.
        PostMessageW(GetParent(m_hWnd), WM_HOTSWITCH_CLOSED, 0, 0);
        break;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

LRESULT CHotSwitchDlg::OnPlacementChanged(WPARAM wp, LPARAM lp)
{
    LRESULT result = CDialog::WindowProc(WM_WINDOWPOSCHANGED, wp, lp);
    // Every notification stores the whole rectangle, whatever changed, so that
    // the next opening finds the window where the user left it.
    RECT rect = {};
    GetWindowRect(m_hWnd, &rect);
    WriteHotSwitchRect(rect);
    return result;
}

LRESULT CHotSwitchDlg::OnScaleChanged(WPARAM wp, LPARAM lp)
{
    // Under per-monitor awareness the window has reached a monitor of another
    // scale, or its monitor's scale has changed. The dialog manager lays the
    // template out again at the new scale; the window takes the rectangle
    // Windows suggests, and the ball is drawn anew at that scale from the
    // button's top-left corner. While the window is still opening the button
    // has no image yet: it is loaded next, at the scale the window has then.
    const RECT suggested = *reinterpret_cast<const RECT*>(lp);
    CDialog::WindowProc(WM_DPICHANGED, wp, lp);
    SetWindowPos(m_hWnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (!m_button.Image().IsNull()) LoadButtonImage(LOWORD(wp));
    return 0;
}

void CHotSwitchDlg::OnDisplayChange()
{
    // Monitors come and go (a DisplayPort KVM switch takes one away while the
    // other PC has it), and Windows moves the windows of a monitor that went
    // onto one that stays. Once the user's place lies on a monitor again the
    // window goes back there. While it lies on none, the window stays where
    // Windows put it, unless it too lies on no monitor: then it goes to the
    // default place. Either move stores the rectangle, as every move does.
    RECT now = {};
    GetWindowRect(m_hWnd, &now);
    RECT place = now;
    OffsetRect(&place, m_place.x - now.left, m_place.y - now.top);
    const bool placeShown = RectOnSomeMonitor(place);
    if (placeShown ? EqualRect(&place, &now) != FALSE : RectOnSomeMonitor(now)) return;
    if (!placeShown) place = DefaultPlace();
    SetWindowPos(m_hWnd, nullptr, place.left, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CHotSwitchDlg::OnCloseRequest()
{
    // The dialog manager's own WM_CLOSE processing only posts an IDCANCEL
    // command; by the time it arrives the window is gone and it is discarded.
    CDialog::WindowProc(WM_CLOSE, 0, 0);
    // Posts the closed notice (WM_DESTROY) and deletes this object
    // (PostNcDestroy): nothing may touch it afterwards.
    DestroyWindow(m_hWnd);
}

void CHotSwitchDlg::PostNcDestroy()
{
    // However the window went (closed, or destroyed along with its owner), the
    // object goes with it, and the next show request builds a new one.
    CInstanceSlot<CHotSwitchDlg>::Release(this);
    delete this;
}
