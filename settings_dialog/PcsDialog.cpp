#include "settings_dialog/PcsDialog.h"
#include "framework/System.h"
#include "framework/WinApp.h"
#include "monitors/MonitorReading.h"
#include "settings_dialog/DialogControls.h"
#include <commctrl.h>
#include <cwchar>
#include <new>

namespace {

enum Column { kNumberColumn, kNameColumn, kKeyColumn, kKvmColumn, kColumnCount };

// The link list's entries hold a COM port's number, or one of these.
constexpr LPARAM kNoLink = 0;
constexpr LPARAM kNetworkLink = -1;

// An entry "COM3" or "9600" holding its number.
int AddNumber(HWND list, const wchar_t* format, int number)
{
    wchar_t text[16];
    wsprintfW(text, format, number);
    return AddComboEntry(list, text, number);
}

// Selects the entry of a number; one the list does not offer (a port that has
// gone, a speed set by hand) gets an entry of its own.
void SelectNumber(HWND list, const wchar_t* format, int number)
{
    if (SelectComboData(list, number) < 0) SendMessageW(list, CB_SETCURSEL, AddNumber(list, format, number), 0);
}

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
    static const int kWidths[kColumnCount] = {20, 88, 112, 24};
    UINT titles[kColumnCount];
    for (int column = 0; column < kColumnCount; ++column) titles[column] = IDS_PC_COLUMN_FIRST + column;
    AddListColumns(m_hWnd, IDC_PC_LIST, kWidths, titles, kColumnCount);
    Fill(m_pcs.count ? 0 : -1);
    FillControlPort();
    return true;
}

