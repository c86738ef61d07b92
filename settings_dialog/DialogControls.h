// Controls that the settings dialogs share: the hot key's (the key list
// IDC_FUNCTION_KEY and the boxes of the four modifiers), and the columns and
// cells of a list view.
#pragma once
#include "framework/Dialog.h"

// In table order: list position, table row and VIRTUALINDEX are one number
// ("F10" follows "F9"). The list is not sorted, so typing a letter goes to
// the next key of that letter, as in any unsorted list.
void FillKeyList(HWND dialog);
void ExchangeHotKey(CDataExchange& dx, int& control, int& shift, int& alt, int& win, int& index);

// A list view of a dialog in full-row report style, with columns of these
// widths in dialog units (so that they grow with the font and the scale) and
// titles from the string table.
void AddListColumns(HWND dialog, int listId, const int* widths, const UINT* titleIds, int count);
// A cell's text; column 0 inserts the row.
void SetListCell(HWND list, int row, int column, const wchar_t* text);
// Selects a row, with the focus mark, and scrolls it into view.
void SelectListRow(HWND list, int row);
// Whether a WM_NOTIFY says that a row of list `listId` has just been selected.
bool RowNewlySelected(LPARAM notify, int listId);
