// hopdeck_bench.exe: measures a resident tray program from outside, under Wine
// or Windows, for scripts/bench. It prints one key=value per line.
//
//   hopdeck_bench startup RUNS  LABEL EXE CLASS TITLE  [LABEL EXE CLASS TITLE ...]
//       Starts each program RUNS times, interleaved (after one unreported warm-up
//       each): time from CreateProcess until its main window exists and its tray
//       icon is there, then ID_EXIT and the time until the process has ended.
//
//   hopdeck_bench measure EXE CLASS TITLE [options]
//       One start, the first opening of each window, switches (their Scroll Lock
//       events timed), a soak of the settings dialog and hot switch, and exit.
//       --sync DIR        at each checkpoint (settled; warm: each window opened
//                         once; half: half the soak; soaked) print
//                         "checkpoint=NAME" and wait until DIR\NAME.go exists,
//                         so the caller can measure the process from outside
//       --switches N      switch commands, each timed (default 20; every one
//                         takes 800 ms by design, so this is kept small)
//       --settings N      open/close cycles of the settings dialog (default 200)
//       --hotswitch N     show/hide cycles of the hot switch (default 200)
//       --no-windows      no settings dialog, no hot switch (for the reference)
//       --monitors N      then N switches with both monitors of the tests'
//                         double of dxva2 chosen (it must be in the prefix, and
//                         loaded by both programs): the time to the first input
//                         write and to the first key event; then N comings and
//                         goings of a watched USB device: the time from its
//                         message to the first input write, and a checkpoint
//                         "usb" once the last has settled; then N presses of
//                         a PC's hot key (PC 1, Ctrl+F13, both monitors
//                         chosen): the time to the first input write
//
//                         ; then N presses of that hot key with a KVM switch's
//                         control port on 127.0.0.1 (PC 1 at port 1): the time
//                         to the first byte of the command, then the windows'
//                         answer while a connection is never answered, and a
//                         checkpoint "kvm" once nothing is being sent; then
//                         N presses with a keyboard and a mouse behind a
//                         receiver (the tests' doubles of setupapi and hid,
//                         played by this driver) given a host for PC 1, its
//                         Control held 300 ms: the time to the first HID++
//                         byte and to the mouse's setCurrentHost, and from
//                         Control's release to the keyboard's; the window's
//                         answer while the mouse does not answer, and a
//                         checkpoint "hidpp" with the receiver watched
//
//   hopdeck_bench pcs PROFILE N
//       Stores N PCs in the profile of that name, each with a hot key
//       (Ctrl+F13, Ctrl+F14, ...), an input for both monitors of the double
//       and a host for the keyboard and the mouse of the desk. The start-ups
//       run with the desk's devices there, so that a program with devices
//       stored watches them from its start.
#include "monitors/MonitorList.h"
#include "tests/support/DdcDouble.h"
#include "tools/driver/Driver.h"
#include "tools/driver/HidppDesk.h"
#include <windows.h>
#include <shellapi.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const WORD kSwitchCommand = 32774;  // ID_SWITCH_PC
const WORD kSettingsCommand = 32775;  // ID_SETTINGS
const WORD kExitCommand = 32776;  // ID_EXIT
const UINT kSettingsClosed = WM_USER + 2;
const UINT kShowHotSwitch = WM_USER + 4;
const UINT kHideHotSwitch = WM_USER + 5;
const wchar_t kSettingsTitle[] = L"\u8a2d\u5b9a/\u30db\u30c3\u30c8\u30ad\u30fc\u767b\u9332";

LARGE_INTEGER s_freq;

// A QueryPerformanceCounter reading in ms, as Now() gives them.
double Ms(LONGLONG counter) { return double(counter) * 1000.0 / double(s_freq.QuadPart); }

double Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return Ms(t.QuadPart);
}

void Out(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vprintf(fmt, args);
    va_end(args);
    fputc('\n', stdout);
    fflush(stdout);
}

// Handles this thread's messages (and so the low-level hook's calls) for up to ms.
void Pump(DWORD ms)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (ms) MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Polls done() about every millisecond (pumping messages) for up to timeoutMs.
template <class F>
bool WaitUntil(F done, DWORD timeoutMs)
{
    double end = Now() + timeoutMs;
    for (;;) {
        if (done()) return true;
        if (Now() >= end) return false;
        Pump(1);
    }
}

