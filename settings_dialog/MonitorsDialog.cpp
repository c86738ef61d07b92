#include "settings_dialog/MonitorsDialog.h"
#include "framework/System.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorReading.h"
#include "res/resource.h"
#include <commctrl.h>
#include <cwchar>
#include <new>

namespace {

// The reading's progress, posted by its thread.
constexpr UINT WM_MONITOR_READING = WM_APP + 2;
// The list of choices' entry that stands for a value typed in.
constexpr LPARAM kOtherValue = -1;

// The choices' columns follow in MonitorTarget order.
enum Column { kNameColumn, kCurrentColumn, kChoiceColumn, kColumnCount = kChoiceColumn + kMonitorTargetCount };
// Each choice's list and hexadecimal box.
const int kInputIds[kMonitorTargetCount] = {IDC_MONITOR_INPUT, IDC_MONITOR_HOME_INPUT};
const int kValueIds[kMonitorTargetCount] = {IDC_MONITOR_VALUE, IDC_MONITOR_HOME_VALUE};

// The choice a control of `ids` belongs to, or -1 for another control.
int TargetOf(const int (&ids)[kMonitorTargetCount], int id)
{
    for (int target = 0; target < kMonitorTargetCount; ++target)
        if (ids[target] == id) return target;
    return -1;
}

}  // namespace

CMonitorsDialog::CMonitorsDialog(CWnd* owner, const MonitorChoice* choices, int count) : CChildDialog(owner)
{
    for (; m_givenCount < count && m_givenCount < kMaxMonitors; ++m_givenCount) m_given[m_givenCount] = choices[m_givenCount];
}

CMonitorsDialog::~CMonitorsDialog()
{
    if (m_reading) m_reading->Release();
}

bool CMonitorsDialog::Open(CWnd* owner, const MonitorChoice* choices, int count)
{
    auto* dialog = new (std::nothrow) CMonitorsDialog(owner, choices, count);
    return dialog && dialog->OpenWindow(IDD_MONITORS);
}

bool CMonitorsDialog::InitialiseDialog()
{
    // Like a modal dialog: the settings wait until the monitors are chosen.
    CChildDialog::InitialiseDialog();

    HWND list = GetDlgItem(m_hWnd, IDC_MONITOR_LIST);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    // Widths in dialog units, so that the columns grow with the font and the scale.
    static const int kWidths[kColumnCount] = {84, 60, 68, 68};
    for (int column = 0; column < kColumnCount; ++column) {
        RECT width = {0, 0, kWidths[column], 0};
        MapDialogRect(m_hWnd, &width);
        const CStringW title = LoadResString(IDS_MONITOR_COLUMN_FIRST + column);
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.cx = width.right;
        c.pszText = const_cast<wchar_t*>(title.c_str());
        SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&c));
    }
    for (int target = 0; target < kMonitorTargetCount; ++target) {
        EnableWindow(GetDlgItem(m_hWnd, kInputIds[target]), FALSE);
        EnableWindow(GetDlgItem(m_hWnd, kValueIds[target]), FALSE);
        SendDlgItemMessageW(m_hWnd, kValueIds[target], EM_LIMITTEXT, 4, 0);
    }

    m_reading = CMonitorReading::Start(m_hWnd, WM_MONITOR_READING);
    SetDlgItemTextW(m_hWnd, IDC_MONITOR_STATUS, LoadResString(m_reading ? IDS_MONITORS_READING : IDS_MONITORS_NONE).c_str());
    return true;
}

LRESULT CMonitorsDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MONITOR_READING:
        OnReading(wp, lp);
        return 0;
    case WM_NOTIFY: {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (change->hdr.idFrom == IDC_MONITOR_LIST && change->hdr.code == LVN_ITEMCHANGED &&
            (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
            OnRowSelected();
        break;
    }
    case WM_COMMAND: {
        if (m_filling) break;
        const int input = TargetOf(kInputIds, LOWORD(wp)), value = TargetOf(kValueIds, LOWORD(wp));
        if (HIWORD(wp) == CBN_SELCHANGE && input >= 0) OnInputChosen(MonitorTarget(input));
        if (HIWORD(wp) == EN_CHANGE && value >= 0) OnValueEdited(MonitorTarget(value));
        break;
    }
    }
    return CChildDialog::WindowProc(msg, wp, lp);
}

