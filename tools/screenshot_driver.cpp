// Screenshot driver for scripts/screenshots: a console program run under Wine
// on a virtual display. It starts the real Hopdeck.exe (next to this program),
// opens its windows from outside and copies each from the screen into a
// 24-bit .bmp in the current directory; the script turns them into PNGs.
//
//   screenshot_driver            every picture
//   screenshot_driver NAME...    only these: settings-empty, settings-hotkey,
//                                hotswitch, tray-menu, hotswitch-states, monitors,
//                                settings-keys, usb-detect, pcs, pc
//
// The program's texts come in the user-interface language Wine was started
// with; the driver finds the windows by their controls, not their captions,
// so it serves every language alike.
//
// The hot switch's five states are drawn in this process: five push buttons
// bound to the program's own image button, each put in one state, on a
// coloured window.
#include "core/Messages.h"
#include "framework/Wnd.h"
#include "hotswitch/AlphaButton.h"
#include "res/resource.h"
#include "tools/driver/Driver.h"
#include "tools/driver/HidppDesk.h"
#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

using driver::PumpFor;
using driver::PumpUntil;
using driver::WindowsOf;

int s_failures = 0;

void Fail(const std::string& what)
{
    std::fprintf(stderr, "screenshot_driver: %s\n", what.c_str());
    ++s_failures;
}

// The profile of an executable named Hopdeck.exe.
void DeleteProfile() { driver::DeleteProfile("Hopdeck"); }
void SetDword(const char* section, const char* name, DWORD value) { driver::SetDword("Hopdeck", section, name, value); }

// One started Hopdeck.exe, with the windows the pictures are taken of.
class Program : public driver::Program {
public:
    // A visible dialog of the program that holds a control with `controlId`
    // and none with `withoutId` (0: no such condition), waited for.
    HWND Dialog(int controlId, int withoutId)
    {
        HWND found = nullptr;
        PumpUntil(
            [&] {
                for (HWND w : WindowsOf(Pid(), nullptr))
                    if (GetDlgItem(w, controlId) && !(withoutId && GetDlgItem(w, withoutId))) found = w;
                return found != nullptr;
            },
            5000);
        return found;
    }
    // The settings dialog is the one with the start-up check box; the hot
    // switch's button shares its identifier with one of its check boxes.
    HWND Settings() { return Dialog(IDC_AUTORUN, 0); }
    HWND HotSwitch() { return Dialog(IDC_SWITCH_BUTTON, IDC_AUTORUN); }
    // The program's visible pop-up menu, if one is open.
    HWND OpenMenu()
    {
        auto menus = WindowsOf(Pid(), nullptr, L"#32768");
        return menus.empty() ? nullptr : menus.front();
    }
    void Exit()
    {
        Command(ID_EXIT);
        WaitExit();
    }
};

// Starts Hopdeck.exe on the profile as it stands and waits until it is up.
bool Start(Program& program)
{
    if (!program.MainWindow()) {
        Fail("Hopdeck.exe did not start (main window and tray icon)");
        return false;
    }
    return true;
}

// ------------------------------------------------------------------ capture

// Writes a 24-bit bottom-up DIB as a .bmp file.
bool WriteBmp(const std::string& path, const BITMAPINFOHEADER& info, const void* bits, DWORD size)
{
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + size;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(&file, sizeof file, 1, f) == 1 && std::fwrite(&info, sizeof info, 1, f) == 1 &&
                    std::fwrite(bits, size, 1, f) == 1;
    return std::fclose(f) == 0 && ok;
}

// One piece of a picture: a rectangle of the screen, and where it goes in
// the picture's screen coordinates.
struct Piece {
    RECT from;
    POINT to;
};

