#include "framework/Dialog.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include <commctrl.h>

HWND CDataExchange::Item(int id) const { return GetDlgItem(m_dlg->GetSafeHwnd(), id); }

void CDataExchange::Check(int id, int& value)
{
    if (m_save) {
        value = (int)SendMessageA(Item(id), BM_GETCHECK, 0, 0);
    } else {
        if (value < 0 || value > 2) value = 0;
        SendMessageA(Item(id), BM_SETCHECK, (WPARAM)value, 0);
    }
}

void CDataExchange::ListIndex(int id, int& value)
{
    if (m_save) value = (int)SendMessageA(Item(id), CB_GETCURSEL, 0, 0);
    else SendMessageA(Item(id), CB_SETCURSEL, (WPARAM)value, 0);
}

void CDataExchange::ListData(int id, int& value)
{
    HWND list = Item(id);
    if (!m_save) SelectComboData(list, value);
    else if (SendMessageW(list, CB_GETCURSEL, 0, 0) >= 0) value = (int)SelectedComboData(list);
}

int AddComboEntry(HWND list, const wchar_t* text, LPARAM data)
{
    const int at = (int)SendMessageW(list, CB_ADDSTRING, 0, (LPARAM)text);
    SendMessageW(list, CB_SETITEMDATA, at, data);
    return at;
}

int SelectComboData(HWND list, LPARAM data)
{
    const int count = (int)SendMessageW(list, CB_GETCOUNT, 0, 0);
    int entry = 0;
    while (entry < count && SendMessageW(list, CB_GETITEMDATA, entry, 0) != data) ++entry;
    if (entry == count) entry = -1;
    SendMessageW(list, CB_SETCURSEL, entry, 0);
    return entry;
}

LPARAM SelectedComboData(HWND list)
{
    return SendMessageW(list, CB_GETITEMDATA, SendMessageW(list, CB_GETCURSEL, 0, 0), 0);
}

void CDataExchange::Text(int id, CStringW& value)
{
    if (!m_save) {
        SetWindowTextW(Item(id), value.c_str());
        return;
    }
    const int length = GetWindowTextLengthW(Item(id));
    wchar_t* buffer = value.GetBuffer(length);
    if (!buffer) return;
    GetWindowTextW(Item(id), buffer, length + 1);
    int start = 0, end = lstrlenW(buffer);
    while (start < end && buffer[start] == L' ') ++start;
    while (end > start && buffer[end - 1] == L' ') --end;
    value = CStringW(buffer + start, end - start);
}

void CDataExchange::Control(int id, CWnd& control)
{
    if (!control.GetSafeHwnd()) control.SubclassWindow(Item(id));
}

bool CDialog::UpdateData(bool save)
{
    CDataExchange dx(this, save);
    ExchangeData(dx);
    return true;
}

namespace {

// The common controls are needed only once a dialog opens, so the program
// does not load them at start-up. Loaded within the program's activation
// context, comctl32 is the version 6 that the manifest asks for.
void InitCommonControlsOnce()
{
    static bool done = false;
    if (done) return;
    done = true;
    BOOL(WINAPI * init)(const INITCOMMONCONTROLSEX*) = nullptr;
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES};
    if (GetProc(LoadSystemLibrary("comctl32.dll"), "InitCommonControlsEx", init)) init(&icc);
}

}  // namespace

bool CDialog::Create(UINT templateId, CWnd* owner)
{
    InitCommonControlsOnce();
    CWinApp* app = CWinApp::Get();
    if (!owner && app) owner = app->m_pMainWnd;
    HWND ownerHwnd = owner ? owner->GetSafeHwnd() : nullptr;
    // The wide function: the template's texts reach the controls as they are,
    // not through the ANSI code page.
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), ownerHwnd, StaticDlgProc,
                              (LPARAM)this) != nullptr;
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp)
{
    // The dialog manager's own procedure stays the default processing; from
    // WM_INITDIALOG on, every message goes through the object first.
    if (msg != WM_INITDIALOG) return FALSE;
    auto* dlg = reinterpret_cast<CDialog*>(lp);
    dlg->SubclassWindow(hwnd);
    return dlg->InitialiseDialog() ? TRUE : FALSE;
}

bool CDialog::InitialiseDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnClickedOk()
{
    if (UpdateData(true)) EndDialog(m_hWnd, IDOK);
}

void CDialog::OnClickedCancel() { EndDialog(m_hWnd, IDCANCEL); }

bool CDialog::PreFilterMessage(MSG* msg)
{
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    return IsDialogMessageW(m_hWnd, msg) != FALSE;
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && HIWORD(wp) <= BN_CLICKED) {
        switch (LOWORD(wp)) {
        case IDOK: OnClickedOk(); return 0;
        case IDCANCEL: OnClickedCancel(); return 0;
        }
    }
    return Default(msg, wp, lp);
}

bool CChildDialog::OpenWindow(UINT templateId)
{
    CWndWatch self(this);
    if (Create(templateId, m_owner)) return true;
    // A window that went during its creation took the object along already.
    if (self) delete this;
    return false;
}

bool CChildDialog::InitialiseDialog()
{
    CDialog::InitialiseDialog();
    EnableWindow(m_owner->GetSafeHwnd(), FALSE);
    return true;
}

LRESULT CChildDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    // The dialog manager would only queue an IDCANCEL.
    if (msg == WM_CLOSE) {
        Close();
        return 0;
    }
    return CDialog::WindowProc(msg, wp, lp);
}

void CChildDialog::Close()
{
    // The owner first, so that it, not some other window, is activated.
    EnableWindow(m_owner->GetSafeHwnd(), TRUE);
    DestroyWindow(m_hWnd);
}

bool CButton::OnReflectedMessage(UINT msg, WPARAM, LPARAM lp, LRESULT* result)
{
    if (msg != WM_DRAWITEM) return false;
    PaintButton(reinterpret_cast<DRAWITEMSTRUCT*>(lp));
    *result = TRUE;
    return true;
}
