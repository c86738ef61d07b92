#include "settings_dialog/DialogControls.h"
#include "res/resource.h"
#include "framework/System.h"
#include "switching/HotKey.h"
#include <commctrl.h>

void FillKeyList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_FUNCTION_KEY);
    for (int row = 0; row < kFunctionKeyCount; ++row)
        SendMessageW(list, CB_INSERTSTRING, row, (LPARAM)FunctionKeyName(row).c_str());
}

void ExchangeHotKey(CDataExchange& dx, int& control, int& shift, int& alt, int& win, int& index)
{
    dx.Check(IDC_CONTROL, control);
    dx.Check(IDC_SHIFT, shift);
    dx.Check(IDC_ALT, alt);
    dx.Check(IDC_WIN, win);
    dx.ListIndex(IDC_FUNCTION_KEY, index);
}

void AddListColumns(HWND dialog, int listId, const int* widths, const UINT* titleIds, int count)
{
    HWND list = GetDlgItem(dialog, listId);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int column = 0; column < count; ++column) {
        RECT width = {0, 0, widths[column], 0};
        MapDialogRect(dialog, &width);
        const CStringW title = LoadResString(titleIds[column]);
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.cx = width.right;
        c.pszText = const_cast<wchar_t*>(title.c_str());
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
    }
}

void SetListCell(HWND list, int row, int column, const wchar_t* text)
{
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list, column ? LVM_SETITEMTEXTW : LVM_INSERTITEMW, row, reinterpret_cast<LPARAM>(&item));
}

void SelectListRow(HWND list, int row)
{
    LVITEMW item = {};
    item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(list, LVM_ENSUREVISIBLE, row, FALSE);
}

bool RowNewlySelected(LPARAM notify, int listId)
{
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(notify);
    return change->hdr.idFrom == UINT_PTR(listId) && change->hdr.code == LVN_ITEMCHANGED &&
           (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED);
}