// Copies pieces of the screen into one picture of the screen rectangle `rc`,
// <name>.bmp, and prints "name left top right bottom".
bool CapturePieces(const RECT& rc, const char* name, const std::vector<Piece>& pieces)
{
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    if (w <= 0 || h <= 0) return false;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (dib) {
        HDC mem = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(mem, dib);
        ok = true;
        for (const Piece& p : pieces)
            ok = ok && BitBlt(mem, p.to.x - rc.left, p.to.y - rc.top, p.from.right - p.from.left,
                              p.from.bottom - p.from.top, screen, p.from.left, p.from.top, SRCCOPY);
        GdiFlush();
        SelectObject(mem, old);
        DeleteDC(mem);
        const DWORD stride = ((DWORD)w * 3 + 3) & ~3u;
        ok = ok && WriteBmp(std::string(name) + ".bmp", bi.bmiHeader, bits, stride * h);
        DeleteObject(dib);
    }
    ReleaseDC(nullptr, screen);
    if (ok) std::printf("%s %ld %ld %ld %ld\n", name, rc.left, rc.top, rc.right, rc.bottom);
    std::fflush(stdout);
    return ok;
}

// Copies a screen rectangle into <name>.bmp.
bool CaptureRect(const RECT& rc, const char* name) { return CapturePieces(rc, name, {{rc, {rc.left, rc.top}}}); }

// Repaints a window (of any process) and its children, lets the paint reach
// the display, then copies the window's rectangle.
bool CaptureWindow(HWND wnd, const char* name)
{
    if (!wnd) {
        Fail(std::string("no window for ") + name);
        return false;
    }
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(600);
    RECT rc;
    GetWindowRect(wnd, &rc);
    if (!CaptureRect(rc, name)) {
        Fail(std::string("cannot capture ") + name);
        return false;
    }
    return true;
}

// Keeps the pointer away from everything that is captured.
void ParkCursor() { SetCursorPos(2, 2); }

// ------------------------------------------------------------------ the program's windows

void CaptureSettings(const char* name)
{
    Program program;
    if (!Start(program)) return;
    program.Command(ID_SETTINGS);
    // The dialog is centred; nothing else of the program is near it.
    CaptureWindow(program.Settings(), name);
    program.Exit();
}

void ShotSettingsEmpty()
{
    ParkCursor();
    DeleteProfile();
    CaptureSettings("settings-empty");
}

// Ctrl + Alt + F5, and the hot switch shown.
void StoreHotKeyProfile()
{
    DeleteProfile();
    SetDword("SETTING", "VIRTUALINDEX", 5);
    SetDword("SETTING", "CONTROL", 1);
    SetDword("SETTING", "ALT", 1);
    SetDword("SETTING", "HOTSWITCH", 1);
}

void ShotSettingsHotKey()
{
    ParkCursor();
    StoreHotKeyProfile();
    CaptureSettings("settings-hotkey");
}

void ShotHotSwitch()
{
    ParkCursor();
    StoreHotKeyProfile();
    // A stored place: the window opens there at its template size. (Its default
    // place, from SM_CYFULLSCREEN, hangs off the screen's bottom under Wine.)
    SetDword("POSITION", "LEFT", 1000);
    SetDword("POSITION", "TOP", 760);
    Program program;
    if (!Start(program)) return;
    CaptureWindow(program.HotSwitch(), "hotswitch");
    program.Exit();
}

void ShotTrayMenu()
{
    DeleteProfile();
    Program program;
    if (!Start(program)) return;
    HWND main = program.MainWindow();
    // The menu opens at the pointer, above it (as over a taskbar at the bottom).
    // The move takes a moment to reach the display; asked at once, the program
    // would still find the pointer in the corner.
    SetCursorPos(200, 400);
    PumpFor(300);
    PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN);
    HWND menu = nullptr;
    PumpUntil([&] { return (menu = program.OpenMenu()) != nullptr; }, 5000);
    // Off the menu, so that no item is highlighted.
    ParkCursor();
    PumpFor(300);
    CaptureWindow(menu, "tray-menu");
    if (menu) {
        PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        PumpUntil([&] { return program.OpenMenu() == nullptr; }, 3000);
    }
    program.Exit();
}

