// Hopdeck.exe started for real and watched from outside, for what needs a
// process of its own, and for the conditions a real desktop makes.
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/Handles.h"
#include "framework/System.h"
#include "res/resource.h"
#include "tests/support/DdcDouble.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <initguid.h>
#include <hidclass.h>
#include <algorithm>
#include <memory>
#include <set>
#include <thread>

namespace {

const std::string kProfile = "Hopdeck";
const wchar_t kSettingsTitle[] = L"設定/ホットキー登録";

// Stops the thread of a window, as a debugger stops a program; RunAgain lets it go on.
HANDLE StopThreadOf(HWND window)
{
    HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr));
    SuspendThread(thread);
    return thread;
}
void RunAgain(HANDLE thread)
{
    ResumeThread(thread);
    CloseHandle(thread);
}

// The window at which a start of the program waits for the running copy's
// answer, once it has asked (right after making it).
HWND AskingWindow(DWORD pid)
{
    HWND found = nullptr;
    test::PumpUntil([&] {
        for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, L"Static", nullptr)) != nullptr;) {
            DWORD owner = 0;
            GetWindowThreadProcessId(w, &owner);
            if (owner == pid) found = w;
        }
        return found != nullptr;
    }, 10000);
    return found;
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteProfile(kProfile); }
    void TearDown() override
    {
        test::UseDdcDouble(L"Hopdeck.exe", false);
        test::UseHidDouble(L"Hopdeck.exe", false);
        test::DeleteProfile(kProfile);
        for (const std::wstring& copy : copies) {
            DeleteFileW(copy.c_str());
            test::DeleteProfile(std::string(copy.begin() + copy.rfind(L'\\') + 1, copy.end() - 4));
        }
    }
    static void Store(const char* name, DWORD value, const std::string& profile = kProfile)
    {
        test::SetDword(profile, "SETTING", name, value);
    }
    // The input a monitor of the test double takes on a switch (or, in
    // MONITORSHOME, when a USB switch comes back).
    static void StoreMonitor(const wchar_t* name, DWORD value, const char* section = "MONITORS")
    {
        const std::string key = test::ProfileKey(kProfile, section);
        RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(),
                        test::DoubleIdentity(name).c_str(), REG_DWORD, &value, sizeof value);
    }
    // PC `number` of the desk: its name, hot key (Control + a row) and its
    // monitors' inputs (of the test double's monitors, by name).
    static void StorePc(int number, const wchar_t* name, DWORD row, std::vector<std::pair<const wchar_t*, DWORD>> inputs,
                        DWORD kvmPort = 0)
    {
        const std::string pc = "PCS\\" + std::to_string(number);
        test::SetDword(kProfile, pc.c_str(), "KVMPORT", kvmPort);
        test::SetString(kProfile, pc.c_str(), "NAME", name);
        test::SetDword(kProfile, pc.c_str(), "VIRTUALINDEX", row);
        test::SetDword(kProfile, pc.c_str(), "CONTROL", 1);
        const std::string key = test::ProfileKey(kProfile, (pc + "\\MONITORS").c_str());
        for (const auto& input : inputs)
            RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(),
                            test::DoubleIdentity(input.first).c_str(), REG_DWORD, &input.second, sizeof input.second);
    }
    // A device's host for PC `number`.
    static void StoreHost(int number, const std::wstring& identity, DWORD host)
    {
        const std::string key = test::ProfileKey(kProfile, ("PCS\\" + std::to_string(number) + "\\DEVICES").c_str());
        RegSetKeyValueW(HKEY_CURRENT_USER, std::wstring(key.begin(), key.end()).c_str(), identity.c_str(), REG_DWORD,
                        &host, sizeof host);
    }
    // The KVM switch's control port and command.
    static void StoreKvm(const std::wstring& link, const wchar_t* command = L"\\xAA\\xBB\\x03\\x01{b}\\xEE")
    {
        test::SetString(kProfile, "SETTING", "KVMLINK", link.c_str());
        test::SetString(kProfile, "SETTING", "KVMCOMMAND", command);
    }
    static std::wstring Local(const test::KvmListener& kvm) { return L"127.0.0.1:" + std::to_wstring(kvm.Port()); }
    // A copy of the program under another name, in a folder of the test programs.
    std::wstring Copy(const wchar_t* name, const wchar_t* folder = L"")
    {
        CreateDirectoryW((test::ExeDir() + folder).c_str(), nullptr);
        copies.push_back(test::ExeDir() + folder + L"\\" + name + L".exe");
        EXPECT_TRUE(CopyFileW(test::ProgramPath().c_str(), copies.back().c_str(), FALSE));
        return copies.back();
    }
    // Opens the settings and presses OK on Ctrl+F11, which the test holds itself.
    static HWND TakenHotKeyOk(test::Program& hopdeck, const wchar_t* title = kSettingsTitle)
    {
        hopdeck.Command(ID_SETTINGS);
        HWND dlg = hopdeck.Window(title);
        SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, 11, 0);
        test::Click(dlg, IDC_CONTROL);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return dlg;
    }
    std::vector<std::wstring> copies;
};

TEST_F(ProgramTest, OneInstanceAnswersTheCommandLineAndTheShellsBroadcasts)
{
    Store("VIRTUALINDEX", 7);
    {
        // None running: "/switch" switches and ends without a window or hot key;
        // "/exit" has nothing to end.
        test::KeyWatcher keys;
        test::Program alone(L"/switch"), exit(L"-EXIT");
        EXPECT_TRUE(keys.Saw(1));
        EXPECT_TRUE(alone.WaitExit() && exit.WaitExit() && !alone.MainWindow(false, 0));
        EXPECT_TRUE(test::HotKeyFree(0, VK_F7));
    }
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_FALSE(test::HotKeyFree(0, VK_F7));
    test::Program second;
    EXPECT_TRUE(second.WaitExit()) << "a second start ends at once";
    {
        // A copy running as administrator holds its mutex where a normal
        // start may not even open it: it runs all the same.
        SECURITY_DESCRIPTOR sd;
        ACL noAccess;
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        InitializeAcl(&noAccess, sizeof noAccess, ACL_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, &noAccess, FALSE);
        SECURITY_ATTRIBUTES sa = {sizeof sa, &sd, FALSE};
        HANDLE mutex = CreateMutexW(&sa, TRUE, L"HopdeckElevated");
        test::Program elevated(L"", Copy(L"HopdeckElevated"));
        EXPECT_TRUE(elevated.WaitExit()) << "a start beside a copy it may not ask ends at once";
        CloseHandle(mutex);
    }
    // Another start's box, titled like the program, stays open meanwhile: the
    // requests go to the running copy's main window, not to the box.
    test::Program bad(L"/swtich");
    EXPECT_NE(test::AnswerBox(bad.Pid(), L"Hopdeck", nullptr, 0).find(L"/settings"), std::wstring::npos);
    {
        test::KeyWatcher keys;
        test::Program request(L"/switch");
        EXPECT_TRUE(request.WaitExit() && request.ExitCode() == 0u);
        EXPECT_TRUE(keys.Saw(1)) << "one switch, by the running instance";
    }
    // The shell's "TaskbarCreated", every other time after losing the icon in
    // a restart, otherwise from another program while the icon is there.
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = main;
    for (int i = 0; i < 10; ++i) {
        if (i % 2) {
            ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
        }
        // Sent, so every window has handled it before the next round.
        SendMessageTimeoutW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0, SMTO_NORMAL, 5000,
                            nullptr);
        ASSERT_TRUE(test::TrayIconExists(main)) << i;
    }
    EXPECT_TRUE(test::WindowsOf(hopdeck.Pid(), L"Hopdeck").empty()) << "without a word";

    test::Program settings(L"/settings");
    EXPECT_TRUE(hopdeck.Window(kSettingsTitle));
    test::Program exit(L"/exit");
    EXPECT_TRUE(hopdeck.WaitExit() && hopdeck.ExitCode() == 0u);
    test::AnswerBox(bad.Pid(), L"Hopdeck");  // how to use it, and the instance left alone
    EXPECT_TRUE(bad.WaitExit() && bad.ExitCode() == 1u);
    EXPECT_FALSE(test::TrayIconExists(main));
    EXPECT_TRUE(test::HotKeyFree(0, VK_F7));
    EXPECT_EQ(test::GetDword(kProfile, "SETTING", "AUTORUN"), test::kMissing) << "an exit saves nothing";
}

