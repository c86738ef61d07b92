// CMonitorsDialog: the monitors that answer DDC/CI, their current inputs, and
// the input each is set to on a switch. Opened from the settings dialog, which
// it disables while it is open; its OK hands the choices to the settings
// dialog, whose own OK stores them (its Cancel drops them).
#pragma once
#include "framework/Dialog.h"
#include "monitors/MonitorChoices.h"
#include "monitors/MonitorList.h"

class CMonitorReading;

// One monitor's choice, as the settings dialog keeps it until its OK.
struct MonitorChoice {
    CStringW identity;
    int value = kLeaveUnchanged;
};

// Sent by the monitors dialog to its owner on OK: wParam the number of
// choices, lParam the MonitorChoice array (so only ever sent on this thread).
#define WM_MONITORS_CHOSEN (WM_APP + 1)

class CMonitorsDialog : public CDialog {
public:
    // Opens the dialog, owned by the settings dialog, with the choices that
    // dialog holds so far (the stored ones for the other monitors). The object
    // deletes itself when its window goes.
    static bool Open(CWnd* owner, const MonitorChoice* choices, int count);

protected:
    bool InitialiseDialog() override;
    void OnClickedOk() override;
    void OnClickedCancel() override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;
    void PostNcDestroy() override;

private:
    CMonitorsDialog(CWnd* owner, const MonitorChoice* choices, int count);
    ~CMonitorsDialog() override = default;

    void OnReading(WPARAM stage, LPARAM index);
    void OnRowSelected();
    void OnInputChosen();
    void OnValueEdited();
    // The selected row's inputs in the list of choices.
    void FillInputs();
    void SetChoice(int value);
    // The value in its hexadecimal box.
    void ShowValue(int value);
    // "HDMI 1", "Input 0x1B"; "Leave unchanged" for no input.
    CStringW InputText(DWORD value) const;
    void SetCell(int row, int column, const CStringW& text);
    void Close();

    CWnd* m_owner;
    MonitorChoice m_given[kMaxMonitors];
    int m_givenCount = 0;
    CMonitorReading* m_reading = nullptr;
    int m_rows = 0;
    int m_choice[kMaxMonitors] = {};
    // Which monitors' reports are complete: only those may be looked at, as
    // the reading writes the others meanwhile.
    bool m_read[kMaxMonitors] = {};
    int m_selected = -1;
    // Set while the value box is filled, whose notification is not the user's.
    bool m_filling = false;
};