// The settings with the key list dropped down at the keys after F12, and
// Ctrl + Page Down chosen: the dialog and the list in one picture.
void ShotSettingsKeys()
{
    ParkCursor();
    DeleteProfile();
    SetDword("SETTING", "VIRTUALINDEX", 31);
    SetDword("SETTING", "CONTROL", 1);
    Program program;
    if (!Start(program)) return;
    program.Command(ID_SETTINGS);
    HWND settings = program.Settings();
    HWND keys = GetDlgItem(settings, IDC_FUNCTION_KEY);
    // F4 drops the list down, as the user would, with the focus on it.
    PostMessageW(settings, WM_NEXTDLGCTL, (WPARAM)keys, TRUE);
    PostMessageW(keys, WM_KEYDOWN, VK_F4, 0);
    PumpFor(600);
    // The dropped list is a window of its own. Without a window manager the
    // dialog stays in front of it on Wine's display, so the list is copied
    // from a free part of the screen to where it drops.
    const std::vector<HWND> lists = WindowsOf(program.Pid(), nullptr, L"ComboLBox");
    if (lists.empty()) {
        Fail("the key list did not drop down");
        return;
    }
    RECT dialog = {}, list = {}, both = {};
    GetWindowRect(settings, &dialog);
    GetWindowRect(lists.front(), &list);
    UnionRect(&both, &dialog, &list);
    const POINT dropped = {list.left, list.top};
    SetWindowPos(lists.front(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(600);
    GetWindowRect(lists.front(), &list);
    if (!CapturePieces(both, "settings-keys", {{dialog, {dialog.left, dialog.top}}, {list, dropped}}))
        Fail("cannot capture settings-keys");
    SendMessageW(keys, CB_SHOWDROPDOWN, FALSE, 0);
    program.Exit();
}

// Opens the settings, clicks one of their buttons and waits for the dialog it
// opens, known by one of its controls.
HWND OpenFromSettings(Program& program, int button, int control)
{
    program.Command(ID_SETTINGS);
    HWND settings = program.Settings();
    PostMessageW(settings, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(settings, button));
    return program.Dialog(control, 0);
}

// A dialog of monitors over the test double of dxva2 (scripts/screenshots
// puts it in the prefix), once both are read, the first to switch to HDMI 2.
void CaptureMonitors(HWND dlg, const char* name)
{
    HWND list = GetDlgItem(dlg, IDC_MONITOR_LIST);
    if (!PumpUntil([&] { return dlg && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 2 &&
                                driver::Text(GetDlgItem(dlg, IDC_MONITOR_STATUS)).empty(); }, 10000))
        Fail("the monitors were not read (is the test double of dxva2.dll in the prefix?)");
    HWND inputs = GetDlgItem(dlg, IDC_MONITOR_INPUT);
    SendMessageW(inputs, CB_SETCURSEL, 3, 0);
    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_MONITOR_INPUT, CBN_SELCHANGE), (LPARAM)inputs);
    SetFocus(list);
    CaptureWindow(dlg, name);
}

void ShotMonitors()
{
    ParkCursor();
    DeleteProfile();
    Program program;
    if (!Start(program)) return;
    CaptureMonitors(OpenFromSettings(program, IDC_MONITORS, IDC_MONITOR_LIST), "monitors");
    program.Exit();
}