bool TrayIconExists(HWND wnd)
{
    NOTIFYICONDATAA nid;
    ZeroMemory(&nid, sizeof nid);
    nid.cbSize = 504;  // the size every shell since XP accepts
    nid.hWnd = wnd;
    nid.uID = 0;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

DWORD WindowPid(HWND wnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    return pid;
}

// A visible top-level dialog (#32770) of a process with the given title.
struct DialogSearch {
    DWORD pid;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK FindDialogProc(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<DialogSearch*>(lp);
    if (WindowPid(wnd) != s->pid || !IsWindowVisible(wnd)) return TRUE;
    wchar_t cls[16] = L"";
    GetClassNameW(wnd, cls, 16);
    if (wcscmp(cls, L"#32770") != 0) return TRUE;
    wchar_t title[64] = L"";
    GetWindowTextW(wnd, title, 64);
    if (wcscmp(title, s->title) != 0) return TRUE;
    s->found = wnd;
    return FALSE;
}

HWND FindDialog(DWORD pid, const wchar_t* title)
{
    DialogSearch s = {pid, title, nullptr};
    EnumWindows(FindDialogProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// ------------------------------------------------------------------ a target

struct Target {
    const char* label;
    const char* exe;
    const char* cls;
    const char* title;
};

struct Running {
    HANDLE process = nullptr;
    DWORD pid = 0;
    HWND main = nullptr;
    double startupMs = -1;  // until the window and the icon are both there
    double windowMs = -1;  // until the window alone is there
};

bool Start(const Target& t, Running* r)
{
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    char cmd[MAX_PATH + 3];
    snprintf(cmd, sizeof cmd, "\"%s\"", t.exe);
    double t0 = Now();
    if (!CreateProcessA(t.exe, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Out("error=CreateProcess %s failed (%lu)", t.exe, GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    r->process = pi.hProcess;
    r->pid = pi.dwProcessId;
    bool ok = WaitUntil(
        [&] {
            if (!r->main) {
                HWND w = FindWindowA(t.cls, t.title);
                if (!w || WindowPid(w) != r->pid) return false;
                r->main = w;
                r->windowMs = Now() - t0;
            }
            return TrayIconExists(r->main);
        },
        20000);
    if (!ok) {
        Out("error=%s: no window with its tray icon after 20 s", t.label);
        return false;
    }
    r->startupMs = Now() - t0;
    return true;
}

// Posts ID_EXIT; the time until the process has ended, or -1.
double Exit(Running* r)
{
    if (!r->process) return -1;
    double t0 = Now();
    double ms = -1;
    if (r->main) PostMessageA(r->main, WM_COMMAND, kExitCommand, 0);
    if (WaitForSingleObject(r->process, 10000) == WAIT_OBJECT_0) {
        ms = Now() - t0;
    } else {
        Out("error=process did not end after ID_EXIT; terminated");
        TerminateProcess(r->process, 1);
        WaitForSingleObject(r->process, 5000);
    }
    CloseHandle(r->process);
    r->process = nullptr;
    return ms;
}

double Median(std::vector<double> v)
{
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Min(const std::vector<double>& v) { return v.empty() ? -1 : *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return v.empty() ? -1 : *std::max_element(v.begin(), v.end()); }

int Startups(int runs, std::vector<Target>& targets)
{
    std::vector<std::vector<double>> startup(targets.size()), window(targets.size()), exits(targets.size());
    for (int run = -1; run < runs; ++run) {  // run -1: warm-up, not counted
        for (size_t i = 0; i < targets.size(); ++i) {
            Running r;
            bool ok = Start(targets[i], &r);
            double exitMs = Exit(&r);
            if (!ok) return 1;
            if (run < 0) {
                Out("startup.%s.warmup_ms=%.1f", targets[i].label, r.startupMs);
            } else {
                Out("startup.%s.run%d_ms=%.1f", targets[i].label, run + 1, r.startupMs);
                startup[i].push_back(r.startupMs);
                window[i].push_back(r.windowMs);
                if (exitMs >= 0) exits[i].push_back(exitMs);
            }
            Sleep(300);  // let the shell drop the icon before the next start
        }
    }
    for (size_t i = 0; i < targets.size(); ++i) {
        const char* l = targets[i].label;
        Out("startup.%s.runs=%d", l, int(startup[i].size()));
        Out("startup.%s.median_ms=%.1f", l, Median(startup[i]));
        Out("startup.%s.min_ms=%.1f", l, Min(startup[i]));
        Out("startup.%s.max_ms=%.1f", l, Max(startup[i]));
        Out("startup.%s.window_median_ms=%.1f", l, Median(window[i]));
        Out("startup.%s.exit_median_ms=%.1f", l, Median(exits[i]));
    }
    return 0;
}

// ------------------------------------------------------------------ measure

std::vector<double> s_scrollEvents;  // times of Scroll Lock events (ms, Now())

LRESULT CALLBACK KeyboardHook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && reinterpret_cast<KBDLLHOOKSTRUCT*>(lp)->vkCode == VK_SCROLL)
        s_scrollEvents.push_back(Now());
    return CallNextHookEx(nullptr, code, wp, lp);
}

void Checkpoint(const char* syncDir, const char* name)
{
    Out("checkpoint=%s", name);
    if (!syncDir) return;
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%s\\%s.go", syncDir, name);
    double end = Now() + 120000;
    while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES && Now() < end) Sleep(50);
}

void Counts(HANDLE process, const char* when)
{
    DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    DWORD user = GetGuiResources(process, GR_USEROBJECTS);
    DWORD handles = 0;
    if (!GetProcessHandleCount(process, &handles)) handles = 0;
    Out("objects.%s.gdi=%lu", when, gdi);
    Out("objects.%s.user=%lu", when, user);
    Out("objects.%s.handles=%lu", when, handles);
}

struct HotSwitchSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindHotSwitchProc(HWND wnd, LPARAM lp)
{
    auto* s = reinterpret_cast<HotSwitchSearch*>(lp);
    if (WindowPid(wnd) != s->pid || !IsWindowVisible(wnd)) return TRUE;
    wchar_t cls[16] = L"";
    GetClassNameW(wnd, cls, 16);
    if (wcscmp(cls, L"#32770") != 0 || GetWindowTextLengthW(wnd) != 0) return TRUE;
    s->found = wnd;
    return FALSE;
}

// The hot switch: a visible top-level #32770 of the process with no title.
HWND FindHotSwitch(DWORD pid)
{
    HotSwitchSearch s = {pid, nullptr};
    EnumWindows(FindHotSwitchProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool Gone(HWND wnd) { return !IsWindow(wnd) || !IsWindowVisible(wnd); }

// One open/close cycle of the settings dialog; the time to open it, or -1.
double SettingsCycle(const Running& r)
{
    double t0 = Now();
    PostMessageA(r.main, WM_COMMAND, kSettingsCommand, 0);
    HWND dlg = nullptr;
    if (!WaitUntil([&] { return (dlg = FindDialog(r.pid, kSettingsTitle)) != nullptr; }, 5000)) return -1;
    double opened = Now() - t0;
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    return WaitUntil([&] { return Gone(dlg); }, 5000) ? opened : -1;
}

// One show/hide cycle of the hot switch; the time to show it, or -1.
double HotSwitchCycle(const Running& r, DWORD timeoutMs)
{
    double t0 = Now();
    PostMessageA(r.main, kShowHotSwitch, 0, 0);
    HWND hs = nullptr;
    if (!WaitUntil([&] { return (hs = FindHotSwitch(r.pid)) != nullptr; }, timeoutMs)) return -1;
    double opened = Now() - t0;
    DWORD_PTR result;
    SendMessageTimeoutA(r.main, kHideHotSwitch, 0, 0, SMTO_NORMAL, 5000, &result);
    return WaitUntil([&] { return Gone(hs); }, 5000) ? opened : -1;
}

void Latencies(const char* name, const std::vector<double>& v)
{
    if (v.empty()) return;
    Out("%s.median_ms=%.1f", name, Median(v));
    Out("%s.max_ms=%.1f", name, Max(v));
}

// NAME_median_ms, NAME_min_ms and NAME_max_ms of a series.
void Spread(const char* name, const std::vector<double>& v)
{
    Out("%s_median_ms=%.1f", name, Median(v));
    Out("%s_min_ms=%.1f", name, Min(v));
    Out("%s_max_ms=%.1f", name, Max(v));
}

// Switches with both monitors of the double chosen: each timed from the
// command to the double's first input write and to the first key event.
int MonitorSwitches(const Running& r, int n)
{
    DdcDoubleState* ddc = DdcDouble();
    const CMonitorList monitors;  // the program's own list, for the identities
    if (!ddc || monitors.Count() < 2) {
        Out("note=no test double of dxva2 loaded: no switches with monitors");
        return 0;
    }
    const wchar_t key[] = L"software\\VANTU\\Hopdeck\\MONITORS";
    for (int i = 0; i < 2; ++i) {
        const DWORD input = i ? 0x0F : 0x11;
        RegSetKeyValueW(HKEY_CURRENT_USER, key, monitors.Identity(i).c_str(), REG_DWORD, &input, sizeof input);
    }
    int failed = 0;
    std::vector<double> write, keys;
    for (int i = 0; i < n; ++i) {
        ddc->firstWrite = 0;
        s_scrollEvents.clear();
        const double t0 = Now();
        PostMessageA(r.main, WM_COMMAND, kSwitchCommand, 0);
        if (!WaitUntil([&] { return ddc->firstWrite && s_scrollEvents.size() >= 4; }, 3000)) {
            ++failed;
            continue;
        }
        write.push_back(Ms(ddc->firstWrite) - t0);
        keys.push_back(s_scrollEvents.front() - t0);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    Out("monitors.switches=%d", n - failed);
    Spread("monitors.write", write);
    Spread("monitors.key", keys);
    return failed;
}

// A watched USB device leaving and coming back, with both monitors of the
// double chosen both ways: each message timed to the first input write, which
// comes once the device's presence has held for the settle time. No key may
// be sent.
int UsbSwitches(const Running& r, int n, const char* syncDir)
{
    DdcDoubleState* ddc = DdcDouble();
    const CMonitorList monitors;
    if (!ddc || monitors.Count() < 2) return 0;
    // Each monitor to the other's input when the device leaves, and back.
    const struct {
        const char* section;
        DWORD input[2];
    } choices[] = {{"MONITORS", {0x11, 0x0F}}, {"MONITORSHOME", {0x0F, 0x11}}};
    for (const auto& c : choices) {
        const std::string key = driver::ProfileKey("Hopdeck", c.section);
        for (int i = 0; i < 2; ++i)
            RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(),
                            monitors.Identity(i).c_str(), REG_DWORD, &c.input[i], sizeof(DWORD));
    }
    // As the settings' OK stores it and tells the main window.
    driver::SetString("Hopdeck", "SETTING", "USBDEVICE", L"VID_046D&PID_C52B");
    SendMessageA(r.main, kSettingsClosed, 0, 0);
    const wchar_t path[] = L"\\\\?\\USB#VID_046D&PID_C52B#5&1a2b3c&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    int failed = 0;
    std::vector<double> left, arrived;
    s_scrollEvents.clear();
    for (int i = 0; i < 2 * n; ++i) {
        ddc->firstWrite = 0;
        const double t0 = Now();
        driver::SendDeviceChange(r.main, i % 2 != 0, path);
        if (!WaitUntil([&] { return ddc->firstWrite != 0; }, 2000)) {
            ++failed;
            continue;
        }
        (i % 2 ? arrived : left).push_back(Ms(ddc->firstWrite) - t0);
        Pump(200);
    }
    for (const auto& c : choices) RegDeleteTreeA(HKEY_CURRENT_USER, driver::ProfileKey("Hopdeck", c.section).c_str());
    RegDeleteKeyValueA(HKEY_CURRENT_USER, driver::ProfileKey("Hopdeck", "SETTING").c_str(), "USBDEVICE");
    Out("usb.changes=%d", 2 * n - failed);
    Out("usb.keys=%d", int(s_scrollEvents.size()));
    Spread("usb.left_write", left);
    Spread("usb.arrived_write", arrived);
    Checkpoint(syncDir, "usb");
    return failed;
}

// The test double's monitors, each with an input, for PC `number` of a profile.
bool StorePc(const char* profile, int number, const CMonitorList& monitors)
{
    const std::string pc = "PCS\\" + std::to_string(number);
    wchar_t name[16];
    swprintf(name, 16, L"PC %d", number);
    driver::SetString(profile, pc.c_str(), "NAME", name);
    driver::SetDword(profile, pc.c_str(), "VIRTUALINDEX", 12 + number);  // F13, F14, ...
    driver::SetDword(profile, pc.c_str(), "CONTROL", 1);
    const std::string key = driver::ProfileKey(profile, (pc + "\\MONITORS").c_str());
    for (int i = 0; i < monitors.Count() && i < 2; ++i) {
        const DWORD input = i ? 0x0F : 0x11;
        RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(), monitors.Identity(i).c_str(),
                        REG_DWORD, &input, sizeof input);
    }
    return monitors.Count() >= 2;
}

// The desk's keyboard and mouse behind its receiver, as the program knows them.
const wchar_t* const kDeskDevices[] = {L"B35B408A0000-1A2B3C4D|MX Keys", L"B02340820000-5E6F7081|MX Master 3"};

// Both of them to that host (1-3) for PC `number` of a profile.
void StoreHosts(const char* profile, int number, DWORD host)
{
    const std::string key = driver::ProfileKey(profile, ("PCS\\" + std::to_string(number) + "\\DEVICES").c_str());
    for (const wchar_t* identity : kDeskDevices)
        RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(), identity, REG_DWORD, &host,
                        sizeof host);
}

// PC 1's hot key, Ctrl+F13.
void PressPcHotKey()
{
    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event(VK_F13, 0, 0, 0);
    keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
}

// The main window's answers to WM_NULL for that long, each timed.
std::vector<double> Answers(const Running& r, DWORD ms)
{
    std::vector<double> answers;
    for (const double end = Now() + ms; Now() < end; Pump(20)) {
        const double t0 = Now();
        DWORD_PTR result = 0;
        SendMessageTimeoutA(r.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
        answers.push_back(Now() - t0);
    }
    return answers;
}

// PC 1's hot key pressed, each press timed to the double's first input
// write. No lock key may be sent.
int PcSwitches(const Running& r, int n)
{
    DdcDoubleState* ddc = DdcDouble();
    const CMonitorList monitors;
    if (!ddc || !StorePc("Hopdeck", 1, monitors)) return 0;
    // As the settings' OK stores them and tells the main window.
    SendMessageA(r.main, kSettingsClosed, 0, 0);
    int failed = 0;
    std::vector<double> write;
    s_scrollEvents.clear();
    for (int i = 0; i < n; ++i) {
        ddc->firstWrite = 0;
        const double t0 = Now();
        PressPcHotKey();
        if (!WaitUntil([&] { return ddc->firstWrite != 0; }, 2000)) {
            ++failed;
            continue;
        }
        write.push_back(Ms(ddc->firstWrite) - t0);
        Pump(100);
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, driver::ProfileKey("Hopdeck", "PCS").c_str());
    SendMessageA(r.main, kSettingsClosed, 0, 0);
    Out("pcs.switches=%d", n - failed);
    Out("pcs.keys=%d", int(s_scrollEvents.size()));
    Spread("pcs.write", write);
    return failed;
}

void StoreKvmLink(const driver::KvmListener& kvm)
{
    const std::wstring link = L"127.0.0.1:" + std::to_wstring(kvm.Port());
    driver::SetString("Hopdeck", "SETTING", "KVMLINK", link.c_str());
}

// PC 1 with both monitors and port 1 of a KVM switch's control port on this machine.
bool StorePcWithPort(const CMonitorList& monitors, const driver::KvmListener& kvm)
{
    if (!StorePc("Hopdeck", 1, monitors)) return false;
    driver::SetDword("Hopdeck", "PCS\\1", "KVMPORT", 1);
    driver::SetString("Hopdeck", "SETTING", "KVMCOMMAND", L"\\xAA\\xBB\\x03\\x01{b}\\xEE");
    StoreKvmLink(kvm);
    return true;
}

// No PCs and no control port, as the settings' OK stores it and tells the main window.
void ForgetPcsAndPort(const Running& r)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, driver::ProfileKey("Hopdeck", "PCS").c_str());
    for (const char* name : {"KVMLINK", "KVMCOMMAND"})
        RegDeleteKeyValueA(HKEY_CURRENT_USER, driver::ProfileKey("Hopdeck", "SETTING").c_str(), name);
    SendMessageA(r.main, kSettingsClosed, 0, 0);
}

// PC 1's hot key with a KVM switch's control port on this machine: each press
// timed to the first byte of the command. Then the main window's answers to
// WM_NULL while a connection hangs, for 1.8 s; then nothing is sent any more.
int KvmCommands(const Running& r, int n, const char* syncDir)
{
    const CMonitorList monitors;
    driver::KvmListener kvm, silent(driver::KvmListener::kNeverAnswer);
    if (!StorePcWithPort(monitors, kvm)) return 0;
    SendMessageA(r.main, kSettingsClosed, 0, 0);
    int failed = 0;
    std::vector<double> first, answers;
    for (int i = 0; i < n; ++i) {
        const double t0 = Now();
        PressPcHotKey();
        if (!driver::PumpUntil([&] { return kvm.Received().size() > size_t(i - failed); }, 3000)) {
            ++failed;
            continue;
        }
        first.push_back(Ms(kvm.Received().back().second) - t0);
        Pump(1100);  // a second apart, as the program sends them
    }
    StoreKvmLink(silent);
    PressPcHotKey();
    answers = Answers(r, 1800);
    Pump(1500);  // the hung connection gives up
    ForgetPcsAndPort(r);
    Out("kvm.commands=%d", n - failed);
    Spread("kvm.first_byte", first);
    Out("kvm.answer_max_ms=%.1f", Max(answers));
    Out("kvm.answers=%d", int(answers.size()));
    Checkpoint(syncDir, "kvm");
    return failed;
}

// PC 1's hot key with its monitors, its KVM port and the desk's keyboard and
// mouse given host 2 for it, Control held 300 ms: each press timed to the
// first HID++ byte and to the mouse's setCurrentHost, and from Control's
// release to the keyboard's (which waits for the hot key's keys). Then the
// window's answers to WM_NULL while the mouse answers nothing; then a
// checkpoint with the receiver watched and nothing happening.
int HidppChanges(const Running& r, int n, const char* syncDir)
{
    const CMonitorList monitors;
    driver::KvmListener kvm;
    driver::HidppDesk desk;
    if (!StorePcWithPort(monitors, kvm)) return 0;
    StoreHosts("Hopdeck", 1, 2);
    SendMessageA(r.main, kSettingsClosed, 0, 0);
    Pump(1500);  // the watch learns the devices
    int failed = 0, afterPort = 0;
    std::vector<double> first, mouse, keysUp;
    for (int i = 0; i < n; ++i) {
        const size_t before = desk.Writes().size(), commands = kvm.Received().size();
        const double t0 = Now();
        keybd_event(VK_CONTROL, 0, 0, 0);
        keybd_event(VK_F13, 0, 0, 0);
        keybd_event(VK_F13, 0, KEYEVENTF_KEYUP, 0);
        Pump(300);
        const double released = Now();
        keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        LONGLONG firstAt = 0, mouseAt = 0, keyboardAt = 0;
        const bool done = WaitUntil(
            [&] {
                const auto writes = desk.Writes();
                for (size_t w = before; w < writes.size(); ++w) {
                    if (!firstAt) firstAt = writes[w].at;
                    const driver::HidppDesk::Device to = driver::HidppDesk::HostChangeOf(writes[w]);
                    if (!mouseAt && to == driver::HidppDesk::kMouse) mouseAt = writes[w].at;
                    if (!keyboardAt && to == driver::HidppDesk::kKeyboard) keyboardAt = writes[w].at;
                }
                return mouseAt && keyboardAt;
            },
            3000);
        if (!done) {
            ++failed;
        } else {
            first.push_back(Ms(firstAt) - t0);
            mouse.push_back(Ms(mouseAt) - t0);
            keysUp.push_back(Ms(keyboardAt) - released);
            if (kvm.Received().size() > commands && kvm.Received()[commands].second < firstAt) ++afterPort;
        }
        Pump(100);  // both have left for host 2; back for the next press
        desk.ComeBack(driver::HidppDesk::kKeyboard);
        desk.ComeBack(driver::HidppDesk::kMouse);
        Pump(1000);  // a second apart, as the port's commands go
    }
    desk.SetState(driver::HidppDesk::kMouse, driver::HidppDesk::kSilent);
    PressPcHotKey();
    const std::vector<double> answers = Answers(r, 2500);
    desk.SetState(driver::HidppDesk::kMouse, driver::HidppDesk::kAwake);
    Pump(2000);  // the change gives up on the mouse
    desk.ComeBack(driver::HidppDesk::kKeyboard);
    Pump(1000);
    Out("hidpp.changes=%d", n - failed);
    Out("hidpp.after_port=%d", afterPort);
    Spread("hidpp.first_byte", first);
    Spread("hidpp.mouse", mouse);
    Spread("hidpp.keys_up", keysUp);
    Out("hidpp.answer_max_ms=%.1f", Max(answers));
    Out("hidpp.answers=%d", int(answers.size()));
    Out("hidpp.violations=%d", int(desk.Violations().size()));
    Checkpoint(syncDir, "hidpp");
    ForgetPcsAndPort(r);
    return failed;
}

int Measure(const Target& t, const char* syncDir, int switches, int settings, int hotSwitches, bool windows,
            int monitorSwitches)
{
    Running r;
    if (!Start(t, &r)) {
        Exit(&r);
        return 1;
    }
    Out("pid=%lu", r.pid);
    Out("startup_ms=%.1f", r.startupMs);
    Checkpoint(syncDir, "settled");

    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, GetModuleHandleW(nullptr), 0);
    if (!hook) Out("error=no low-level keyboard hook (%lu)", GetLastError());

    // First opening of each window: what it costs once, before the soak.
    bool hotSwitch = false;
    if (windows) {
        double ms = SettingsCycle(r);
        if (ms >= 0)
            Out("settings.first_open_ms=%.1f", ms);
        else
            Out("error=the settings dialog did not open and close");
        ms = HotSwitchCycle(r, 3000);
        hotSwitch = ms >= 0;
        if (hotSwitch) {
            Out("hotswitch.first_open_ms=%.1f", ms);
        } else {
            Out("hotswitch.first_open_ms=n/a");
            Out("note=no hot switch window within 3 s of WM_USER+4");
        }
    }
    Checkpoint(syncDir, "warm");
    Counts(r.process, "before");

    // Switches, each timed from the command to its Scroll Lock events.
    int switchFailed = 0;
    std::vector<double> first, last;
    for (int i = 0; i < switches; ++i) {
        s_scrollEvents.clear();
        double t0 = Now();
        PostMessageA(r.main, WM_COMMAND, kSwitchCommand, 0);
        if (!WaitUntil([] { return s_scrollEvents.size() >= 4; }, 3000)) {
            ++switchFailed;
            continue;
        }
        Pump(50);  // a fifth event would show here
        if (s_scrollEvents.size() != 4) ++switchFailed;
        first.push_back(s_scrollEvents.front() - t0);
        last.push_back(s_scrollEvents[3] - t0);
        Out("switch.run%d=first %.1f last %.1f", i + 1, first.back(), last.back());
    }
    Out("soak.switches=%d", switches - switchFailed);
    if (switchFailed) Out("soak.switch_failed=%d", switchFailed);
    Spread("switch.first", first);
    Spread("switch.last", last);
    if (monitorSwitches) switchFailed += MonitorSwitches(r, monitorSwitches);
    if (monitorSwitches) switchFailed += UsbSwitches(r, monitorSwitches, syncDir);
    if (monitorSwitches) switchFailed += PcSwitches(r, monitorSwitches);
    if (monitorSwitches) switchFailed += KvmCommands(r, monitorSwitches, syncDir);
    if (monitorSwitches) switchFailed += HidppChanges(r, monitorSwitches, syncDir);
    if (hook) UnhookWindowsHookEx(hook);

    // Window soak, in two halves with a checkpoint between, so that growth per
    // cycle can be told apart from what is allocated once.
    int settingsFailed = 0, hotSwitchFailed = 0;
    std::vector<double> settingsOpen, hotSwitchOpen;
    double soakStart = Now();
    for (int half = 0; half < 2; ++half) {
        int n = half ? settings - settings / 2 : settings / 2;
        for (int i = 0; windows && i < n; ++i) {
            double ms = SettingsCycle(r);
            if (ms < 0)
                ++settingsFailed;
            else
                settingsOpen.push_back(ms);
        }
        n = half ? hotSwitches - hotSwitches / 2 : hotSwitches / 2;
        for (int i = 0; hotSwitch && i < n; ++i) {
            double ms = HotSwitchCycle(r, 5000);
            if (ms < 0)
                ++hotSwitchFailed;
            else
                hotSwitchOpen.push_back(ms);
        }
        if (!half) Checkpoint(syncDir, "half");
    }
    if (windows) {
        Out("soak.settings_cycles=%d", settings - settingsFailed);
        Out("soak.hotswitch_cycles=%d", hotSwitch ? hotSwitches - hotSwitchFailed : 0);
    }
    if (settingsFailed) Out("soak.settings_failed=%d", settingsFailed);
    if (hotSwitchFailed) Out("soak.hotswitch_failed=%d", hotSwitchFailed);
    Latencies("settings.open", settingsOpen);
    Latencies("hotswitch.open", hotSwitchOpen);
    Out("soak.seconds=%.1f", (Now() - soakStart) / 1000);

    Counts(r.process, "after");
    Checkpoint(syncDir, "soaked");
    double exitMs = Exit(&r);
    if (exitMs >= 0)
        Out("exit_ms=%.1f", exitMs);
    else
        Out("exit_ms=n/a");
    return settingsFailed || hotSwitchFailed || switchFailed || exitMs < 0 ? 2 : 0;
}

int Usage()
{
    Out("error=usage: hopdeck_bench startup RUNS LABEL EXE CLASS TITLE [...] | "
        "measure EXE CLASS TITLE [--sync DIR] [--switches N] [--settings N] [--hotswitch N] [--no-windows] "
        "[--monitors N] | pcs PROFILE N");
    return 64;
}

}  // namespace

int main(int argc, char** argv)
{
    QueryPerformanceFrequency(&s_freq);
    if (argc < 2) return Usage();
    if (strcmp(argv[1], "startup") == 0) {
        if (argc < 7 || (argc - 3) % 4 != 0) return Usage();
        std::vector<Target> targets;
        for (int i = 3; i + 3 < argc; i += 4) targets.push_back({argv[i], argv[i + 1], argv[i + 2], argv[i + 3]});
        const driver::HidppDesk desk;  // for a program that watches devices from its start
        return Startups(atoi(argv[2]), targets);
    }
    if (strcmp(argv[1], "pcs") == 0 && argc == 4) {
        const CMonitorList monitors;
        for (int n = 1; n <= atoi(argv[3]); ++n) {
            if (!StorePc(argv[2], n, monitors)) return 1;
            StoreHosts(argv[2], n, 1 + (n - 1) % 3);
        }
        return 0;
    }
    if (strcmp(argv[1], "measure") == 0) {
        if (argc < 5) return Usage();
        Target t = {"target", argv[2], argv[3], argv[4]};
        const char* syncDir = nullptr;
        int switches = 20, settings = 200, hotSwitches = 200, monitorSwitches = 0;
        bool windows = true;
        for (int i = 5; i < argc; ++i) {
            if (strcmp(argv[i], "--no-windows") == 0) {
                windows = false;
            } else if (i + 1 < argc && strcmp(argv[i], "--sync") == 0) {
                syncDir = argv[++i];
            } else if (i + 1 < argc && strcmp(argv[i], "--switches") == 0) {
                switches = atoi(argv[++i]);
            } else if (i + 1 < argc && strcmp(argv[i], "--settings") == 0) {
                settings = atoi(argv[++i]);
            } else if (i + 1 < argc && strcmp(argv[i], "--hotswitch") == 0) {
                hotSwitches = atoi(argv[++i]);
            } else if (i + 1 < argc && strcmp(argv[i], "--monitors") == 0) {
                monitorSwitches = atoi(argv[++i]);
            } else {
                return Usage();
            }
        }
        Out("switch_soak_count=%d", switches);
        return Measure(t, syncDir, switches, settings, hotSwitches, windows, monitorSwitches);
    }
    return Usage();
}
