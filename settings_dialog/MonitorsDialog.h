// CMonitorsDialog: the monitors that answer DDC/CI, their current inputs, the
// input each is set to on a switch, and the input that shows this PC (set when
// a watched USB switch comes back). Opened from the settings dialog, which it
// disables while it is open; its OK hands the choices to the settings dialog,
// whose own OK stores them (its Cancel drops them).
#pragma once
#include "core/Messages.h"
#include "framework/Dialog.h"
#include "monitors/MonitorChoices.h"
#include "monitors/MonitorList.h"
#include "res/resource.h"

class CMonitorReading;

// One monitor's choices, as the settings dialog keeps them until its OK.
struct MonitorChoice {
    CStringW identity;
    int value[kMonitorTargetCount] = {kLeaveUnchanged, kLeaveUnchanged};
};

class CMonitorsDialog : public CChildDialog {
public:
    // Opens the dialog, owned by the settings dialog, with the choices that
    // dialog holds so far (the stored ones for the other monitors). The object
    // deletes itself when its window goes.
    static bool Open(CWnd* owner, const MonitorChoice* choices, int count);

protected:
    // The monitors with `targets` choices each (the first ones of
    // MonitorTarget), the given ones and, for the other monitors, the stored ones.
    CMonitorsDialog(CWnd* owner, const MonitorChoice* choices, int count, int targets = kMonitorTargetCount);
    // However the window went (closed, or along with the settings dialog).
    ~CMonitorsDialog() override;

    bool InitialiseDialog() override;
    void OnClickedOk() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    // What a monitor's choice shows first.
    virtual int InitialChoice(MonitorTarget target, const wchar_t* identity) const;
    // The title of a choice's column.
    virtual UINT ChoiceTitle(MonitorTarget target) const { return IDS_MONITOR_COLUMN_FIRST + 2 + target; }

    // The monitors as listed, and the choice made for each.
    int m_rows = 0;
    int m_choice[kMonitorTargetCount][kMaxMonitors] = {};
    CMonitorReading* m_reading = nullptr;

private:
    void OnReading(WPARAM stage, LPARAM index);
    void OnRowSelected();
    void OnInputChosen(MonitorTarget target);
    void OnValueEdited(MonitorTarget target);
    // The selected row's inputs in the lists of choices.
    void FillInputs(MonitorTarget target);
    void SetChoice(MonitorTarget target, int value);
    // The value in its hexadecimal box.
    void ShowValue(MonitorTarget target, int value);
    // "HDMI 1", "Input 0x1B"; "Leave unchanged" for no input.
    CStringW InputText(DWORD value) const;
    void SetCell(int row, int column, const CStringW& text);

    MonitorChoice m_given[kMaxMonitors];
    int m_givenCount = 0;
    int m_targets;
    // Which monitors' reports are complete: only those may be looked at, as
    // the reading writes the others meanwhile.
    bool m_read[kMaxMonitors] = {};
    int m_selected = -1;
    // Set while the value box is filled, whose notification is not the user's.
    bool m_filling = false;
};