// The USB switch's detection, once a device has left: under Wine there are
// no USB devices, so the device is announced as Windows would announce it.
void ShotUsbDetect()
{
    ParkCursor();
    DeleteProfile();
    Program program;
    if (!Start(program)) return;
    HWND dlg = OpenFromSettings(program, IDC_USB_DETECT, IDC_USB_FOUND);
    if (dlg)
        driver::SendDeviceChange(dlg, false,
                                 L"\\\\?\\USB#VID_046D&PID_C52B#5&1a2b3c&0&2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
    CaptureWindow(dlg, "usb-detect");
    program.Exit();
}

// A desk of three PCs, each with a hot key and a KVM port of its own.
void StorePcs()
{
    DeleteProfile();
    const struct {
        const wchar_t* name;
        DWORD row, alt;
    } pcs[] = {{L"Work laptop", 13, 0}, {L"Home PC", 14, 0}, {L"Build box", 15, 1}};
    for (int i = 0; i < 3; ++i) {
        const std::string pc = "PCS\\" + std::to_string(i + 1);
        driver::SetString("Hopdeck", pc.c_str(), "NAME", pcs[i].name);
        SetDword(pc.c_str(), "VIRTUALINDEX", pcs[i].row);
        SetDword(pc.c_str(), "CONTROL", 1);
        SetDword(pc.c_str(), "ALT", pcs[i].alt);
        SetDword(pc.c_str(), "KVMPORT", DWORD(i + 1));
    }
    // A TESmart switch on the network, at its factory address; this PC is the second.
    driver::SetString("Hopdeck", "SETTING", "KVMLINK", L"192.168.1.10:5000");
    driver::SetString("Hopdeck", "SETTING", "KVMCOMMAND", L"\\xAA\\xBB\\x03\\x01{b}\\xEE");
    SetDword("SETTING", "THISPC", 2);
}

// The PCs dialog, the first PC selected; and that PC's dialog over the test
// doubles of dxva2 (its first monitor to go to HDMI 2) and of a desk of
// keyboards and mice (the keyboard to its second host, the mouse asleep).
void ShotPcs(bool pc)
{
    ParkCursor();
    StorePcs();
    driver::HidppDesk desk;
    desk.SetState(driver::HidppDesk::kMouse, driver::HidppDesk::kAsleep);
    SetDword("PCS\\1\\DEVICES", "B35B408A0000-1A2B3C4D|MX Keys", 2);
    SetDword("PCS\\1\\DEVICES", "B02340820000-5E6F7081|MX Master 3", 2);
    Program program;
    if (!Start(program)) return;
    HWND dlg = OpenFromSettings(program, IDC_PCS, IDC_PC_LIST);
    if (!pc) {
        CaptureWindow(dlg, "pcs");
        program.Exit();
        return;
    }
    PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_PC_EDIT, BN_CLICKED), (LPARAM)GetDlgItem(dlg, IDC_PC_EDIT));
    HWND pcDialog = program.Dialog(IDC_PC_NAME, 0);
    if (!PumpUntil([&] { return SendDlgItemMessageW(pcDialog, IDC_DEVICE_LIST, LVM_GETITEMCOUNT, 0, 0) == 3; }, 10000))
        Fail("the keyboards and mice were not read (are the test doubles of setupapi.dll and hid.dll in the prefix?)");
    CaptureMonitors(pcDialog, "pc");
    program.Exit();
}

// ------------------------------------------------------------------ the five states

// A pop-up painted with a soft vertical gradient; the labels are drawn under
// the buttons. The buttons erase with a null brush, so the image button's
// snapshot of its background is the gradient.
class StatesWindow : public CWnd {
public:
    static constexpr int kCell = 96;
    static constexpr int kTop = 16;
    // The button as the hot switch shows it at 100 % scale.
    static constexpr int kBall = 48;
    static constexpr int kHeight = 128;

    bool Create(int x, int y)
    {
        m_font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"MS UI Gothic");
        return CreateEx(0, L"HopdeckShotStates", 0, L"", WS_POPUP | WS_VISIBLE, x, y, kCell * kFrameCount, kHeight,
                        nullptr);
    }
    ~StatesWindow() override
    {
        if (GetSafeHwnd()) DestroyWindow(GetSafeHwnd());
        if (m_font) DeleteObject(m_font);
    }

protected:
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
        case WM_ERASEBKGND:
            Gradient((HDC)wp);
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            Labels(dc);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        case WM_CTLCOLORBTN:
            return (LRESULT)GetStockObject(NULL_BRUSH);
        }
        return Default(msg, wp, lp);
    }