TEST_F(ProgramTest, ARenamedCopyRunsBesideItWithItsOwnProfileRunValueAndCommandLine)
{
    const std::wstring copyPath = Copy(L"HopdeckCopy", L"\\with space");
    Store("HOTSWITCH", 1, "HopdeckCopy");
    test::Program copy(L"", copyPath), original;  // the original's window comes first in z-order
    ASSERT_TRUE(original.MainWindow());
    ASSERT_TRUE(copy.MainWindow()) << "another name, another single-instance mutex";
    EXPECT_TRUE(copy.Window(L"")) << "its own profile: its hot switch shows";
    test::DeleteRunValue(L"Hopdeck");
    copy.Command(ID_SETTINGS);
    test::Click(copy.Window(kSettingsTitle), IDOK);
    // Quoted, or Windows would try "...\with.exe" first.
    EXPECT_TRUE(test::PumpUntil([&] { return test::RunValue(L"HopdeckCopy") == L'"' + copyPath + L'"'; }, 3000));
    EXPECT_EQ(test::RunValue(L"Hopdeck"), L"<missing>");
    EXPECT_EQ(test::GetDword(kProfile, "SETTING", "AUTORUN"), test::kMissing);
    test::DeleteRunValue(L"HopdeckCopy");
    // The original's window first in z-order, where a search that does not
    // check the executable's name would find it first.
    SetWindowPos(original.MainWindow(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(FindWindowW(nullptr, L"Hopdeck"), original.MainWindow());
    test::Program exitCopy(L"/exit", copyPath);
    EXPECT_TRUE(copy.WaitExit()) << "the copy's \"/exit\" ends the copy";
    EXPECT_EQ(original.ExitCode(), (DWORD)STILL_ACTIVE) << "and not the original";
}

TEST_F(ProgramTest, EveryTriggerSwitchesOnceTheMenuOpensAtTheCursorAndExitClosesEverything)
{
    Store("VIRTUALINDEX", 9);
    Store("CONTROL", 1);
    Store("HOTSWITCH", 1);
    Store("SWITCHKEY", 1);  // Num Lock, at a quick pace
    Store("SWITCHDELAY", 50);
    // Monitors with a built-in KVM switch: A to HDMI 2, whose first write
    // fails as the bus sometimes does, and B to DisplayPort 1.
    test::UseDdcDouble(L"Hopdeck.exe");
    DdcDoubleState& ddc = *DdcDouble();
    StoreMonitor(L"Hopdeck Test A", 0x12);
    StoreMonitor(L"Hopdeck Test B", 0x0F);
    ddc = {};
    ddc.monitor[0].failures = 1;
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    HWND hot = hopdeck.Window(L"");
    ASSERT_TRUE(hot);
    const std::pair<const char*, std::function<void()>> triggers[] = {
        {"menu command", [&] { hopdeck.Command(ID_SWITCH_PC); }},
        {"the hot switch's ball", [&] { PostMessageW(GetDlgItem(hot, IDC_SWITCH_BUTTON), BM_CLICK, 0, 0); }},
        {"hot key held down for a few repeats", [] {
             keybd_event(VK_CONTROL, 0, 0, 0);
             for (int i = 0; i < 5; ++i) keybd_event(VK_F9, 0, 0, 0);
             keybd_event(VK_F9, 0, KEYEVENTF_KEYUP, 0);
             keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
         }},
        {"left click, then a double click's rest", [&] {
             Store("TASKTRAYACTION", 1);  // read at each click
             for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
                 PostMessageW(main, WM_TRAYICON, 0, m);
         }},
        {"suspend after a resume", [&] {
             Store("SLEEPACTION", 1);
             PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
             PostMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
         }},
        {"standby", [&] { PostMessageW(main, WM_POWERBROADCAST, PBT_APMSTANDBY, 0); }},
        {"command line", [] { test::Program(L"/switch").WaitExit(); }},
    };
    LONG switches = 0;
    for (const auto& trigger : triggers) {
        test::KeyWatcher keys(VK_NUMLOCK);
        ddc.swapped = switches % 2;  // the monitors listed in another order
        ddc.firstWrite = 0;
        trigger.second();
        EXPECT_TRUE(keys.Saw(1)) << trigger.first << ": " << keys.events.size() << " events";
        ++switches;
        EXPECT_TRUE(ddc.monitor[0].input == 0x12 && ddc.monitor[0].writes == switches) << trigger.first;
        EXPECT_TRUE(ddc.monitor[1].input == 0x0F && ddc.monitor[1].writes == switches) << trigger.first;
        // A monitor with a KVM inside hears this PC's keys only while it shows this PC.
        EXPECT_LT(ddc.firstWrite, keys.firstAt) << trigger.first << ": the monitors before the key";
    }
    LARGE_INTEGER second;
    QueryPerformanceFrequency(&second);
    EXPECT_GE(ddc.monitor[0].shortestRetry, second.QuadPart * 45 / 1000) << "DDC/CI wants 50 ms between commands";
    EXPECT_EQ(ddc.reads, 0) << "written without reading first";
    EXPECT_EQ(ddc.liveHandles, 0) << "no monitor handle kept";
    test::KeyWatcher none(0);
    Store("SLEEPACTION", 0);
    PostMessageW(main, WM_POWERBROADCAST, PBT_APMSTANDBY, 0);
    Store("SWITCHKEY", 3);  // no lock key: the monitors alone
    hopdeck.Command(ID_SWITCH_PC);
    EXPECT_TRUE(none.Saw(0)) << "no switch on standby when not asked for, no key when there is none";
    EXPECT_EQ(ddc.monitor[1].writes, switches + 1);

    SetCursorPos(400, 500);
    PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN);
    HWND menu = test::FindWindowOf(hopdeck.Pid(), nullptr, L"#32768");
    ASSERT_TRUE(menu);
    RECT r;
    GetWindowRect(menu, &r);
    EXPECT_EQ(r.bottom, 500) << "bottom-aligned at the cursor";
    EXPECT_EQ(r.left, 400);
    // The menu loop reads its thread's keys: the second item is the settings.
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(main, WM_KEYDOWN, vk, 0);
    HWND dlg = hopdeck.Window(kSettingsTitle);
    ASSERT_TRUE(dlg) << "the menu's second item opens the settings";
    // Esc on a control, through the program's own message loop, reaches the dialog.
    PostMessageW(GetDlgItem(dlg, IDC_AUTORUN), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg) && !IsWindowVisible(menu); }, 3000));

    Store("TASKTRAYACTION", 0);
    PostMessageW(main, WM_TRAYICON, 0, WM_LBUTTONDOWN);
    ASSERT_TRUE(hopdeck.Window(kSettingsTitle));
    hopdeck.Command(ID_EXIT);  // with both windows open
    EXPECT_TRUE(hopdeck.WaitExit() && hopdeck.ExitCode() == 0u);
    EXPECT_TRUE(test::HotKeyFree(MOD_CONTROL, VK_F9));
}

