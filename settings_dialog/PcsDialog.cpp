#include "settings_dialog/PcsDialog.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "monitors/MonitorReading.h"
#include "settings_dialog/DialogControls.h"
#include <commctrl.h>
#include <new>

namespace {

enum Column { kNumberColumn, kNameColumn, kKeyColumn, kColumnCount };

}  // namespace

CStringW PcRuleText(const DeskPcs& pcs, const PcRuleCheck& check)
{
    if (check.rule == PcRule::Kept) return CStringW();
    const DeskPc& pc = pcs.pc[check.pc];
    const CStringW key = HotKeyText(pc.key);
    switch (check.rule) {
    case PcRule::NoName: return FormatResString(IDS_PC_NO_NAME, check.pc + 1);
    case PcRule::SameName: return FormatResString(IDS_PC_SAME_NAME, pc.name.c_str());
    case PcRule::KeyTypes: return FormatResString(IDS_PC_KEY_TYPES, pc.name.c_str(), key.c_str());
    default: {
        const CStringW other = check.other < 0 ? LoadResString(IDS_SWITCH_NAME) : pcs.pc[check.other].name;
        return FormatResString(IDS_PC_SAME_KEY, other.c_str(), pc.name.c_str(), key.c_str());
    }
    }
}

// ---------------------------------------------------------------- the PCs

CPcsDialog::CPcsDialog(CWnd* owner, const DeskPcs& pcs, const HotKey& switchKey)
    : CChildDialog(owner), m_pcs(pcs), m_switchKey(switchKey)
{
}

bool CPcsDialog::Open(CWnd* owner, const DeskPcs& pcs, const HotKey& switchKey)
{
    auto* dialog = new (std::nothrow) CPcsDialog(owner, pcs, switchKey);
    return dialog && dialog->OpenWindow(IDD_PCS);
}

bool CPcsDialog::InitialiseDialog()
{
    CChildDialog::InitialiseDialog();
    static const int kWidths[kColumnCount] = {24, 74, 104};
    static const UINT kTitles[kColumnCount] = {IDS_PC_COLUMN_FIRST, IDS_PC_COLUMN_FIRST + 1, IDS_PC_COLUMN_FIRST + 2};
    AddListColumns(m_hWnd, IDC_PC_LIST, kWidths, kTitles, kColumnCount);
    Fill(m_pcs.count ? 0 : -1);
    return true;
}

void CPcsDialog::Fill(int selected)
{
    HWND list = GetDlgItem(m_hWnd, IDC_PC_LIST);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (int i = 0; i < m_pcs.count; ++i) {
        wchar_t number[8];
        wsprintfW(number, L"%d", i + 1);
        const DeskPc& pc = m_pcs.pc[i];
        SetListCell(list, i, kNumberColumn, number);
        SetListCell(list, i, kNameColumn, pc.name.c_str());
        SetListCell(list, i, kKeyColumn, pc.key.index ? HotKeyText(pc.key).c_str() : LoadResString(IDS_USB_NONE).c_str());
    }
    if (selected >= 0) SelectListRow(list, selected);
    OnSelectionChanged();
}

