#include "settings_dialog/MonitorsDialog.h"
#include "framework/System.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorReading.h"
#include "settings_dialog/DialogControls.h"
#include "res/resource.h"
#include <commctrl.h>
#include <cwchar>
#include <new>

namespace {

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

CMonitorsDialog::CMonitorsDialog(CWnd* owner, const MonitorChoice* choices, int count, int targets)
    : CChildDialog(owner), m_targets(targets)
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

    static const int kWidths[kColumnCount] = {84, 60, 68, 68};
    UINT titles[kColumnCount] = {IDS_MONITOR_COLUMN_FIRST, IDS_MONITOR_COLUMN_FIRST + 1};
    for (int target = 0; target < m_targets; ++target) titles[kChoiceColumn + target] = ChoiceTitle(MonitorTarget(target));
    AddListColumns(m_hWnd, IDC_MONITOR_LIST, kWidths, titles, kChoiceColumn + m_targets);
    for (int target = 0; target < m_targets; ++target) {
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
    case WM_NOTIFY:
        if (RowNewlySelected(lp, IDC_MONITOR_LIST)) OnRowSelected();
        break;
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
    switch (stage) {
    case CMonitorReading::kListed:
        for (; m_rows < m_reading->Count(); ++m_rows) {
            const MonitorReport& report = m_reading->Report(m_rows);
            SetCell(m_rows, kNameColumn, report.name);
            SetCell(m_rows, kCurrentColumn, LoadResString(IDS_MONITOR_READING));
            for (int t = 0; t < m_targets; ++t) {
                const MonitorTarget target = MonitorTarget(t);
                m_choice[target][m_rows] = InitialChoice(target, report.identity.c_str());
                SetCell(m_rows, kChoiceColumn + target, InputText(m_choice[target][m_rows]));
            }
        }
        if (m_rows) SelectListRow(GetDlgItem(m_hWnd, IDC_MONITOR_LIST), 0);
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

int CMonitorsDialog::InitialChoice(MonitorTarget target, const wchar_t* identity) const
{
    for (int i = 0; i < m_givenCount; ++i)
        if (lstrcmpW(m_given[i].identity.c_str(), identity) == 0) return m_given[i].value[target];
    return ReadMonitorChoice(target, identity);
}

void CMonitorsDialog::OnRowSelected()
{
    m_selected = (int)SendDlgItemMessageW(m_hWnd, IDC_MONITOR_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
    for (int target = 0; target < m_targets; ++target) FillInputs(MonitorTarget(target));
}

void CMonitorsDialog::FillInputs(MonitorTarget target)
{
    HWND inputs = GetDlgItem(m_hWnd, kInputIds[target]);
    SendMessageW(inputs, CB_RESETCONTENT, 0, 0);
    if (m_selected < 0 || m_selected >= m_rows) {
        EnableWindow(inputs, FALSE);
        return;
    }
    auto add = [inputs](const CStringW& text, LPARAM value) { AddComboEntry(inputs, text.c_str(), value); };
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

    // A value the list does not hold is another value, typed in.
    const int choice = m_choice[target][m_selected];
    const bool listed = SelectComboData(inputs, choice) >= 0;
    if (!listed) SelectComboData(inputs, kOtherValue);
    ShowValue(target, choice);
    EnableWindow(inputs, TRUE);
    EnableWindow(GetDlgItem(m_hWnd, kValueIds[target]), !listed);
}

void CMonitorsDialog::OnInputChosen(MonitorTarget target)
{
    HWND inputs = GetDlgItem(m_hWnd, kInputIds[target]);
    const LPARAM value = SelectedComboData(inputs);
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
    if (target != kOnSwitch || m_targets <= kThisPc || value == kLeaveUnchanged ||
        m_choice[kThisPc][m_selected] != kLeaveUnchanged || !m_read[m_selected])
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
    SetListCell(GetDlgItem(m_hWnd, IDC_MONITOR_LIST), row, column, text.c_str());
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