TEST_F(ProgramTest, AChosenMonitorThatIsMissingOrRefusesKeepsNoKeyBackAndFailsTheCommandLine)
{
    StoreMonitor(L"Hopdeck Test B", 0x11);
    DdcDoubleState& ddc = *DdcDouble();
    ddc = {};
    ddc.monitor[1].refuse = 1;
    // Wine's own dxva2 answers nothing: the monitor is missing. Then it refuses; then it takes it.
    for (int round = 0; round < 3; ++round) {
        test::UseDdcDouble(L"Hopdeck.exe", round > 0);
        ddc.monitor[1].refuse = round < 2;
        // Left unchanged, then no input at all (a hand edit): A is never written.
        StoreMonitor(L"Hopdeck Test A", round < 2 ? 0 : 0x10012);
        test::KeyWatcher keys;
        test::Program alone(L"/switch");
        EXPECT_TRUE(keys.Saw(1)) << round;
        EXPECT_TRUE(alone.WaitExit());
        EXPECT_EQ(alone.ExitCode(), round < 2 ? 2u : 0u) << round;
    }
    EXPECT_EQ(ddc.monitor[0].writes, 0);
}

// A desk of three PCs and more: each PC's hot key, its menu item and
// "/switch N" or "/switch NAME" set that PC's monitors, and no lock key is sent.
TEST_F(ProgramTest, EachPcIsReachedByItsHotKeyMenuItemAndCommandLineWithoutALockKey)
{
    test::UseDdcDouble(L"Hopdeck.exe");
    DdcDoubleState& ddc = *DdcDouble();
    ddc = {};
    StorePc(1, L"Work", 10, {{L"Hopdeck Test A", 0x11}});
    StorePc(2, L"Lab & Co", 11, {{L"Hopdeck Test A", 0x0F}, {L"Hopdeck Test B", 0x12}});
    StorePc(3, L"Idle", 0, {{L"Hopdeck Test A", 0x10012}});  // no input: never written
    test::KeyWatcher keys(0);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    auto inputs = [&] { return std::to_string(ddc.monitor[0].input) + " " + std::to_string(ddc.monitor[1].input); };
    auto switchTo = [&](const wchar_t* pc) {
        test::Program request(std::wstring(L"/switch ") + pc);
        return request.WaitExit() ? request.ExitCode() : 99u;
    };

    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event(VK_F11, 0, 0, 0);
    keybd_event(VK_F11, 0, KEYEVENTF_KEYUP, 0);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return inputs() == "15 18"; }, 3000)) << "PC 2's hot key: " << inputs();

    // The menu's second item: the first PC.
    PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN);
    ASSERT_TRUE(test::FindWindowOf(hopdeck.Pid(), nullptr, L"#32768"));
    for (UINT vk : {VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(main, WM_KEYDOWN, vk, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return inputs() == "17 18"; }, 3000)) << "Work's item: " << inputs();

    // Through the running instance, by number or by name in any case; a PC
    // without inputs is done at once, one that is not there does nothing.
    EXPECT_EQ(switchTo(L"2"), 0u);
    EXPECT_EQ(inputs(), "15 18");
    EXPECT_EQ(switchTo(L"work"), 0u);
    EXPECT_EQ(switchTo(L"\"LAB & CO\""), 0u);
    EXPECT_EQ(switchTo(L"3"), 0u);
    EXPECT_EQ(switchTo(L"4"), 3u);
    EXPECT_EQ(switchTo(L"Home"), 3u);
    ddc.monitor[1].refuse = 1;
    EXPECT_EQ(switchTo(L"2"), 2u) << "a monitor refused";
    EXPECT_EQ(ddc.monitor[0].writes, 6);
    ddc.monitor[1].refuse = 0;

    // A copy that hangs (its window's thread stopped, as a debugger stops
    // it) has not taken the request in time: the start goes there alone, and
    // the copy, running again, does not go there later. A request that it
    // takes and answers just before it ends is answered all the same: its
    // asker, stopped meanwhile, reads the answer once the copy has gone.
    HANDLE copy = StopThreadOf(main);
    EXPECT_EQ(switchTo(L"Work"), 0u) << "alone";
    test::Program last(L"/switch 2");
    HWND asking = AskingWindow(last.Pid());
    test::PumpFor(200);
    HANDLE asker = StopThreadOf(asking);
    hopdeck.Command(ID_EXIT);
    RunAgain(copy);
    EXPECT_TRUE(hopdeck.WaitExit());
    RunAgain(asker);
    EXPECT_TRUE(last.WaitExit() && last.ExitCode() == 0u) << "answered as the copy ended: " << last.ExitCode();
    EXPECT_EQ(inputs(), "15 18");
    EXPECT_EQ(ddc.monitor[0].writes, 8) << "Work once, alone; PC 2 by the copy";

    // With none running, the command line goes there alone.
    ddc.monitor[1].refuse = 1;
    EXPECT_EQ(switchTo(L"2"), 2u);
    ddc.monitor[1].refuse = 0;
    EXPECT_EQ(switchTo(L"Work"), 0u);
    EXPECT_EQ(switchTo(L"0"), 3u);
    EXPECT_EQ(inputs(), "17 18");
    EXPECT_EQ(ddc.monitor[0].writes, 10);
    EXPECT_TRUE(keys.Saw(0)) << "no lock key";
}