int CPcsDialog::Selected() const
{
    return (int)SendDlgItemMessageW(m_hWnd, IDC_PC_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
}

void CPcsDialog::OnSelectionChanged()
{
    const int selected = Selected();
    const struct {
        int id;
        bool enabled;
    } buttons[] = {{IDC_PC_ADD, m_pcs.count < kMaxPcs},
                   {IDC_PC_EDIT, selected >= 0},
                   {IDC_PC_REMOVE, selected >= 0},
                   {IDC_PC_UP, selected > 0},
                   {IDC_PC_DOWN, selected >= 0 && selected < m_pcs.count - 1}};
    for (const auto& b : buttons) {
        HWND button = GetDlgItem(m_hWnd, b.id);
        // A button that goes grey under the keyboard's focus would leave the
        // focus nowhere: it goes to the list.
        if (!b.enabled && GetFocus() == button) SetFocus(GetDlgItem(m_hWnd, IDC_PC_LIST));
        EnableWindow(button, b.enabled);
    }
}

void CPcsDialog::Move(int by)
{
    const int from = Selected(), to = from + by;
    if (from < 0 || to < 0 || to >= m_pcs.count) return;
    const DeskPc moved = m_pcs.pc[from];
    m_pcs.pc[from] = m_pcs.pc[to];
    m_pcs.pc[to] = moved;
    Fill(to);
}

LRESULT CPcsDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wp) != BN_CLICKED) break;
        switch (LOWORD(wp)) {
        case IDC_PC_ADD:
            if (m_pcs.count < kMaxPcs) CPcDialog::Open(this, m_pcs, m_pcs.count, m_switchKey);
            return 0;
        case IDC_PC_EDIT:
            if (Selected() >= 0) CPcDialog::Open(this, m_pcs, Selected(), m_switchKey);
            return 0;
        case IDC_PC_REMOVE: {
            const int removed = Selected();
            if (removed < 0) return 0;
            // The PCs after it move up a number.
            for (int i = removed; i < m_pcs.count - 1; ++i) m_pcs.pc[i] = m_pcs.pc[i + 1];
            m_pcs.pc[--m_pcs.count] = DeskPc();
            Fill(removed < m_pcs.count ? removed : m_pcs.count - 1);
            return 0;
        }
        case IDC_PC_UP: Move(-1); return 0;
        case IDC_PC_DOWN: Move(1); return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* note = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (note->hdr.idFrom != IDC_PC_LIST) break;
        if (note->hdr.code == LVN_ITEMCHANGED && ((note->uNewState ^ note->uOldState) & LVIS_SELECTED))
            OnSelectionChanged();
        if (note->hdr.code == NM_DBLCLK && Selected() >= 0) CPcDialog::Open(this, m_pcs, Selected(), m_switchKey);
        break;
    }
    case WM_PC_CHOSEN: {
        const int index = int(wp);
        if (index < 0 || index > m_pcs.count || index >= kMaxPcs) return 0;
        m_pcs.pc[index] = *reinterpret_cast<const DeskPc*>(lp);
        if (index == m_pcs.count) ++m_pcs.count;
        Fill(index);
        return 0;
    }
    }
    return CChildDialog::WindowProc(msg, wp, lp);
}

void CPcsDialog::OnClickedOk()
{
    SendMessageW(m_owner->GetSafeHwnd(), WM_PCS_CHOSEN, 0, reinterpret_cast<LPARAM>(&m_pcs));
    Close();
}

// ---------------------------------------------------------------- one PC

CPcDialog::CPcDialog(CWnd* owner, const DeskPcs& pcs, int index, const HotKey& switchKey)
    : CMonitorsDialog(owner, nullptr, 0, 1), m_pcs(pcs), m_index(index), m_switchKey(switchKey), m_pc(m_pcs.pc[index])
{
    if (index < m_pcs.count) return;
    // A new PC is proposed the first "PC <n>" that no other PC is named.
    int number = index + 1;
    while (FindPc(m_pcs, DefaultPcName(number).c_str())) ++number;
    m_pc = DeskPc();
    m_pc.name = DefaultPcName(number);
}

bool CPcDialog::Open(CWnd* owner, const DeskPcs& pcs, int index, const HotKey& switchKey)
{
    if (index < 0 || index > pcs.count || index >= kMaxPcs) return false;
    auto* dialog = new (std::nothrow) CPcDialog(owner, pcs, index, switchKey);
    return dialog && dialog->OpenWindow(IDD_PC);
}

bool CPcDialog::InitialiseDialog()
{
    // The key list is filled before the first exchange selects its row.
    FillKeyList(m_hWnd);
    SendDlgItemMessageW(m_hWnd, IDC_PC_NAME, EM_LIMITTEXT, kMaxPcNameLength, 0);
    return CMonitorsDialog::InitialiseDialog();
}

void CPcDialog::ExchangeData(CDataExchange& dx)
{
    dx.Text(IDC_PC_NAME, m_pc.name);
    ExchangeHotKey(dx, m_pc.key.control, m_pc.key.shift, m_pc.key.alt, m_pc.key.win, m_pc.key.index);
}

int CPcDialog::InitialChoice(MonitorTarget, const wchar_t* identity) const { return m_pc.Input(identity); }

void CPcDialog::OnClickedOk()
{
    UpdateData(true);
    if (m_pc.key.index < 0) m_pc.key.index = 0;
    // The PC is checked in its place in the list, and the user told what to
    // change; the choices stay as they are.
    DeskPcs checked = m_pcs;
    if (m_index == checked.count) ++checked.count;
    const CStringW broken = PcRuleText(checked, CheckPcs(checked, m_switchKey));
    if (!broken.empty()) {
        CWinApp::Get()->AppMessageBox(broken.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // The monitors attached now take their choices; those that are not keep theirs.
    for (int row = 0; row < m_rows; ++row)
        m_pc.SetInput(m_reading->Report(row).identity.c_str(), m_choice[kOnSwitch][row]);
    SendMessageW(m_owner->GetSafeHwnd(), WM_PC_CHOSEN, m_index, reinterpret_cast<LPARAM>(&m_pc));
    Close();
}
