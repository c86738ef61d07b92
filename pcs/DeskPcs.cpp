#include "pcs/DeskPcs.h"
#include "core/SettingsStore.h"
#include "monitors/InputSources.h"
#include "monitors/MonitorChoices.h"
#include "framework/System.h"
#include "res/resource.h"

namespace {

const char kMonitors[] = "MONITORS";
const char kDevices[] = "DEVICES";
const char kSetting[] = "SETTING";

// "PCS\3".
CString PcSection(int number)
{
    char section[16];
    wsprintfA(section, "PCS\\%d", number);
    return section;
}

bool SameName(const CStringW& a, const CStringW& b)
{
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

bool SameKey(const HotKey& a, const HotKey& b)
{
    return FunctionKeyRow(a.index) && FunctionKeyRow(b.index) && HotKeyModifiers(a) == HotKeyModifiers(b) &&
           HotKeyVirtualKey(a) == HotKeyVirtualKey(b);
}

}  // namespace

// A PC's choice per identity (a monitor's input, a device's host), in a list
// of at most `max` that holds only the entries with a value.
template <typename Entry>
int ChoiceOf(const Entry* entries, int count, int Entry::*value, const wchar_t* identity, int none)
{
    for (int i = 0; i < count; ++i)
        if (lstrcmpW(entries[i].identity.c_str(), identity) == 0) return entries[i].*value;
    return none;
}

template <typename Entry>
void SetChoiceOf(Entry* entries, int& count, int max, int Entry::*value, const wchar_t* identity, int choice, bool keep)
{
    int i = 0;
    while (i < count && lstrcmpW(entries[i].identity.c_str(), identity) != 0) ++i;
    if (!keep) {
        // Left unchanged: it needs no entry.
        if (i == count) return;
        for (--count; i < count; ++i) entries[i] = entries[i + 1];
        return;
    }
    if (i == count) {
        if (count == max) return;
        entries[count++].identity = identity;
    }
    entries[i].*value = choice;
}

int DeskPc::Input(const wchar_t* identity) const
{
    return ChoiceOf(monitors, monitorCount, &PcMonitor::input, identity, kLeaveUnchanged);
}

void DeskPc::SetInput(const wchar_t* identity, int input)
{
    SetChoiceOf(monitors, monitorCount, kMaxPcMonitors, &PcMonitor::input, identity, input, IsInputValue(input));
}

int DeskPc::Host(const wchar_t* identity) const { return ChoiceOf(devices, deviceCount, &HostTarget::host, identity, 0); }

void DeskPc::SetHost(const wchar_t* identity, int host)
{
    SetChoiceOf(devices, deviceCount, kMaxPcDevices, &HostTarget::host, identity, host, host >= 1 && host <= kMaxHosts);
}

DeskPcs::DeskPcs() = default;
DeskPcs::DeskPcs(const DeskPcs& other) = default;
DeskPcs& DeskPcs::operator=(const DeskPcs& other) = default;
DeskPcs::~DeskPcs() = default;

CStringW DefaultPcName(int number)
{
    wchar_t name[16];
    wsprintfW(name, L"PC %d", number);
    return name;
}

DeskPcs ReadPcs(bool withChoices)
{
    DeskPcs pcs;
    for (int number = 1; number <= kMaxPcs; ++number) {
        CRegKey key;
        if (!AppSettings().OpenSection(PcSection(number).c_str(), key, true)) continue;
        DeskPc& pc = pcs.pc[pcs.count++];
        pc.name = ReadSz(key.Get(), L"NAME", kMaxPcNameLength);
        if (pc.name.empty()) pc.name = DefaultPcName(pcs.count);
        pc.key = ReadHotKey(key.Get());
        pc.kvmPort = ReadDword(key.Get(), L"KVMPORT", 0);
        if (pc.kvmPort < 0 || pc.kvmPort > kMaxKvmPort) pc.kvmPort = 0;
        CRegKey monitors, devices;
        CStringW identity;
        if (!withChoices) continue;
        if (monitors.Open(key.Get(), kMonitors, KEY_READ))
            for (DWORD entry = 0; EnumValueName(monitors.Get(), entry, &identity); ++entry)
                pc.SetInput(identity.c_str(), ReadDword(monitors.Get(), identity.c_str(), kLeaveUnchanged));
        if (devices.Open(key.Get(), kDevices, KEY_READ))
            for (DWORD entry = 0; EnumValueName(devices.Get(), entry, &identity); ++entry)
                pc.SetHost(identity.c_str(), ReadDword(devices.Get(), identity.c_str(), 0));
    }
    CRegKey setting;
    if (!AppSettings().OpenSection(kSetting, setting, true)) return pcs;
    const int thisPc = ReadDword(setting.Get(), L"THISPC", 0);
    if (thisPc >= 1 && thisPc <= pcs.count) pcs.pc[thisPc - 1].thisPc = 1;
    // What does not fit is no link and no command: nothing is sent.
    pcs.kvmLink = ReadSz(setting.Get(), L"KVMLINK", kMaxKvmNotation);
    pcs.kvmCommand = ReadSz(setting.Get(), L"KVMCOMMAND", kMaxKvmNotation);
    return pcs;
}

void WritePcs(const DeskPcs& pcs)
{
    const SettingsStore& store = AppSettings();
    for (int i = 0; i < pcs.count; ++i) {
        // Written afresh: the monitors given up, and whatever a hand edit left, go.
        const CString section = PcSection(i + 1);
        store.DeleteSection(section.c_str());
        CRegKey key, monitors, devices;
        if (!store.OpenSection(section.c_str(), key)) continue;
        const DeskPc& pc = pcs.pc[i];
        WriteSz(key.Get(), L"NAME", pc.name.c_str());
        WriteHotKey(key.Get(), pc.key);
        WriteDword(key.Get(), L"KVMPORT", pc.kvmPort);
        if (monitors.Create(key.Get(), kMonitors, KEY_WRITE))
            for (int m = 0; m < pc.monitorCount; ++m)
                WriteDword(monitors.Get(), pc.monitors[m].identity.c_str(), pc.monitors[m].input);
        if (pc.deviceCount && devices.Create(key.Get(), kDevices, KEY_WRITE))
            for (int d = 0; d < pc.deviceCount; ++d)
                WriteDword(devices.Get(), pc.devices[d].identity.c_str(), pc.devices[d].host);
    }
    for (int number = pcs.count + 1; number <= kMaxPcs; ++number) store.DeleteSection(PcSection(number).c_str());
    int thisPc = 0;
    for (int i = pcs.count; i > 0; --i)
        if (pcs.pc[i - 1].thisPc) thisPc = i;
    store.WriteInt(kSetting, "THISPC", thisPc);
    store.WriteString(kSetting, "KVMLINK", pcs.kvmLink.c_str());
    store.WriteString(kSetting, "KVMCOMMAND", pcs.kvmCommand.c_str());
}

int FindPc(const DeskPcs& pcs, const wchar_t* text)
{
    int number = 0;
    const wchar_t* digit = text;
    for (; *digit >= L'0' && *digit <= L'9' && number < 100; ++digit) number = number * 10 + (*digit - L'0');
    if (digit != text && !*digit && number >= 1 && number <= pcs.count) return number;
    for (int i = 0; i < pcs.count; ++i)
        if (SameName(pcs.pc[i].name, text)) return i + 1;
    return 0;
}

CStringW SetPcInputs(const DeskPc& pc)
{
    CInputSetter setter;
    for (int i = 0; i < pc.monitorCount; ++i) setter.Set(pc.monitors[i].identity.c_str(), pc.monitors[i].input);
    return setter.Failed();
}

PcRuleCheck CheckPcs(const DeskPcs& pcs, const HotKey& switchKey)
{
    PcRuleCheck check;
    auto broken = [&check](PcRule rule, int pc, int other) {
        check.rule = rule;
        check.pc = pc;
        check.other = other;
        return check;
    };
    for (int i = 0; i < pcs.count; ++i)
        if (pcs.pc[i].name.empty()) return broken(PcRule::NoName, i, -1);
    for (int i = 0; i < pcs.count; ++i)
        for (int j = 0; j < i; ++j)
            if (SameName(pcs.pc[i].name, pcs.pc[j].name)) return broken(PcRule::SameName, i, j);
    for (int i = 0; i < pcs.count; ++i)
        if (!HotKeyAllowed(pcs.pc[i].key)) return broken(PcRule::KeyTypes, i, -1);
    for (int i = 0; i < pcs.count; ++i) {
        if (SameKey(pcs.pc[i].key, switchKey)) return broken(PcRule::SameKey, i, -1);
        for (int j = 0; j < i; ++j)
            if (SameKey(pcs.pc[i].key, pcs.pc[j].key)) return broken(PcRule::SameKey, i, j);
    }
    return check;
}

bool GoesStraightTo(const DeskPcs& pcs, int index)
{
    return (pcs.pc[index].kvmPort && !pcs.kvmLink.empty()) || pcs.pc[index].deviceCount;
}

int NextPcOfRound(const DeskPcs& pcs, int after)
{
    for (int i = 0; !after && i < pcs.count; ++i)
        if (pcs.pc[i].thisPc) after = i + 1;
    for (int k = 0; k < pcs.count; ++k) {
        const int i = (after + k) % pcs.count;
        if (GoesStraightTo(pcs, i)) return i + 1;
    }
    return 0;
}

int PcDeviceIdentities(const DeskPcs& pcs, CStringW* identities, int max)
{
    int count = 0;
    for (int p = 0; p < pcs.count; ++p)
        for (int d = 0; d < pcs.pc[p].deviceCount; ++d) {
            const CStringW& identity = pcs.pc[p].devices[d].identity;
            int seen = 0;
            while (seen < count && lstrcmpW(identities[seen].c_str(), identity.c_str())) ++seen;
            if (seen == count && count < max) identities[count++] = identity;
        }
    return count;
}

KvmCheck CheckKvm(const DeskPcs& pcs, int index)
{
    KvmCheck check;
    // A PC without a port needs no link.
    if (pcs.kvmLink.empty() || (index >= 0 && !pcs.pc[index].kvmPort)) return check;
    check.badLink = !ParseKvmLink(pcs.kvmLink.c_str(), &check.link);
    if (check.badLink) return check;
    // The one PC's command; or the notation itself, though no PC may use it
    // yet (port 1 can always be said), then every port it must say.
    if (index < 0) check.command = BuildKvmCommand(pcs.kvmCommand.c_str(), 1);
    for (int i = index < 0 ? 0 : index; KvmCheckPassed(check) && i < (index < 0 ? pcs.count : index + 1); ++i) {
        if (!pcs.pc[i].kvmPort) continue;
        check.command = BuildKvmCommand(pcs.kvmCommand.c_str(), pcs.pc[i].kvmPort);
        check.pc = i;
    }
    return check;
}

bool KvmCheckPassed(const KvmCheck& check) { return !check.badLink && check.command.error == CommandError::None; }

CStringW KvmCheckText(const DeskPcs& pcs, const KvmCheck& check)
{
    const wchar_t* piece = check.command.piece.c_str();
    if (check.badLink) return FormatResString(IDS_KVM_BAD_LINK, pcs.kvmLink.c_str());
    switch (check.command.error) {
    case CommandError::None: return CStringW();
    case CommandError::BadEscape: return FormatResString(IDS_KVM_BAD_ESCAPE, piece);
    case CommandError::UnknownField: return FormatResString(IDS_KVM_UNKNOWN_FIELD, piece);
    case CommandError::NotAscii: return FormatResString(IDS_KVM_NOT_ASCII, piece);
    case CommandError::Empty: return LoadResString(IDS_KVM_EMPTY);
    case CommandError::TooLong: return FormatResString(IDS_KVM_TOO_LONG, kMaxKvmCommand);
    case CommandError::PortTooHigh: break;
    }
    const DeskPc& pc = pcs.pc[check.pc];
    return FormatResString(IDS_KVM_PORT_TOO_HIGH, pc.name.c_str(), pc.kvmPort, piece);
}

bool KvmRequestFor(const DeskPcs& pcs, int index, KvmRequest* request, KvmCheck* check)
{
    *check = CheckKvm(pcs, index);
    if (!KvmCheckPassed(*check) || check->link.kind == LinkKind::None || !pcs.pc[index].kvmPort) return false;
    request->link = check->link;
    request->command = check->command;
    return true;
}