// A KVM switch told which port to show through its control port: each PC's
// hot key, menu item and "/switch N" send the command for its port, after its
// monitors' inputs, a second apart; with no lock key the switch goes round the
// PCs that have a port, from this PC on; a newer command takes the place of
// one still waiting. Over the network, then over a serial line.
TEST_F(ProgramTest, AKvmSwitchsControlPortHearsEachPcsPortAfterTheMonitorsASecondApart)
{
    test::KvmListener kvm, refusing(test::KvmListener::kRefuse);
    test::UseDdcDouble(L"Hopdeck.exe");
    DdcDoubleState& ddc = *DdcDouble();
    ddc = {};
    StoreKvm(Local(kvm));
    Store("SWITCHKEY", 3);
    StorePc(1, L"Work", 10, {}, 1);
    StorePc(2, L"Lab", 11, {{L"Hopdeck Test A", 0x11}}, 3);
    StorePc(3, L"Idle", 0, {});
    StorePc(4, L"Home", 12, {}, 2);
    Store("THISPC", 1);
    test::KeyWatcher keys(0);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    auto switchTo = [](const wchar_t* pc) {
        test::Program request(std::wstring(L"/switch ") + pc);
        return request.WaitExit() ? request.ExitCode() : 99u;
    };
    const std::function<void()> triggers[] = {
        [&] { hopdeck.Command(ID_SWITCH_PC); },  // after this PC
        [&] { hopdeck.Command(ID_SWITCH_PC); },  // past Idle, which has no port
        [&] { hopdeck.Command(ID_SWITCH_PC); },  // after the last, the first
        [] {
            keybd_event(VK_CONTROL, 0, 0, 0);
            keybd_event(VK_F11, 0, 0, 0);
            keybd_event(VK_F11, 0, KEYEVENTF_KEYUP, 0);
            keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
        },
        [&] {
            PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN);
            ASSERT_TRUE(test::FindWindowOf(hopdeck.Pid(), nullptr, L"#32768"));
            for (UINT vk : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}) PostMessageW(main, WM_KEYDOWN, vk, 0);
        },
        [&] { EXPECT_EQ(switchTo(L"work"), 0u); },
        [&] {  // waiting for the second: Work, then Home, then Lab is sent
            for (int pc : {0, 3, 1}) hopdeck.Command(ID_GO_TO_PC_FIRST + pc);
        },
    };
    for (const auto& trigger : triggers) {
        const size_t before = kvm.Received().size();
        trigger();
        ASSERT_TRUE(kvm.WaitFor(before + 1)) << before;
    }
    test::PumpFor(1500);  // and no more
    const auto received = kvm.Received();
    std::string ports;
    for (const auto& r : received) ports += r.first.size() == 6 ? std::to_string(int(r.first[4])) : "?";
    EXPECT_EQ(ports, "3213213");
    EXPECT_EQ(received[0].first, "\xAA\xBB\x03\x01\x03\xEE");
    EXPECT_LT(ddc.firstWrite, received[0].second) << "the monitors first";
    LARGE_INTEGER second;
    QueryPerformanceFrequency(&second);
    for (size_t i = 1; i < received.size(); ++i)
        EXPECT_GE(received[i].second - received[i - 1].second, second.QuadPart * 95 / 100) << i;
    StoreKvm(Local(refusing));
    EXPECT_EQ(switchTo(L"work"), 2u) << "the command did not go";
    StoreKvm(Local(kvm));
    ddc.monitor[0].refuse = 1;
    EXPECT_EQ(switchTo(L"lab"), 2u) << "a monitor refused";
    ddc.monitor[0].refuse = 0;
    ASSERT_TRUE(kvm.WaitFor(received.size() + 1)) << "and the command went";

    // A burst of callers while the copy is busy (stopped here): each is
    // answered with what happened: 0 for each command that went (the last,
    // and the first unless it was still waiting for its second), 2 at once
    // for those whose place a newer command took.
    {
        const size_t before = kvm.Received().size();
        HANDLE copy = StopThreadOf(main);
        std::vector<std::unique_ptr<test::Program>> burst;
        for (int i = 0; i < 10; ++i) burst.emplace_back(new test::Program(i % 2 ? L"/switch home" : L"/switch lab"));
        for (auto& caller : burst) AskingWindow(caller->Pid());
        test::PumpFor(200);
        RunAgain(copy);
        std::string codes;
        for (auto& caller : burst) codes += caller->WaitExit(15000) ? char('0' + caller->ExitCode()) : '?';
        test::PumpFor(1500);
        const size_t went = kvm.Received().size() - before;
        EXPECT_TRUE(went == 1 || went == 2) << went;
        EXPECT_EQ(codes.find_first_not_of("02"), std::string::npos) << codes;
        EXPECT_EQ(size_t(std::count(codes.begin(), codes.end(), '0')), went) << codes;
    }

    // Suspend: the commands on their way go before the PC sleeps (the
    // broadcast returns once they have: here one waiting for its second
    // behind another); one that cannot go by then (here one waiting behind a
    // switch that never answers) is dropped, not sent once the PC wakes,
    // which would move the switch away from the PC the user woke.
    const size_t beforeSleep = kvm.Received().size() + 1;
    SendMessageW(main, WM_COMMAND, ID_GO_TO_PC_FIRST, 0);
    SendMessageW(main, WM_COMMAND, ID_GO_TO_PC_FIRST + 1, 0);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    LARGE_INTEGER slept;
    QueryPerformanceCounter(&slept);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_TRUE(kvm.WaitFor(beforeSleep + 1));
    EXPECT_LT(kvm.Received()[beforeSleep].second, slept.QuadPart) << "sent before the PC slept";
    test::KvmListener silent(test::KvmListener::kNeverAnswer);
    StoreKvm(Local(silent));
    test::PumpFor(300);  // the sender done with the last, so that this one is on its way, not waiting
    SendMessageW(main, WM_COMMAND, ID_GO_TO_PC_FIRST, 0);
    test::PumpFor(300);
    StoreKvm(Local(kvm));
    SendMessageW(main, WM_COMMAND, ID_GO_TO_PC_FIRST + 3, 0);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    test::PumpFor(2500);
    EXPECT_EQ(kvm.Received().size(), beforeSleep + 1) << "nothing sent once the PC woke";
    EXPECT_TRUE(keys.Saw(0)) << "no lock key";
    // With a lock key chosen, the switch sends it, and the port serves the PCs alone.
    Store("SWITCHKEY", 1);
    Store("SWITCHDELAY", 50);
    hopdeck.Command(ID_SWITCH_PC);
    EXPECT_TRUE(keys.Saw(1));
    EXPECT_EQ(kvm.Received().size(), beforeSleep + 1);

    // A serial line: a pseudo-terminal of this prefix's (tests/serial-pty).
    const char* capture = getenv("HOPDECK_SERIAL_CAPTURE");
    ASSERT_TRUE(capture) << "run by CTest, through tests/serial-pty";
    StoreKvm(std::wstring(L"COM9:115200"), L"X{h},1$");
    StorePc(1, L"Work", 10, {}, 10);
    test::Program serial(L"/switch work");
    ASSERT_TRUE(serial.WaitExit());
    EXPECT_EQ(serial.ExitCode(), 0u);
    std::string line;
    test::PumpUntil([&] { return (line = test::FileText(capture)) == "XA,1$"; }, 3000);
    EXPECT_EQ(line, "XA,1$");
    EXPECT_EQ(test::FileText(getenv("HOPDECK_SERIAL_SPEED")), "115200 8N1");
    StoreKvm(std::wstring(L"COM8"), L"X{h},1$");
    EXPECT_EQ(switchTo(L"work"), 2u) << "a port that cannot be opened";

    // With none running, the command line goes there alone: the monitors,
    // then the command.
    hopdeck.Command(ID_EXIT);
    ASSERT_TRUE(hopdeck.WaitExit());
    StoreKvm(Local(kvm));
    ddc.firstWrite = 0;
    const size_t alone = kvm.Received().size();
    EXPECT_EQ(switchTo(L"lab"), 0u);
    ASSERT_TRUE(kvm.WaitFor(alone + 1));
    EXPECT_LT(ddc.firstWrite, kvm.Received()[alone].second) << "the monitors first";
}

