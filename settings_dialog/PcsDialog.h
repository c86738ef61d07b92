// CPcsDialog: the PCs of the desk in their order (the order of their numbers
// and of the tray menu), added, edited, removed and moved; CPcDialog: one
// PC's name, hot key and the input of each monitor for it. The PCs dialog is
// opened from the settings dialog and a PC's dialog from it, each disabling
// its owner while it is open. Each OK hands its result to its owner; the
// settings' OK stores the PCs, their Cancel drops them.
#pragma once
#include "hidpp/DeviceReading.h"
#include "pcs/DeskPcs.h"
#include "settings_dialog/MonitorsDialog.h"

// What a broken rule of the PCs tells the user; empty when they are kept.
CStringW PcRuleText(const DeskPcs& pcs, const PcRuleCheck& check);

class CPcsDialog : public CChildDialog {
public:
    // The PCs as the settings hold them so far; `switchKey` is the switch's
    // hot key as the settings show it, which no PC may take.
    static bool Open(CWnd* owner, const DeskPcs& pcs, const HotKey& switchKey);

protected:
    bool InitialiseDialog() override;
    void OnClickedOk() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    CPcsDialog(CWnd* owner, const DeskPcs& pcs, const HotKey& switchKey);
    ~CPcsDialog() override = default;

    // The list anew, with `selected` selected (none for -1).
    void Fill(int selected);
    int Selected() const;
    void OnSelectionChanged();
    void Move(int by);
    // The control port's controls: filled from the stored link and command,
    // enabled for the kind of link chosen, filled by a preset, and the link
    // they make, as the profile keeps it.
    void FillControlPort();
    void EnableControlPort();
    void ApplyPreset(int preset);
    CStringW LinkText() const;
    void Test();
    void OnTested(DWORD result);

    DeskPcs m_pcs;
    HotKey m_switchKey;
    // The link under test, as it was when Test was pressed (the controls may
    // change meanwhile); empty while none is.
    CStringW m_tested;
};

class CPcDialog : public CMonitorsDialog {
public:
    // PC `index` of the list; index == pcs.count adds one.
    static bool Open(CWnd* owner, const DeskPcs& pcs, int index, const HotKey& switchKey);

protected:
    void ExchangeData(CDataExchange& dx) override;
    bool InitialiseDialog() override;
    void OnClickedOk() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    int InitialChoice(MonitorTarget target, const wchar_t* identity) const override;
    UINT ChoiceTitle(MonitorTarget) const override { return IDS_PC_INPUT_COLUMN; }

private:
    CPcDialog(CWnd* owner, const DeskPcs& pcs, int index, const HotKey& switchKey);
    ~CPcDialog() override;

    // The keyboards and mice that change host: those that answered, then
    // those the PC has a host for that did not (asleep, off, elsewhere),
    // which keep their choice.
    void OnDevicesRead();
    void OnDeviceSelected();
    void OnHostChosen();
    CStringW HostText(int row, int host) const;
    struct DeviceRow {
        CStringW identity;
        int hosts = kMaxHosts;
        bool answered = false;
        CStringW hostName[kMaxHosts];
    };
    DeviceRow m_devices[kMaxListedDevices + kMaxPcDevices];
    int m_deviceRows = 0;
    CDeviceReading* m_deviceReading = nullptr;

    DeskPcs m_pcs;
    int m_index;
    HotKey m_switchKey;
    // What the dialog edits: the PC in its place in the list.
    DeskPc& m_pc;
};