void CMonitorsDialog::OnReading(WPARAM stage, LPARAM index)
{
    HWND list = GetDlgItem(m_hWnd, IDC_MONITOR_LIST);
    switch (stage) {
    case CMonitorReading::kListed:
        for (; m_rows < m_reading->Count(); ++m_rows) {
            const MonitorReport& report = m_reading->Report(m_rows);
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = m_rows;
            item.pszText = const_cast<wchar_t*>(report.name.c_str());
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            SetCell(m_rows, kCurrentColumn, LoadResString(IDS_MONITOR_READING));
            for (int t = 0; t < kMonitorTargetCount; ++t) {
                const MonitorTarget target = MonitorTarget(t);
                int& choice = m_choice[target][m_rows];
                choice = ReadMonitorChoice(target, report.identity.c_str());
                for (int i = 0; i < m_givenCount; ++i)
                    if (lstrcmpW(m_given[i].identity.c_str(), report.identity.c_str()) == 0)
                        choice = m_given[i].value[target];
                SetCell(m_rows, kChoiceColumn + target, InputText(choice));
            }
        }
        if (m_rows) {
            LVITEMW first = {};
            first.stateMask = first.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&first));
        }
        break;
    case CMonitorReading::kRead:
        if (index < 0 || index >= m_rows) break;
        m_read[index] = true;
        {
            const MonitorReport& report = m_reading->Report(int(index));
            SetCell(int(index), kCurrentColumn,
                    report.answered ? InputText(report.current) : LoadResString(IDS_MONITOR_NO_ANSWER));
        }
        if (index == m_selected) OnRowSelected();
        break;
    case CMonitorReading::kDone:
        SetDlgItemTextW(m_hWnd, IDC_MONITOR_STATUS, m_rows ? L"" : LoadResString(IDS_MONITORS_NONE).c_str());
        break;
    }
}