// Keyboards and mice that change host themselves (the desk's double: a
// receiver with a keyboard and a mouse, and a Bluetooth keyboard): going to
// a PC sends each its host for that PC, after the monitors and the KVM
// switch's command, the keyboards last and once the hot key is let go; a
// keyboard's own Easy-Switch key, announced, takes the rest of the desk
// along, and a link that only drops takes nothing.
TEST_F(ProgramTest, KeyboardsAndMiceGoToEachPcsHostAfterTheMonitorsAndTheKvmAndFollowTheKeyboard)
{
    test::HidppDesk desk;
    test::UseHidDouble(L"Hopdeck.exe");
    test::UseDdcDouble(L"Hopdeck.exe");
    DdcDoubleState& ddc = *DdcDouble();
    ddc = {};
    test::KvmListener kvm;
    StoreKvm(Local(kvm));
    const std::wstring keyboard = L"B35B408A0000-1A2B3C4D|MX Keys", mouse = L"B02340820000-5E6F7081|MX Master 3",
                       k380 = L"B34200000000-99AABBCC|K380";
    StorePc(1, L"Here", 10, {}, 0);
    StorePc(2, L"Laptop", 11, {{L"Hopdeck Test A", 0x11}}, 3);
    StoreHost(2, keyboard, 2);
    StoreHost(2, mouse, 2);
    StoreHost(2, k380, 2);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    // setCurrentHost (function 1 of Change Host, software id 5), to each
    // device ("index>host "), and when it came.
    auto isSetHost = [](const test::HidppDesk::Write& w) {
        return test::HidppDesk::HostChangeOf(w) != test::HidppDesk::kDevices && BYTE(w.bytes[3]) == 0x15;
    };
    auto hostsSet = [&] {
        std::string set;
        for (const auto& w : desk.Writes())
            if (isSetHost(w)) set += std::to_string(BYTE(w.bytes[1])) + ">" + std::to_string(w.bytes[4]) + " ";
        return set;
    };

    kvm.Chatter(true);  // its answer lasts as long as the connection
    keybd_event(VK_CONTROL, 0, 0, 0);
    keybd_event(VK_F11, 0, 0, 0);
    keybd_event(VK_F11, 0, KEYEVENTF_KEYUP, 0);
    test::PumpUntil([&] { return !hostsSet().empty(); }, 5000);
    EXPECT_TRUE(kvm.Received().empty()) << "the devices go once the command has gone, not once the switch is silent";
    kvm.Chatter(false);
    test::PumpFor(300);
    EXPECT_EQ(hostsSet(), "2>1 ") << "the mouse; the keyboards wait for Control";
    LARGE_INTEGER released;
    QueryPerformanceCounter(&released);
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
    // Then both keyboards, in either order.
    EXPECT_TRUE(test::PumpUntil([&] { return hostsSet() == "2>1 1>1 255>1 " || hostsSet() == "2>1 255>1 1>1 "; }, 3000))
        << hostsSet();
    ASSERT_TRUE(kvm.WaitFor(1));
    LONGLONG mouseAt = 0, keyboardAt = 0;
    for (const auto& w : desk.Writes())
        if (isSetHost(w) && w.bytes[1] != 2) keyboardAt = keyboardAt ? keyboardAt : w.at;
        else if (isSetHost(w)) mouseAt = w.at;
    EXPECT_LT(ddc.firstWrite, kvm.Received()[0].second) << "the monitors, then the command";
    EXPECT_LT(kvm.Received()[0].second, mouseAt) << "then the mouse";
    EXPECT_LT(released.QuadPart, keyboardAt) << "the keyboard once Control is up";
    // The exact reports: short through the receiver, long to the Bluetooth keyboard.
    std::set<std::string> last;
    for (const auto& w : desk.Writes()) last.insert(w.bytes);
    EXPECT_TRUE(last.count(std::string("\x10\x02\x09\x15\x01\0\0", 7)) && last.count(std::string("\x10\x01\x0A\x15\x01\0\0", 7)) &&
                last.count(std::string("\x11\xFF\x08\x15\x01", 5) + std::string(15, '\0')));

    // The keyboard's own key, announced: the PC that has that host for it
    // comes along (its monitors, its command, its other devices), the
    // keyboard is left to go by itself. A link that only drops moves nothing.
    auto comeBack = [&] {
        test::PumpFor(300);  // once they have left
        for (auto device : {test::HidppDesk::kKeyboard, test::HidppDesk::kMouse, test::HidppDesk::kK380}) desk.ComeBack(device);
        test::PumpFor(300);
    };
    comeBack();
    ddc.monitor[0].input = 0;
    const std::string before = hostsSet();
    desk.PressEasySwitch(test::HidppDesk::kKeyboard, 1, true, 1500);  // a slow one, still there to be told
    EXPECT_TRUE(test::PumpUntil([&] { return hostsSet().size() == before.size() + 10; }, 5000)) << hostsSet();
    test::PumpFor(300);
    EXPECT_EQ(hostsSet().substr(before.size()), "2>1 255>1 ") << "the mouse and the other keyboard";
    EXPECT_EQ(ddc.monitor[0].input, 0x11u);
    comeBack();
    desk.PressEasySwitch(test::HidppDesk::kKeyboard, 1, false);
    test::PumpFor(1500);
    EXPECT_EQ(hostsSet().size(), before.size() + 10) << "a link that drops moves nothing";

    // A mouse that cannot be reached, whatever the reason, is told and heard
    // as 2 by the command line, and the keyboards go all the same; nothing
    // waits past a second a question, and nothing is written where it must not be.
    using Desk = test::HidppDesk;
    const std::pair<const char*, std::function<void()>> faults[] = {
        {"asleep", [&] { desk.SetState(Desk::kMouse, Desk::kAsleep); }},
        {"never answering", [&] { desk.SetState(Desk::kMouse, Desk::kSilent); }},
        {"answering HID++ 1.0 only", [&] { desk.SetState(Desk::kMouse, Desk::kHidpp10); }},
        {"an error for an answer", [&] { desk.NextAnswerError(Desk::kMouse, 0x05); }},
        {"an answer of the wrong length", [&] { desk.NextAnswerLength(Desk::kMouse, 5); }},
        {"a host it does not have (a hand edit)", [&] { StoreHost(2, mouse, 3); }},
        {"its receiver pulled out", [&] { desk.Unplug(); }},
    };
    for (const auto& fault : faults) {
        comeBack();
        desk.SetState(Desk::kMouse, Desk::kAwake);
        StoreHost(2, mouse, 2);
        fault.second();
        const size_t sent = hostsSet().size();
        test::Program request(L"/switch 2");
        EXPECT_TRUE(request.WaitExit(10000) && request.ExitCode() == 2u) << fault.first << ": " << request.ExitCode();
        EXPECT_NE(hostsSet().find("255>1", sent), std::string::npos) << fault.first << ": the other keyboard went";
        desk.PlugIn();
    }
    // The PC going to sleep while a change is on its way (slow, as the mouse
    // does not answer): what has not gone is dropped, not told once it wakes.
    comeBack();
    desk.SetState(Desk::kMouse, Desk::kSilent);
    const size_t slept = hostsSet().size();
    SendMessageW(main, WM_COMMAND, ID_GO_TO_PC_FIRST + 1, 0);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    test::PumpFor(3000);
    EXPECT_EQ(hostsSet().substr(slept), "") << "nothing told once the PC woke";
    desk.SetState(Desk::kMouse, Desk::kAwake);

    // With no lock key, the switch goes round the PCs it reaches straight: a
    // device's host is one way.
    comeBack();
    Store("SWITCHKEY", 3);
    const size_t round = hostsSet().size();
    hopdeck.Command(ID_SWITCH_PC);
    EXPECT_TRUE(test::PumpUntil([&] { return hostsSet().find("2>1", round) != std::string::npos; }, 5000)) << hostsSet();
    EXPECT_TRUE(desk.Violations().empty());
}

