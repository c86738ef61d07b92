// The monitors attached now that a program can talk to over DDC/CI, through
// the Windows functions of dxva2.dll: each with an identity that survives a
// restart and a reordering of the displays, a name, and its input source.
//
// Handles change whenever the displays change (sleep, a monitor unplugged,
// a KVM switch taking one away), so a list is made afresh for each use and
// its handles go with it. DDC/CI is slow (a read takes about 40 ms, a write
// about 50 ms, a capabilities string seconds), so a list is used on one
// thread and never on the user-interface thread for capabilities.
#pragma once
#include "framework/String.h"
#include <windows.h>

constexpr int kMaxMonitors = 16;

// The name part of an identity, its description: how a monitor is shown, and
// named when it is not attached.
CStringW NameFromIdentity(const wchar_t* identity);

// One physical monitor as dxva2 hands it out: its handle and description.
// Declared here, as the system headers declare it (packed), since the
// program loads dxva2 only when needed.
#pragma pack(push, 1)
struct PhysicalMonitor {
    HANDLE handle;
    wchar_t description[128];
};
#pragma pack(pop)
static_assert(sizeof(PhysicalMonitor) == sizeof(HANDLE) + 256, "PHYSICAL_MONITOR");

class CMonitorList {
public:
    // Loads dxva2 from the system folder and lists the physical monitors of
    // every display. Empty where dxva2 is missing or answers nothing (Wine's
    // functions, a dock that does not pass DDC/CI on).
    CMonitorList();
    // Gives the handles back and unloads dxva2.
    ~CMonitorList();
    CMonitorList(const CMonitorList&) = delete;
    CMonitorList& operator=(const CMonitorList&) = delete;

    int Count() const { return m_count; }
    // "<device id>|<description>", e.g. "DISPLAY#DEL40F3#5&1b2c3d&0&UID4353|Dell U2720Q":
    // the display device's id, which carries the monitor's EDID model and its
    // connection, not its place in the list, and the monitor's own description.
    const CStringW& Identity(int i) const { return m_identity[i]; }
    CStringW Name(int i) const { return NameFromIdentity(m_identity[i].c_str()); }
    // The monitor with that identity, or -1.
    int Find(const wchar_t* identity) const;

    // Input source, each call tried up to three times, 50 ms apart: the bus
    // gives transient errors.
    bool SetInput(int i, DWORD value) const;
    bool ReadInput(int i, DWORD* value) const;
    // The capabilities string; can take seconds.
    bool ReadCapabilities(int i, CString* capabilities) const;

private:
    static BOOL CALLBACK AddDisplay(HMONITOR display, HDC, RECT*, LPARAM self);
    void Add(HMONITOR display);

    // The functions of dxva2 that the list uses: all of them, or none.
    struct Api {
        BOOL(WINAPI* count)(HMONITOR, DWORD*);
        BOOL(WINAPI* get)(HMONITOR, DWORD, PhysicalMonitor*);
        BOOL(WINAPI* destroy)(DWORD, PhysicalMonitor*);
        BOOL(WINAPI* getVcp)(HANDLE, BYTE, int*, DWORD*, DWORD*);
        BOOL(WINAPI* setVcp)(HANDLE, BYTE, DWORD);
        BOOL(WINAPI* capsLength)(HANDLE, DWORD*);
        BOOL(WINAPI* caps)(HANDLE, char*, DWORD);
    };
    HMODULE m_dll = nullptr;
    Api m_api = {};
    int m_count = 0;
    PhysicalMonitor m_monitors[kMaxMonitors] = {};
    CStringW m_identity[kMaxMonitors];
};