void CMonitorsDialog::OnRowSelected()
{
    m_selected = (int)SendDlgItemMessageW(m_hWnd, IDC_MONITOR_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
    FillInputs(kOnSwitch);
    FillInputs(kThisPc);
}

void CMonitorsDialog::FillInputs(MonitorTarget target)
{
    HWND inputs = GetDlgItem(m_hWnd, kInputIds[target]);
    SendMessageW(inputs, CB_RESETCONTENT, 0, 0);
    if (m_selected < 0 || m_selected >= m_rows) {
        EnableWindow(inputs, FALSE);
        return;
    }
    auto add = [inputs](const CStringW& text, LPARAM value) {
        SendMessageW(inputs, CB_SETITEMDATA, SendMessageW(inputs, CB_ADDSTRING, 0, (LPARAM)text.c_str()), value);
    };
    add(LoadResString(IDS_INPUT_LEAVE), kLeaveUnchanged);
    // The inputs the monitor lists, or the usual ones where it lists none
    // (or has not been read yet); any other value can be typed in.
    const MonitorReport& report = m_reading->Report(m_selected);
    if (m_read[m_selected] && report.inputCount) {
        for (int i = 0; i < report.inputCount; ++i) add(InputText(report.inputs[i]), report.inputs[i]);
    } else {
        for (int i = 0; i < kStandardInputCount; ++i) add(InputText(kStandardInputs[i]), kStandardInputs[i]);
    }
    add(LoadResString(IDS_INPUT_OTHER), kOtherValue);

    const int choice = m_choice[target][m_selected];
    const int count = (int)SendMessageW(inputs, CB_GETCOUNT, 0, 0);
    int entry = 0;
    while (entry < count - 1 && (int)SendMessageW(inputs, CB_GETITEMDATA, entry, 0) != choice) ++entry;
    SendMessageW(inputs, CB_SETCURSEL, entry, 0);
    ShowValue(target, choice);
    EnableWindow(inputs, TRUE);
    EnableWindow(GetDlgItem(m_hWnd, kValueIds[target]), entry == count - 1);
}

void CMonitorsDialog::OnInputChosen(MonitorTarget target)
{
    HWND inputs = GetDlgItem(m_hWnd, kInputIds[target]);
    const LPARAM value = SendMessageW(inputs, CB_GETITEMDATA, SendMessageW(inputs, CB_GETCURSEL, 0, 0), 0);
    const bool other = value == kOtherValue;
    EnableWindow(GetDlgItem(m_hWnd, kValueIds[target]), other);
    if (other) {
        OnValueEdited(target);
        return;
    }
    SetChoice(target, int(value));
    ShowValue(target, int(value));
}

void CMonitorsDialog::ShowValue(MonitorTarget target, int value)
{
    wchar_t hex[8] = L"";
    if (value != kLeaveUnchanged) wsprintfW(hex, L"%02X", value);
    // Not the user's edit: the change it notifies is no choice.
    m_filling = true;
    SetDlgItemTextW(m_hWnd, kValueIds[target], hex);
    m_filling = false;
}

void CMonitorsDialog::OnValueEdited(MonitorTarget target)
{
    wchar_t text[8] = L"";
    GetDlgItemTextW(m_hWnd, kValueIds[target], text, 8);
    wchar_t* end = nullptr;
    const unsigned long value = wcstoul(text, &end, 16);
    // Anything that is no input value leaves the monitor as it is.
    SetChoice(target, text[0] && !*end && IsInputValue(value) ? int(value) : kLeaveUnchanged);
}

void CMonitorsDialog::SetChoice(MonitorTarget target, int value)
{
    if (m_selected < 0 || m_selected >= m_rows) return;
    m_choice[target][m_selected] = value;
    SetCell(m_selected, kChoiceColumn + target, InputText(value));
    // Whoever gives a monitor an input to switch to is looking at this PC on
    // it: the input it shows now is proposed as this PC's, unless one is
    // chosen. Only the low byte names the input (some monitors report
    // DisplayPort 1 as 0x0F0F).
    if (target != kOnSwitch || value == kLeaveUnchanged || m_choice[kThisPc][m_selected] != kLeaveUnchanged ||
        !m_read[m_selected])
        return;
    const MonitorReport& report = m_reading->Report(m_selected);
    const int current = int(report.current & 0xFF);
    if (report.answered && IsInputValue(current)) {
        m_choice[kThisPc][m_selected] = current;
        SetCell(m_selected, kChoiceColumn + kThisPc, InputText(current));
        FillInputs(kThisPc);
    }
}

CStringW CMonitorsDialog::InputText(DWORD value) const
{
    if (value == kLeaveUnchanged) return LoadResString(IDS_INPUT_LEAVE);
    const char* name = InputSourceName(value);
    return name ? WidenAscii(name) : FormatResString(IDS_INPUT_VALUE, value);
}

void CMonitorsDialog::SetCell(int row, int column, const CStringW& text)
{
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendDlgItemMessageW(m_hWnd, IDC_MONITOR_LIST, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void CMonitorsDialog::OnClickedOk()
{
    MonitorChoice choices[kMaxMonitors];
    for (int i = 0; i < m_rows; ++i) {
        choices[i].identity = m_reading->Report(i).identity;
        for (int target = 0; target < kMonitorTargetCount; ++target) choices[i].value[target] = m_choice[target][i];
    }
    SendMessageW(m_owner->GetSafeHwnd(), WM_MONITORS_CHOSEN, m_rows, reinterpret_cast<LPARAM>(choices));
    Close();
}