// A USB switch moves keyboard and mouse; the monitors follow its device: to
// their inputs on a switch when it leaves, to this PC's when it comes back,
// once it has held, and without a key.
TEST_F(ProgramTest, TheMonitorsFollowAWatchedUsbDeviceOnceItHolds)
{
    test::UseDdcDouble(L"Hopdeck.exe");
    StoreMonitor(L"Hopdeck Test A", 0x12);
    StoreMonitor(L"Hopdeck Test B", 0);  // left as it is on a switch
    StoreMonitor(L"Hopdeck Test A", 0x0F, "MONITORSHOME");
    StoreMonitor(L"Hopdeck Test B", 0x11, "MONITORSHOME");
    DdcDoubleState& ddc = *DdcDouble();
    ddc = {};
    const std::wstring usb = L"\\\\?\\USB#VID_046D&PID_C52B#5&1a2b3c&0&", guid = L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    const std::wstring watched = usb + L"2" + guid, otherPort = usb + L"4" + guid,
                       other = L"\\\\?\\USB#VID_1234&PID_5678#6&2b&0&1" + guid;
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    test::KeyWatcher keys(0);
    const struct {
        const char* what;
        std::function<void()> events;
        LONG writesA, writesB;
        DWORD inputA;
    } steps[] = {
        {"no device chosen", [&] { test::SendDeviceChange(main, false, watched.c_str()); }, 0, 0, 0},
        {"it leaves", [&] {
             // Chosen in another case, as the settings' OK stores it and tells the main window.
             test::SetString(kProfile, "SETTING", "USBDEVICE", L"vid_046d&pid_c52b");
             SendMessageW(main, WM_SETTINGS_CLOSED, 0, 0);
             test::SendDeviceChange(main, false, watched.c_str());
         }, 1, 0, 0x12},
        {"a blink of 150 ms, as devices blink", [&] {
             test::SendDeviceChange(main, true, watched.c_str());
             test::PumpFor(150);
             test::SendDeviceChange(main, false, otherPort.c_str());
         }, 1, 0, 0x12},
        {"it comes back, with another interface", [&] {
             test::SendDeviceChange(main, true, watched.c_str());
             test::SendDeviceChange(main, true, otherPort.c_str());
         }, 2, 1, 0x0F},
        {"a burst, each event holding anew: gone, back, gone, back, 100, 150 and 70 ms apart", [&] {
             const std::pair<bool, DWORD> events[] = {{false, 100}, {true, 150}, {false, 70}, {true, 0}};
             for (const auto& e : events) {
                 test::SendDeviceChange(main, e.first, watched.c_str());
                 test::PumpFor(e.second);
             }
         }, 2, 1, 0x0F},
        {"Windows telling it is there, another device, another class", [&] {
             test::SendDeviceChange(main, true, watched.c_str());
             test::SendDeviceChange(main, false, other.c_str());
             test::SendDeviceChange(main, false, watched.c_str(), &GUID_DEVINTERFACE_HID);
         }, 2, 1, 0x0F},
        {"after a suspend it comes back", [&] {
             SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
             test::SendDeviceChange(main, true, watched.c_str());
         }, 3, 2, 0x0F},
    };
    for (const auto& step : steps) {
        step.events();
        test::PumpUntil([&] { return ddc.monitor[0].writes == step.writesA && ddc.monitor[1].writes == step.writesB; }, 2000);
        test::PumpFor(500);  // and no more
        EXPECT_TRUE(ddc.monitor[0].writes == step.writesA && ddc.monitor[1].writes == step.writesB)
            << step.what << ": " << ddc.monitor[0].writes << " " << ddc.monitor[1].writes;
        EXPECT_EQ(ddc.monitor[0].input, step.inputA) << step.what;
    }
    EXPECT_EQ(ddc.monitor[1].input, 0x11u);
    EXPECT_TRUE(keys.Saw(0)) << "no lock key";
}

// The notification area of the test desktop: it takes the icon, or refuses
// it, and keeps the records it receives, as text, where balloons can be read.
bool s_refuseIcons = false;
int s_iconsAdded = 0;
std::wstring s_iconRecords;
LRESULT CALLBACK TrayProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_COPYDATA) return DefWindowProcW(wnd, msg, wp, lp);
    const auto* data = reinterpret_cast<COPYDATASTRUCT*>(lp);
    if (data->dwData == NIM_ADD && !s_refuseIcons) ++s_iconsAdded;
    s_iconRecords.append(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    return !s_refuseIcons;
}

