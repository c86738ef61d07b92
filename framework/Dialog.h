// CDialog: modeless dialogs from templates, with the standard initialisation,
// OK and cancel steps and data exchange between members and controls.
#pragma once
#include "framework/String.h"
#include "framework/Wnd.h"
#include <new>

class CDialog;

// One data exchange pass: load (members to controls) or save (controls to members).
class CDataExchange {
public:
    CDataExchange(CDialog* dlg, bool save) : m_dlg(dlg), m_save(save) {}

    // Two-state check box bound to a flag. Loading first sets a value outside
    // 0..2 to 0, as a check box can show nothing else.
    void Check(int id, int& value);
    // Drop-down list bound to a list position; -1 when nothing is selected.
    void ListIndex(int id, int& value);
    // Drop-down list bound to the item data of its entries: loading selects the
    // entry that holds the value (none when no entry does); saving keeps the
    // value when nothing is selected.
    void ListData(int id, int& value);
    // A control's text; saving trims the spaces around it.
    void Text(int id, CStringW& value);
    // Binds a template control to a control object (once; later passes leave it).
    void Control(int id, CWnd& control);

private:
    HWND Item(int id) const;
    CDialog* m_dlg;
    bool m_save;
};

// A drop-down list whose entries each hold a number (the item data): an
// entry added (its place returned), the entry that holds a number selected
// (-1 and no selection when none does), and the selected entry's number.
int AddComboEntry(HWND list, const wchar_t* text, LPARAM data);
int SelectComboData(HWND list, LPARAM data);
LPARAM SelectedComboData(HWND list);

class CDialog : public CWnd {
public:
    // Moves values between members and controls in one direction.
    bool UpdateData(bool save);

    bool PreFilterMessage(MSG* msg) override;

protected:
    CDialog() = default;
    // Creates the modeless window from a template; a null owner stands for the
    // application's main window.
    bool Create(UINT templateId, CWnd* owner);

    virtual void ExchangeData(CDataExchange&) {}
    // Standard initialisation: one load exchange; true lets the system focus the
    // first tab stop.
    virtual bool InitialiseDialog();
    // Standard OK step: a save exchange, then EndDialog(IDOK).
    virtual void OnClickedOk();
    // Standard cancel step: EndDialog(IDCANCEL).
    virtual void OnClickedCancel();

    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static INT_PTR CALLBACK StaticDlgProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

// A dialog that its owner waits for, as for a modal one, while the messages
// still go through the program's own loop: the owner is disabled while it is
// open. The object is made with new and deletes itself when its window goes.
class CChildDialog : public CDialog {
protected:
    explicit CChildDialog(CWnd* owner) : m_owner(owner) {}
    // Creates the window; when there is none, the object is gone.
    bool OpenWindow(UINT templateId);
    bool InitialiseDialog() override;
    void OnClickedCancel() override { Close(); }
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override { delete this; }
    // The owner enabled again, then the window destroyed (and this object deleted).
    void Close();

    CWnd* m_owner;
};

// The process-wide slot of a window class that exists at most once. Asking
// for the instance constructs it when the slot is empty (null if memory ran
// out); the object goes with its window, emptying the slot in PostNcDestroy.
template <typename T>
class CInstanceSlot {
public:
    static T* Get()
    {
        if (!s_object) s_object = new (std::nothrow) T;
        return s_object;
    }
    // The object as it is now, or null; constructs nothing.
    static T* Current() { return s_object; }
    // Final destruction of the object: the next request builds a new one.
    static void Release(T* object)
    {
        if (s_object == object) s_object = nullptr;
    }
    // After a creation that left no window: the object goes and the slot
    // empties. A window that went during its creation took the object along
    // already, and the slot no longer holds it.
    static void Discard(T* object)
    {
        if (s_object != object) return;
        s_object = nullptr;
        delete object;
    }

private:
    static inline T* s_object = nullptr;
};

// A push button or check box. Owner-drawn buttons paint in PaintButton, which
// receives the draw request that the button sent to its parent.
class CButton : public CWnd {
public:
    bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

protected:
    virtual void PaintButton(DRAWITEMSTRUCT*) {}
};