void CPcsDialog::FillControlPort()
{
    KvmLink link;
    const bool parsed = ParseKvmLink(m_pcs.kvmLink.c_str(), &link);
    HWND links = GetDlgItem(m_hWnd, IDC_KVM_LINK), speeds = GetDlgItem(m_hWnd, IDC_KVM_SPEED);
    AddComboEntry(links, LoadResString(IDS_USB_NONE).c_str(), kNoLink);
    // The ports Windows has, and the one chosen.
    int ports[64];
    const int count = ListComPorts(ports, 64);
    for (int i = 0; i < count; ++i) AddNumber(links, L"COM%d", ports[i]);
    if (link.kind == LinkKind::Serial) SelectNumber(links, L"COM%d", link.com);
    AddComboEntry(links, LoadResString(IDS_KVM_NETWORK).c_str(), kNetworkLink);
    if (link.kind != LinkKind::Serial) SelectComboData(links, parsed && link.kind == LinkKind::None ? kNoLink : kNetworkLink);

    for (int i = 0; i < kSerialSpeedCount; ++i) AddNumber(speeds, L"%d", kSerialSpeeds[i]);
    SelectNumber(speeds, L"%d", link.speed);

    wchar_t port[8];
    wsprintfW(port, L"%d", link.port);
    CStringW host = link.host, tcpPort = port;
    if (!parsed) {
        // A link that does not parse (a hand edit) shows as an address and a
        // port, to be mended.
        const int colon = m_pcs.kvmLink.ReverseFind(L':');
        host = colon < 0 ? m_pcs.kvmLink : CStringW(m_pcs.kvmLink.c_str(), colon);
        tcpPort = colon < 0 ? L"" : m_pcs.kvmLink.c_str() + colon + 1;
    }
    SetDlgItemTextW(m_hWnd, IDC_KVM_HOST, host.c_str());
    SetDlgItemTextW(m_hWnd, IDC_KVM_TCP_PORT, tcpPort.c_str());
    SendDlgItemMessageW(m_hWnd, IDC_KVM_TCP_PORT, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageW(m_hWnd, IDC_KVM_HOST, EM_LIMITTEXT, 253, 0);
    SetDlgItemTextW(m_hWnd, IDC_KVM_COMMAND, m_pcs.kvmCommand.c_str());
    SendDlgItemMessageW(m_hWnd, IDC_KVM_COMMAND, EM_LIMITTEXT, kMaxKvmNotation, 0);

    // The presets, the one that made the command chosen.
    HWND presets = GetDlgItem(m_hWnd, IDC_KVM_PRESET);
    AddComboEntry(presets, LoadResString(IDS_KVM_CUSTOM).c_str(), -1);
    int chosen = -1;
    for (int i = 0; i < kKvmPresetCount; ++i) {
        const KvmPreset& preset = kKvmPresets[i];
        AddComboEntry(presets, WidenAscii(preset.name).c_str(), i);
        if (chosen < 0 && lstrcmpW(WidenAscii(preset.command).c_str(), m_pcs.kvmCommand.c_str()) == 0 &&
            (link.kind == LinkKind::None || link.kind == preset.kind))
            chosen = i;
    }
    SelectComboData(presets, chosen);
    EnableControlPort();
}

void CPcsDialog::EnableControlPort()
{
    const LPARAM link = SelectedComboData(GetDlgItem(m_hWnd, IDC_KVM_LINK));
    EnableWindow(GetDlgItem(m_hWnd, IDC_KVM_SPEED), link > 0);
    EnableWindow(GetDlgItem(m_hWnd, IDC_KVM_HOST), link == kNetworkLink);
    EnableWindow(GetDlgItem(m_hWnd, IDC_KVM_TCP_PORT), link == kNetworkLink);
    // One test at a time: its answer names the link it tested.
    EnableWindow(GetDlgItem(m_hWnd, IDC_KVM_TEST), link != kNoLink && m_tested.empty());
}

void CPcsDialog::ApplyPreset(int index)
{
    if (index < 0 || index >= kKvmPresetCount) return;
    const KvmPreset& preset = kKvmPresets[index];
    SetDlgItemTextW(m_hWnd, IDC_KVM_COMMAND, WidenAscii(preset.command).c_str());
    HWND links = GetDlgItem(m_hWnd, IDC_KVM_LINK);
    if (preset.kind == LinkKind::Network) {
        SelectComboData(links, kNetworkLink);
        SetDlgItemInt(m_hWnd, IDC_KVM_TCP_PORT, UINT(preset.speedOrPort), FALSE);
        if (!GetWindowTextLengthW(GetDlgItem(m_hWnd, IDC_KVM_HOST))) SetDlgItemTextW(m_hWnd, IDC_KVM_HOST, kTesmartAddress);
    } else {
        // A serial port: the one chosen, else the first Windows has.
        if (SelectedComboData(links) <= 0 && SendMessageW(links, CB_GETCOUNT, 0, 0) > 2) SendMessageW(links, CB_SETCURSEL, 1, 0);
        if (preset.speedOrPort) SelectComboData(GetDlgItem(m_hWnd, IDC_KVM_SPEED), preset.speedOrPort);
    }
    EnableControlPort();
}

CStringW CPcsDialog::LinkText() const
{
    const LPARAM link = SelectedComboData(GetDlgItem(m_hWnd, IDC_KVM_LINK));
    if (link > 0) {
        KvmLink serial;
        serial.kind = LinkKind::Serial;
        serial.com = int(link);
        serial.speed = int(SelectedComboData(GetDlgItem(m_hWnd, IDC_KVM_SPEED)));
        return FormatKvmLink(serial);
    }
    if (link != kNetworkLink) return CStringW();
    wchar_t host[256] = L"", port[8] = L"";
    GetDlgItemTextW(m_hWnd, IDC_KVM_HOST, host, 256);
    GetDlgItemTextW(m_hWnd, IDC_KVM_TCP_PORT, port, 8);
    return ((CStringW(host) += L":") += port);
}

void CPcsDialog::Test()
{
    if (!m_tested.empty()) return;
    KvmRequest request;
    const CStringW link = LinkText();
    if (!ParseKvmLink(link.c_str(), &request.link)) {
        CWinApp::Get()->AppMessageBox(FormatResString(IDS_KVM_BAD_LINK, link.c_str()).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    // Off the window's thread: the dialog answers while it connects.
    request.notify = m_hWnd;
    request.message = WM_KVM_TESTED;
    m_tested = link;
    EnableControlPort();
    QueueKvmCommand(request);
}

void CPcsDialog::OnTested(DWORD result)
{
    const CStringW link = m_tested;
    m_tested = CStringW();
    EnableControlPort();
    const CStringW text = result ? FormatResString(IDS_KVM_TEST_FAILED, link.c_str(), SystemErrorText(result).c_str())
                                 : FormatResString(IDS_KVM_TEST_OK, link.c_str());
    CWinApp::Get()->AppMessageBox(text.c_str(), MB_OK | (result ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
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
        SetListCell(list, i, kNameColumn, pc.thisPc ? FormatResString(IDS_PC_THIS, pc.name.c_str()).c_str() : pc.name.c_str());
        SetListCell(list, i, kKeyColumn, pc.key.index ? HotKeyText(pc.key).c_str() : LoadResString(IDS_USB_NONE).c_str());
        wsprintfW(number, pc.kvmPort ? L"%d" : L"", pc.kvmPort);
        SetListCell(list, i, kKvmColumn, number);
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
    case WM_KVM_TESTED:
        OnTested(DWORD(wp));
        return 0;
    case WM_COMMAND:
        if (HIWORD(wp) == CBN_SELCHANGE && LOWORD(wp) == IDC_KVM_LINK) EnableControlPort();
        if (HIWORD(wp) == CBN_SELCHANGE && LOWORD(wp) == IDC_KVM_PRESET)
            ApplyPreset(int(SelectedComboData(GetDlgItem(m_hWnd, IDC_KVM_PRESET))));
        if (HIWORD(wp) != BN_CLICKED) break;
        switch (LOWORD(wp)) {
        case IDC_KVM_TEST: Test(); return 0;
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
        // One PC is this one.
        for (int i = 0; m_pcs.pc[index].thisPc && i < m_pcs.count; ++i) m_pcs.pc[i].thisPc = i == index;
        Fill(index);
        return 0;
    }
    }
    return CChildDialog::WindowProc(msg, wp, lp);
}

void CPcsDialog::OnClickedOk()
{
    // The control port as the controls say, told what is wrong with it.
    DeskPcs chosen = m_pcs;
    chosen.kvmLink = LinkText();
    wchar_t command[kMaxKvmNotation + 1] = L"";
    GetDlgItemTextW(m_hWnd, IDC_KVM_COMMAND, command, kMaxKvmNotation + 1);
    chosen.kvmCommand = command;
    const KvmCheck check = CheckKvm(chosen);
    if (!KvmCheckPassed(check)) {
        CWinApp::Get()->AppMessageBox(KvmCheckText(chosen, check).c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_pcs = chosen;
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

CPcDialog::~CPcDialog()
{
    if (m_deviceReading) m_deviceReading->Release();
}

bool CPcDialog::InitialiseDialog()
{
    // The lists are filled before the first exchange selects their rows.
    FillKeyList(m_hWnd);
    HWND ports = GetDlgItem(m_hWnd, IDC_PC_KVM_PORT);
    SendMessageW(ports, CB_ADDSTRING, 0, (LPARAM)LoadResString(IDS_USB_NONE).c_str());
    for (int port = 1; port <= kMaxKvmPort; ++port) {
        wchar_t text[8];
        wsprintfW(text, L"%d", port);
        SendMessageW(ports, CB_ADDSTRING, 0, (LPARAM)text);
    }
    SendDlgItemMessageW(m_hWnd, IDC_PC_NAME, EM_LIMITTEXT, kMaxPcNameLength, 0);
    // The devices are read aside too: one asleep takes a second to give up on.
    static const int kWidths[] = {86, 86, 104};
    static const UINT kTitles[] = {IDS_DEVICE_COLUMN_FIRST, IDS_DEVICE_COLUMN_FIRST + 1, IDS_DEVICE_COLUMN_FIRST + 2};
    AddListColumns(m_hWnd, IDC_DEVICE_LIST, kWidths, kTitles, 3);
    EnableWindow(GetDlgItem(m_hWnd, IDC_DEVICE_HOST), FALSE);
    m_deviceReading = CDeviceReading::Start(m_hWnd, WM_DEVICE_READING);
    if (m_deviceReading) SetDlgItemTextW(m_hWnd, IDC_DEVICE_STATUS, LoadResString(IDS_DEVICES_READING).c_str());
    else OnDevicesRead();
    return CMonitorsDialog::InitialiseDialog();
}

LRESULT CPcDialog::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_DEVICE_READING: OnDevicesRead(); return 0;
    case WM_NOTIFY:
        if (RowNewlySelected(lp, IDC_DEVICE_LIST)) OnDeviceSelected();
        break;
    case WM_COMMAND:
        if (LOWORD(wp) == IDC_DEVICE_HOST && HIWORD(wp) == CBN_SELCHANGE) OnHostChosen();
        break;
    }
    return CMonitorsDialog::WindowProc(msg, wp, lp);
}

CStringW CPcDialog::HostText(int row, int host) const
{
    if (host < 1) return LoadResString(IDS_INPUT_LEAVE);
    const CStringW& name = host <= kMaxHosts ? m_devices[row].hostName[host - 1] : CStringW();
    return name.empty() ? FormatResString(IDS_DEVICE_HOST, host) : FormatResString(IDS_DEVICE_HOST_NAMED, host, name.c_str());
}

void CPcDialog::OnDevicesRead()
{
    const int count = m_deviceReading ? m_deviceReading->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const HidppDevice& device = m_deviceReading->Device(i);
        DeviceRow& row = m_devices[m_deviceRows++];
        row.identity = device.identity;
        row.hosts = device.hosts;
        row.answered = true;
        for (int h = 0; h < kMaxHosts; ++h) row.hostName[h] = device.hostName[h];
    }
    // The PC's devices that did not answer keep their choice, to be changed or not.
    for (int d = 0; d < m_pc.deviceCount; ++d) {
        int row = 0;
        while (row < m_deviceRows && lstrcmpW(m_devices[row].identity.c_str(), m_pc.devices[d].identity.c_str())) ++row;
        if (row == m_deviceRows) m_devices[m_deviceRows++].identity = m_pc.devices[d].identity;
    }
    HWND list = GetDlgItem(m_hWnd, IDC_DEVICE_LIST);
    for (int row = 0; row < m_deviceRows; ++row) {
        const DeviceRow& device = m_devices[row];
        SetListCell(list, row, 0, DeviceNameOf(device.identity.c_str()).c_str());
        SetListCell(list, row, 1, device.answered ? HostText(row, m_deviceReading->Device(row).current + 1).c_str()
                                                  : LoadResString(IDS_DEVICE_ABSENT).c_str());
        SetListCell(list, row, 2, HostText(row, m_pc.Host(device.identity.c_str())).c_str());
    }
    const int asleep = m_deviceReading ? m_deviceReading->Asleep() : 0;
    SetDlgItemTextW(m_hWnd, IDC_DEVICE_STATUS, asleep ? FormatResString(IDS_DEVICES_ASLEEP, asleep).c_str()
                                               : m_deviceRows ? L"" : LoadResString(IDS_DEVICES_NONE).c_str());
    if (m_deviceRows) SelectListRow(list, 0);
}

void CPcDialog::OnDeviceSelected()
{
    const int row = (int)SendDlgItemMessageW(m_hWnd, IDC_DEVICE_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
    HWND hosts = GetDlgItem(m_hWnd, IDC_DEVICE_HOST);
    SendMessageW(hosts, CB_RESETCONTENT, 0, 0);
    EnableWindow(hosts, row >= 0);
    if (row < 0) return;
    for (int host = 0; host <= m_devices[row].hosts; ++host) AddComboEntry(hosts, HostText(row, host).c_str(), host);
    SelectComboData(hosts, m_pc.Host(m_devices[row].identity.c_str()));
}

void CPcDialog::OnHostChosen()
{
    const int row = (int)SendDlgItemMessageW(m_hWnd, IDC_DEVICE_LIST, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
    if (row < 0) return;
    const int host = int(SelectedComboData(GetDlgItem(m_hWnd, IDC_DEVICE_HOST)));
    m_pc.SetHost(m_devices[row].identity.c_str(), host);
    SetListCell(GetDlgItem(m_hWnd, IDC_DEVICE_LIST), row, 2, HostText(row, host).c_str());
}

void CPcDialog::ExchangeData(CDataExchange& dx)
{
    dx.Text(IDC_PC_NAME, m_pc.name);
    ExchangeHotKey(dx, m_pc.key.control, m_pc.key.shift, m_pc.key.alt, m_pc.key.win, m_pc.key.index);
    dx.ListIndex(IDC_PC_KVM_PORT, m_pc.kvmPort);
    dx.Check(IDC_PC_THIS, m_pc.thisPc);
}

int CPcDialog::InitialChoice(MonitorTarget, const wchar_t* identity) const { return m_pc.Input(identity); }

void CPcDialog::OnClickedOk()
{
    UpdateData(true);
    if (m_pc.key.index < 0) m_pc.key.index = 0;
    if (m_pc.kvmPort < 0) m_pc.kvmPort = 0;
    // The PC is checked in its place in the list, and the user told what to
    // change; the choices stay as they are.
    DeskPcs checked = m_pcs;
    if (m_index == checked.count) ++checked.count;
    CStringW broken = PcRuleText(checked, CheckPcs(checked, m_switchKey));
    // A host past those a device has (a hand edit, or one stored before the
    // device was paired anew) would only fail later.
    for (int row = 0; broken.empty() && row < m_deviceRows; ++row)
        if (m_devices[row].answered && m_pc.Host(m_devices[row].identity.c_str()) > m_devices[row].hosts)
            broken = FormatResString(IDS_DEVICE_HOST_TOO_HIGH, DeviceNameOf(m_devices[row].identity.c_str()).c_str(),
                                     m_devices[row].hosts);
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