// Started at logon, the program may come before the shell has made its
// notification area. Here it starts on a desktop of its own whose shell is
// kept from making one, and where another program holds its hot key; then
// this test plays the shell that comes late.
TEST_F(ProgramTest, WithoutANotificationAreaItRunsOnAndAddsItsIconWhenTheShellComes)
{
    const std::wstring name = L"HopdeckLogon" + std::to_wstring(GetTickCount());
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    HMODULE hookDll = LoadLibraryW((test::ExeDir() + L"\\notrayhook.dll").c_str());
    auto veto = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(hookDll, "VetoTray")));
    ASSERT_TRUE(desktop && veto);
    std::thread([&] {
        SetThreadDesktop(desktop);
        HANDLE vetoed = CreateEventW(nullptr, TRUE, FALSE, L"HopdeckTrayVetoed");
        HHOOK hook = SetWindowsHookExW(WH_CBT, veto, hookDll, 0);
        GetDesktopWindow();  // starts the desktop's shell
        ASSERT_EQ(WaitForSingleObject(vetoed, 10000), WAIT_OBJECT_0);
        UnhookWindowsHookEx(hook);
        CloseHandle(vetoed);

        Store("VIRTUALINDEX", 9);
        Store("CONTROL", 1);
        Store("SWITCHKEY", 3);
        StoreMonitor(L"Hopdeck Test B", 0x11);
        StorePc(1, L"Lab", 8, {});
        StorePc(2, L"Work", 7, {});
        ASSERT_TRUE(RegisterHotKey(nullptr, 0x69, MOD_CONTROL, VK_F9));
        ASSERT_TRUE(RegisterHotKey(nullptr, 0x6A, MOD_CONTROL, VK_F8));
        test::Program hopdeck(L"/settings", test::ProgramPath(), name.c_str());  // started with its settings
        ASSERT_TRUE(hopdeck.MainWindow(false));
        EXPECT_TRUE(hopdeck.Window(kSettingsTitle)) << "it runs, without an icon";
        EXPECT_TRUE(test::WindowsOf(hopdeck.Pid(), L"Hopdeck").empty());

        WNDCLASSW wc = {};
        wc.lpfnWndProc = TrayProc;
        wc.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&wc);
        HWND tray = CreateWindowExW(0, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
        SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_NORMAL, 5000, nullptr);
        EXPECT_EQ(s_iconsAdded, 1);
        EXPECT_NE(s_iconRecords.find(L"F9 + Control は他のプログラムが使用しています。"), std::wstring::npos)
            << "the taken hot key, told when the icon comes";
        EXPECT_NE(s_iconRecords.find(L"Lab のホットキー F8 + Control は他のプログラムが使用しています。"), std::wstring::npos)
            << "and a PC's, beside it";
        EXPECT_FALSE(test::HotKeyFree(MOD_CONTROL, VK_F7)) << "the other PC's key registers";
        // A chosen monitor that refuses its input: the balloon names it.
        test::UseDdcDouble(L"Hopdeck.exe");
        DdcDouble()->monitor[1].refuse = 1;
        hopdeck.Command(ID_SWITCH_PC);
        const wchar_t refused[] = L"モニター（Hopdeck Test B）の入力を";
        EXPECT_TRUE(test::PumpUntil([&] { return s_iconRecords.find(refused) != std::wstring::npos; }, 5000));
        // The same when a watched USB switch takes the keyboard away.
        test::SetString(kProfile, "SETTING", "USBDEVICE", L"VID_046D&PID_C52B");
        SendMessageW(hopdeck.MainWindow(), WM_SETTINGS_CLOSED, 0, 0);
        test::SendDeviceChange(hopdeck.MainWindow(), false, L"\\\\?\\USB#VID_046D&PID_C52B#1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
        EXPECT_TRUE(test::PumpUntil([&] { return s_iconRecords.rfind(refused) > s_iconRecords.find(refused); }, 5000));

        // A KVM switch's control port that refuses, one that never answers and
        // a serial port that is not there: a balloon within 3 s names the
        // link, and the windows answer meanwhile. A command that a hand edit
        // spoiled is not sent at all.
        test::KvmListener refusing(test::KvmListener::kRefuse), silent(test::KvmListener::kNeverAnswer), listening;
        StorePc(1, L"Lab", 8, {}, 1);
        HWND settings = hopdeck.Window(kSettingsTitle);
        const struct {
            std::wstring link;
            const wchar_t* command;
            std::wstring told;
        } kvms[] = {
            {Local(refusing), L"{b}", L"KVM スイッチ（" + Local(refusing) + L"）にコマンドを送れませんでした。"},
            {Local(silent), L"{b}", L"KVM スイッチ（" + Local(silent) + L"）にコマンドを送れませんでした。"},
            {Local(listening), L"sw\\xZ1", L"Lab へ切り替えるコマンドは送っていません。KVM スイッチのコマンドの「\\x」は使えません。"},
            {L"COM8", L"{b}", L"KVM スイッチ（COM8）にコマンドを送れませんでした。"},
        };
        for (const auto& k : kvms) {
            StoreKvm(k.link, k.command);
            const size_t from = s_iconRecords.size();
            const DWORD start = GetTickCount();
            hopdeck.Command(ID_GO_TO_PC_FIRST);
            DWORD_PTR answer = 0;
            for (HWND w : {hopdeck.MainWindow(), settings})
                EXPECT_TRUE(SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &answer)) << "answers at once";
            EXPECT_TRUE(test::PumpUntil([&] { return s_iconRecords.find(k.told, from) != std::wstring::npos; }, 3000))
                << k.link.c_str();
            EXPECT_TRUE(&k != &kvms[1] || GetTickCount() - start >= 1500) << "given up after 2 s";
        }
        test::PumpFor(300);
        EXPECT_TRUE(listening.Received().empty()) << "nothing half-made on the wire";

        // A mouse asleep that a PC has a host for: the balloon names it.
        test::HidppDesk desk;
        test::UseHidDouble(L"Hopdeck.exe");
        desk.SetState(test::HidppDesk::kMouse, test::HidppDesk::kAsleep);
        StoreKvm(std::wstring());
        StoreHost(1, L"B02340820000-5E6F7081|MX Master 3", 2);
        hopdeck.Command(ID_GO_TO_PC_FIRST);
        EXPECT_TRUE(test::PumpUntil(
            [] { return s_iconRecords.find(L"MX Master 3 のホストを切り替えられませんでした。") != std::wstring::npos; }, 5000));

        // A shell that refuses the icon: the user is told, and the program ends.
        s_refuseIcons = true;
        PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
        EXPECT_EQ(test::AnswerBox(hopdeck.Pid(), L"Hopdeck"), L"通知領域にアイコンを登録できませんでした。");
        EXPECT_TRUE(hopdeck.WaitExit());
        EXPECT_EQ(hopdeck.ExitCode(), 0u);

        // A profile edited by hand to a key that types, with Shift alone: not
        // taken from typing, and said so.
        s_refuseIcons = false;
        Store("VIRTUALINDEX", 58);
        Store("CONTROL", 0);
        Store("SHIFT", 1);
        test::Program bare(L"", test::ProgramPath(), name.c_str());
        ASSERT_TRUE(bare.MainWindow());
        EXPECT_TRUE(test::PumpUntil(
            [] { return s_iconRecords.find(L"H + Shift は修飾キーが足りないため") != std::wstring::npos; }, 5000));
        EXPECT_TRUE(test::HotKeyFree(MOD_SHIFT, 'H'));
        DestroyWindow(tray);
        UnregisterHotKey(nullptr, 0x69);
        UnregisterHotKey(nullptr, 0x6A);
    }).join();
    CloseDesktop(desktop);
}