private:
    void Gradient(HDC dc)
    {
        RECT rc;
        GetClientRect(m_hWnd, &rc);
        // Teal at the top to a pale mint at the bottom.
        const int top[3] = {38, 120, 124}, bottom[3] = {196, 232, 214};
        for (int y = 0; y < rc.bottom; ++y) {
            int c[3];
            for (int k = 0; k < 3; ++k) c[k] = top[k] + (bottom[k] - top[k]) * y / (rc.bottom - 1);
            HBRUSH brush = CreateSolidBrush(RGB(c[0], c[1], c[2]));
            RECT row = {0, y, rc.right, y + 1};
            FillRect(dc, &row, brush);
            DeleteObject(brush);
        }
    }

    void Labels(HDC dc)
    {
        static const wchar_t* const names[kFrameCount][2] = {
            {L"通常", L"normal"}, {L"ホバー", L"hover"}, {L"押下", L"pressed"},
            {L"無効", L"disabled"}, {L"フォーカス", L"focused"},
        };
        HGDIOBJ old = SelectObject(dc, m_font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(24, 48, 44));
        for (int i = 0; i < kFrameCount; ++i) {
            RECT line = {i * kCell, kTop + kBall + 10, (i + 1) * kCell, kTop + kBall + 26};
            DrawTextW(dc, names[i][0], -1, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
            OffsetRect(&line, 0, 17);
            DrawTextW(dc, names[i][1], -1, &line, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        SelectObject(dc, old);
    }

    HFONT m_font = nullptr;
};

void ShotStates()
{
    ParkCursor();
    StatesWindow window;
    // Left of the screen's middle, where no other captured window lies.
    if (!window.Create(120, 160)) {
        Fail("cannot create the states window");
        return;
    }
    PumpFor(200);
    CAlphaButton buttons[kFrameCount];
    HWND hwnd[kFrameCount] = {};
    HRSRC png = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_HOTSWITCH_PNG), L"png");
    for (int i = 0; i < kFrameCount; ++i) {
        const int x = i * StatesWindow::kCell + (StatesWindow::kCell - StatesWindow::kBall) / 2;
        hwnd[i] = CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, x,
                                  StatesWindow::kTop, StatesWindow::kBall, StatesWindow::kBall, window.GetSafeHwnd(),
                                  (HMENU)(INT_PTR)(100 + i), GetModuleHandleW(nullptr), nullptr);
        if (!hwnd[i] || !buttons[i].SubclassWindow(hwnd[i]) ||
            !buttons[i].LoadPngResource(png, StatesWindow::kBall)) {
            Fail("cannot make an image button");
            for (HWND h : hwnd)
                if (h) DestroyWindow(h);
            return;
        }
    }
    // First painting everywhere: each button takes its snapshot of the gradient.
    RedrawWindow(window.GetSafeHwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(200);

    SendMessageW(hwnd[kFrameHover], WM_MOUSEHOVER, 0, MAKELPARAM(24, 24));
    SendMessageW(hwnd[kFramePressed], BM_SETSTATE, TRUE, 0);
    EnableWindow(hwnd[kFrameDisabled], FALSE);
    // Only the flag matters for the picture; the real focus stays where it is.
    SendMessageW(hwnd[kFrameFocused], WM_SETFOCUS, 0, 0);
    PumpFor(200);

    CaptureWindow(window.GetSafeHwnd(), "hotswitch-states");
    // The buttons go before their objects do.
    for (HWND h : hwnd)
        if (h) DestroyWindow(h);
}

}  // namespace

int main(int argc, char** argv)
{
    struct Step {
        const char* name;
        void (*run)();
    };
    const Step steps[] = {
        {"settings-empty", ShotSettingsEmpty}, {"settings-hotkey", ShotSettingsHotKey},
        {"hotswitch", ShotHotSwitch},           {"tray-menu", ShotTrayMenu},
        {"hotswitch-states", ShotStates},       {"monitors", ShotMonitors},
        {"settings-keys", ShotSettingsKeys},    {"usb-detect", ShotUsbDetect},
        {"pcs", [] { ShotPcs(false); }},        {"pc", [] { ShotPcs(true); }},
    };
    std::vector<std::string> wanted(argv + 1, argv + argc);
    for (const std::string& w : wanted) {
        bool known = false;
        for (const Step& s : steps) known = known || w == s.name;
        if (!known) {
            std::fprintf(stderr, "screenshot_driver: unknown picture %s\n", w.c_str());
            return 2;
        }
    }
    for (const Step& s : steps) {
        bool run = wanted.empty();
        for (const std::string& w : wanted) run = run || w == s.name;
        if (run) s.run();
    }
    DeleteProfile();
    return s_failures ? 1 : 0;
}
