// CHotSwitchDlg: the small floating window whose ball-shaped button switches
// PCs with a click. A modeless dialog owned by the main window (so it has no
// taskbar button); it remembers where the user left it, can stay in front of
// ordinary windows, and tells the main window when it has closed.
#pragma once
#include "framework/Dialog.h"
#include "hotswitch/AlphaButton.h"

// Where the hot switch opens: its template size (as laid out at the display's
// scale) at the stored top-left corner. A size stored at another scale would
// cut off its button, so RIGHT and BOTTOM, though still written, no longer set
// it. `defaultRect` is the template-sized rectangle in the bottom-right corner
// of the primary display's full-screen area; it is taken instead when the
// stored place lies on no monitor (a display was removed).
RECT ChooseHotSwitchRect(const RECT& stored, const RECT& defaultRect, bool (*onSomeMonitor)(const RECT&));
// Whether any part of the rectangle lies on a monitor.
bool RectOnSomeMonitor(const RECT& rect);
// The button's size in pixels at a display scale of `dpi` (48 at 96 dpi).
int HotSwitchButtonSize(int dpi);

class CHotSwitchDlg : public CDialog {
public:
    // The single instance, constructed (without a window) when there is none;
    // null only when it cannot be allocated. The object deletes itself and
    // empties the slot when its window goes.
    static CHotSwitchDlg* GetInstance();

    // Creates and shows the window, owned by the application's main window.
    // Whether the window exists afterwards; on failure the object is released
    // and the slot emptied.
    virtual bool OpenWindow();

protected:
    void ExchangeData(CDataExchange& dx) override;
    bool InitialiseDialog() override;
    // Enter (a bare IDOK) does nothing; Esc closes the window like its close box,
    // so that the main window forgets it.
    void OnClickedOk() override;
    void OnClickedCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override;

private:
    friend class CInstanceSlot<CHotSwitchDlg>;
    CHotSwitchDlg();
    ~CHotSwitchDlg() override = default;

    LRESULT OnPlacementChanged(WPARAM wp, LPARAM lp);
    LRESULT OnScaleChanged(WPARAM wp, LPARAM lp);
    void OnDisplayChange();
    void OnCloseRequest();
    // The ball at the size of that scale (dots per inch).
    void LoadButtonImage(UINT dpi);
    RECT DefaultPlace() const;
    // Where the user put the window: its top-left corner when it opened, and
    // after each move the user made since.
    void RememberPlace();

    // Null: the framework then makes the application's main window the owner.
    CWnd* m_owner = nullptr;
    UINT m_templateId;
    CAlphaButton m_button;
    POINT m_place = {};
};