// An exit, or a WM_CLOSE from outside, while a nested message loop (a message
// box, the tray menu) runs: the window and its object go inside that loop, and
// must not be touched after it returns.
TEST_F(ProgramTest, ClosedUnderItsOwnMessageBoxOrMenuItEndsCleanly)
{
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x66, MOD_CONTROL, VK_F11));
    // A copy with a damaged button image: its hot switch says so in a box.
    const std::wstring damaged = Copy(L"HopdeckDamaged");
    HANDLE update = BeginUpdateResourceW(damaged.c_str(), FALSE);
    UpdateResourceW(update, L"PNG", MAKEINTRESOURCEW(IDR_HOTSWITCH_PNG), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                    (void*)"junk", 4);
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    Store("HOTSWITCH", 1, "HopdeckDamaged");
    // Wine fills freed heap blocks when it checks the heap: a use after free fails.
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all,warn+heap");
    for (int loop = 0; loop < 3; ++loop) {  // the "hot key taken" box, the image box, the menu
        test::Program hopdeck(L"", loop == 1 ? damaged : test::ProgramPath());
        HWND main = hopdeck.MainWindow(false);
        ASSERT_TRUE(main);
        if (loop == 0) TakenHotKeyOk(hopdeck);
        if (loop == 2) {
            PostMessageW(main, WM_TRAYICON, 0, WM_RBUTTONDOWN);
            ASSERT_TRUE(test::FindWindowOf(hopdeck.Pid(), nullptr, L"#32768"));
        } else {
            ASSERT_NE(test::AnswerBox(hopdeck.Pid(), loop ? L"HopdeckDamaged" : L"Hopdeck", nullptr, 0), L"<none>");
        }
        PostMessageW(main, loop ? WM_CLOSE : WM_COMMAND, ID_EXIT, 0);
        ASSERT_TRUE(hopdeck.WaitExit(3000)) << loop;
        EXPECT_EQ(hopdeck.ExitCode(), 0u) << loop;
    }
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
    UnregisterHotKey(nullptr, 0x66);
}

TEST_F(ProgramTest, OddRegistryContentNeverStopsIt)
{
    const DWORD outOfRange = 100000, negative = 0x80000000u;
    const struct {
        DWORD type;
        const void* data;
        DWORD size;
    } kinds[] = {{REG_SZ, "1", 2}, {REG_QWORD, "\1\0\0\0\1\0\0", 8}, {REG_BINARY, "\1", 2},
                 {REG_DWORD, &outOfRange, 4}, {REG_DWORD, &negative, 4}, {REG_NONE, nullptr, 0}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.type);
        test::DeleteProfile(kProfile);
        // The profile exists but takes nothing below it: a volatile key has
        // no lasting subkeys, so reads give defaults and writes fail.
        CRegKey volatileProfile;
        if (!kind.data)
            volatileProfile.Create(HKEY_CURRENT_USER, test::ProfileKey(kProfile).c_str(), KEY_ALL_ACCESS,
                                   REG_OPTION_VOLATILE);
        for (const OptionInfo& o : kOptions)  // all sixteen values
            if (kind.data) test::SetRaw(kProfile, "SETTING", o.name, kind.type, kind.data, kind.size);
        for (const char* name : {"LEFT", "TOP", "RIGHT", "BOTTOM"})
            if (kind.data) test::SetRaw(kProfile, "POSITION", name, kind.type, kind.data, kind.size);
        test::Program hopdeck;
        ASSERT_TRUE(hopdeck.MainWindow());
        hopdeck.Command(ID_SETTINGS);
        EXPECT_TRUE(hopdeck.Window(kSettingsTitle));
        PostMessageW(hopdeck.MainWindow(), WM_SHOW_HOTSWITCH, 0, 0);
        EXPECT_TRUE(hopdeck.Window(L""));
        test::KeyWatcher keys;
        hopdeck.Command(ID_SWITCH_PC);
        EXPECT_TRUE(keys.Saw(1));
        EXPECT_TRUE(test::WindowsOf(hopdeck.Pid(), L"Hopdeck").empty()) << "odd settings are not reported";
    }
}

TEST_F(ProgramTest, ADllPlantedBesideItIsNeverLoaded)
{
    // A gdiplus.dll without GDI+ in it, beside a copy of the program. Wine
    // prefers its own DLLs; the override makes it search as Windows does, the
    // program's folder first, for that copy only.
    const wchar_t overrides[] = L"Software\\Wine\\AppDefaults\\HopdeckPlanted.exe";
    CopyFileW((test::ExeDir() + L"\\notrayhook.dll").c_str(), (test::ExeDir() + L"\\planted\\gdiplus.dll").c_str(),
              FALSE);
    RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(overrides) + L"\\DllOverrides").c_str(), L"gdiplus", REG_SZ,
                    L"native,builtin", 30);
    Store("HOTSWITCH", 1, "HopdeckPlanted");
    test::Program hopdeck(L"", Copy(L"HopdeckPlanted", L"\\planted"));
    HWND hot = hopdeck.Window(L"");
    RegDeleteTreeW(HKEY_CURRENT_USER, overrides);
    ASSERT_TRUE(hot);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(hot, IDC_SWITCH_BUTTON), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW)
        << "the image decoded by the system's GDI+, not the planted one";
}

// Run once more by CTest under a Western code page with a Japanese user
// interface, and under an English locale (HOPDECK_EXPECT names the code page
// and language there): the user's language is shown, never as question marks.
TEST_F(ProgramTest, TextsAreReadableInTheUsersLanguage)
{
    const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    if (const char* expected = getenv("HOPDECK_EXPECT")) {
        ASSERT_EQ(std::to_string(GetACP()) + (japanese ? "/ja" : "/en"), expected);
    }
    // The taken hot key's notice names the key in every language.
    EXPECT_TRUE(wcsstr(LoadResString(IDS_HOTKEY_IN_USE).c_str(), L"%s"));
    test::Program usage(L"/?");
    EXPECT_EQ(test::AnswerBox(usage.Pid(), L"Hopdeck").substr(0, japanese ? 3 : 5), japanese ? L"使い方" : L"Usage");
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x67, MOD_CONTROL, VK_F11));
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    HWND dlg = TakenHotKeyOk(hopdeck, japanese ? kSettingsTitle : L"Settings / Hot Key");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(test::Text(GetDlgItem(dlg, IDC_AUTORUN)), japanese ? L"OS起動時に常駐する" : L"Start with Windows");
    EXPECT_EQ(test::AnswerBox(hopdeck.Pid(), L"Hopdeck"),
              japanese ? L"そのホットキーは既に登録されています。" : L"That hot key is already registered.");
    // The keys named in each language, and H alone refused, once the box has
    // gone and the stored key is back in the list.
    ASSERT_TRUE(test::PumpUntil([&] { return SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETCURSEL, 0, 0) == 0; }, 3000));
    wchar_t up[16] = L"";
    SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETLBTEXT, 32, (LPARAM)up);
    EXPECT_STREQ(up, japanese ? L"↑" : L"Up");
    SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, 58, 0);
    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(test::AnswerBox(hopdeck.Pid(), L"Hopdeck").substr(0, 5), japanese ? L"文字、数字" : L"Lette");
    UnregisterHotKey(nullptr, 0x67);
}

}  // namespace
