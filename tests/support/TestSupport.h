// What only the tests need, beside the driver of Hopdeck.exe that they share
// with the screenshot tool: the Run key, key events seen by a keyboard hook,
// hot keys, and the program's own main window in the test's process.
#pragma once
#include "tools/driver/Driver.h"
#include "tools/driver/HidppDesk.h"

namespace test {

using namespace driver;

std::wstring RunValue(const wchar_t* name);  // L"<missing>" when there is none
void DeleteRunValue(const wchar_t* name);
void Click(HWND dlg, int id);
// A list view's rows, "; " between rows and `between` between columns; and a row selected.
std::wstring ListText(HWND list, int columns, const wchar_t* between);
void SelectRow(HWND list, int row);
bool HotKeyFree(UINT modifiers, UINT vk);
std::string FileText(const char* path);  // "" when there is none

// The events of one key (true: down; 0: any lock key) that a WH_KEYBOARD_LL
// hook of this thread sees while it pumps messages.
class KeyWatcher {
public:
    explicit KeyWatcher(DWORD vk = VK_SCROLL);
    ~KeyWatcher();
    // True when exactly `switches` switches (down, up, down, up) come, and no more.
    bool Saw(int switches, DWORD timeoutMs = 5000);
    std::vector<bool> events;
    LONGLONG firstAt = 0;  // QueryPerformanceCounter at the first event
    DWORD Vk() const { return m_vk; }

private:
    DWORD m_vk;
    HHOOK m_hook;
};

// The test double of dxva2.dll (DdcDouble.h) for the programs of that file
// name, or Wine's own, which answers nothing; and the identity under which
// the profile keeps a monitor of the double ("Hopdeck Test A").
void UseDdcDouble(const wchar_t* exe, bool use = true);
std::wstring DoubleIdentity(const wchar_t* name);
// The doubles of setupapi.dll and hid.dll (HidDoubleTable.h), showing the HID
// collections of a driver::HidppDesk, for the programs of that file name; or Wine's own.
void UseHidDouble(const wchar_t* exe, bool use = true);

// The program's own main window in this process, made on first use over
// kInProcessProfile; and a clean slate: its windows closed, the profile, hot
// key and Run value gone.
constexpr char kInProcessProfile[] = "HopdeckInProcessTest";
HWND Main();
void ResetMain();

}  // namespace test
