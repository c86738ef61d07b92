// Hopdeck.exe started for real and watched from outside, for what needs a
// process of its own: one instance per name, the shell's broadcasts, exits
// under a message box, a held key, the command line, odd registry content and
// a DLL planted beside the program.
#include "core/Messages.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <shellapi.h>
#include <cstdint>
#include <thread>

namespace {

const std::string kProfile = "Hopdeck";
const wchar_t kSettingsTitle[] = L"設定/ホットキー登録";

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteProfile(kProfile); }
    void TearDown() override
    {
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
    // A copy of the program under another name, beside it.
    std::wstring Copy(const wchar_t* name)
    {
        copies.push_back(test::TestDir() + L"\\" + name + L".exe");
        EXPECT_TRUE(CopyFileW(test::ProgramPath().c_str(), copies.back().c_str(), FALSE));
        return copies.back();
    }
    // Holds the modifiers, sends `key` down `repeats` times (as a held key
    // repeats), then lets go of everything.
    static void Press(std::initializer_list<BYTE> modifiers, BYTE key, int repeats = 1)
    {
        for (BYTE m : modifiers) keybd_event(m, 0, 0, 0);
        for (int i = 0; i < repeats; ++i) keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        for (BYTE m : modifiers) keybd_event(m, 0, KEYEVENTF_KEYUP, 0);
    }
    static void TrayClick(HWND main, UINT mouseMsg) { PostMessageW(main, WM_TRAYICON, 0, mouseMsg); }
    std::vector<std::wstring> copies;
};

TEST_F(ProgramTest, OneInstancePerNameEachWithItsOwnProfileAndRunValue)
{
    const std::wstring copyPath = Copy(L"HopdeckCopy");
    Store("HOTSWITCH", 1, "HopdeckCopy");
    test::Program original, copy(L"", copyPath);
    HWND main = original.MainWindow();
    ASSERT_TRUE(main);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_TRUE(test::KeyExists(test::ProfileKey(kProfile, "SETTING"))) << "the first read makes the profile";
    ASSERT_TRUE(copy.MainWindow()) << "another name, another single-instance mutex";
    EXPECT_TRUE(copy.Window(L"")) << "the copy reads its own profile: its hot switch shows";
    EXPECT_FALSE(original.Window(L"", 300));

    // A second start of the original ends at once and leaves the first running.
    test::Program second;
    EXPECT_TRUE(second.WaitExit());
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(IsWindow(main));

    // OK in the copy writes the copy's Run value only.
    test::DeleteRunValue(L"Hopdeck");
    copy.Command(ID_SETTINGS);
    HWND dlg = test::FindWindowOf(copy.Pid(), kSettingsTitle);
    ASSERT_TRUE(dlg);
    test::Click(dlg, IDOK);
    EXPECT_TRUE(test::PumpUntil([&] { return test::RunValue(L"HopdeckCopy") == copyPath; }, 3000));
    EXPECT_EQ(test::RunValue(L"Hopdeck"), L"<missing>");
    test::DeleteRunValue(L"HopdeckCopy");

    // "/exit" of the copy ends the copy, not the original.
    test::Program exitCopy(L"/exit", copyPath);
    EXPECT_TRUE(exitCopy.WaitExit());
    EXPECT_TRUE(copy.WaitExit());
    EXPECT_EQ(copy.ExitCode(), 0u);
    EXPECT_EQ(original.ExitCode(), (DWORD)STILL_ACTIVE);
}

TEST_F(ProgramTest, EveryTriggerSwitchesOnceAHeldKeyIncluded)
{
    Store("VIRTUALINDEX", 9);
    Store("CONTROL", 1);
    Store("TASKTRAYACTION", 1);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    const std::pair<const char*, std::function<void()>> triggers[] = {
        {"menu command", [&] { hopdeck.Command(ID_SWITCH_PC); }},
        {"hot key", [] { Press({VK_CONTROL}, VK_F9); }},
        {"held hot key", [] { Press({VK_CONTROL}, VK_F9, 5); }},
        {"left click, then a double click's rest", [&] {
             for (UINT m : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}) TrayClick(main, m);
         }},
        {"suspend, after a resume", [&] {
             Store("SLEEPACTION", 1);  // read at each notice
             PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
             PostMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
         }},
    };
    for (const auto& trigger : triggers) {
        test::ScrollLockWatcher keys;
        trigger.second();
        EXPECT_TRUE(keys.Saw(1)) << trigger.first << ": " << keys.events.size() << " events";
    }
    test::ScrollLockWatcher keys;
    Store("SLEEPACTION", 0);
    PostMessageW(main, WM_POWERBROADCAST, PBT_APMSTANDBY, 0);
    EXPECT_TRUE(keys.Saw(0)) << "no switch on standby when not asked for";
}

TEST_F(ProgramTest, TheMenuOpensAboveTheCursorAndExitClosesEverything)
{
    Store("HOTSWITCH", 1);
    Store("VIRTUALINDEX", 12);
    Store("WIN", 1);
    Store("SHIFT", 1);
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(hopdeck.Window(L""));
    EXPECT_FALSE(test::HotKeyFree(MOD_WIN | MOD_SHIFT, VK_F12));

    SetCursorPos(400, 500);
    TrayClick(main, WM_RBUTTONDOWN);
    HWND menu = test::FindWindowOf(hopdeck.Pid(), nullptr, L"#32768");
    ASSERT_TRUE(menu);
    RECT r;
    GetWindowRect(menu, &r);
    EXPECT_EQ(r.bottom, 500) << "bottom-aligned at the cursor";
    EXPECT_EQ(r.left, 400);
    PostMessageW(main, WM_KEYDOWN, VK_ESCAPE, 0);  // the menu loop reads its thread's keys
    EXPECT_TRUE(test::PumpUntil([&] { return !IsWindowVisible(menu); }, 3000));

    TrayClick(main, WM_LBUTTONDOWN);  // TASKTRAYACTION 0: the settings
    ASSERT_TRUE(hopdeck.Window(kSettingsTitle));
    hopdeck.Command(ID_EXIT);
    ASSERT_TRUE(hopdeck.WaitExit());
    EXPECT_EQ(hopdeck.ExitCode(), 0u);
    EXPECT_FALSE(test::TrayIconExists(main));
    EXPECT_TRUE(test::HotKeyFree(MOD_WIN | MOD_SHIFT, VK_F12));
    EXPECT_EQ(test::GetDword(kProfile, "SETTING", "AUTORUN"), test::kMissing) << "an exit saves nothing";
}

TEST_F(ProgramTest, TheShellsBroadcastsKeepTheIconWithoutAWord)
{
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    NOTIFYICONDATAW nid = {};
    nid.cbSize = NOTIFYICONDATAW_V3_SIZE;
    nid.hWnd = main;
    for (int i = 0; i < 10; ++i) {
        // Every other time the icon is still there (another program's
        // broadcast); otherwise the shell restarted and lost it.
        if (i % 2) ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
        // Sent, so every window has handled it before the next round.
        SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_NORMAL, 5000, nullptr);
        ASSERT_TRUE(test::PumpUntil([&] { return test::TrayIconExists(main); }, 3000)) << i;
    }
    test::PumpFor(300);
    EXPECT_EQ(test::CountDialogs(hopdeck.Pid(), L"Hopdeck"), 0);
    EXPECT_EQ(hopdeck.ExitCode(), (DWORD)STILL_ACTIVE);
}

// An exit chosen while a window's message box is up: the window and its
// object go during the box's own message loop, which must not be touched
// afterwards (the heap is checked, so freed memory read would show).
TEST_F(ProgramTest, AnExitWhileAMessageBoxIsUpEndsCleanly)
{
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x66, MOD_CONTROL, VK_F10));
    // A copy with a damaged button image: its hot switch says so in a box.
    const std::wstring noImage = Copy(L"HopdeckNoImage");
    HANDLE update = BeginUpdateResourceW(noImage.c_str(), FALSE);
    for (WORD id : {IDR_HOTSWITCH_PNG, IDR_HOTSWITCH_PNG_2X})
        UpdateResourceW(update, L"PNG", MAKEINTRESOURCEW(id), MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), (void*)"junk", 4);
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    Store("HOTSWITCH", 1, "HopdeckNoImage");

    // Wine fills freed heap blocks when it checks the heap: a use after free fails.
    SetEnvironmentVariableW(L"WINEDEBUG", L"warn+heap");
    for (int box = 0; box < 2; ++box) {
        test::Program hopdeck(L"", box ? noImage : test::ProgramPath());
        HWND main = hopdeck.MainWindow(false);
        ASSERT_TRUE(main);
        test::BoxWatch watch(hopdeck.Pid(), box ? L"HopdeckNoImage" : L"Hopdeck",
                             [&](HWND) { PostMessageW(main, WM_COMMAND, ID_EXIT, 0); });
        if (box == 0) {  // the settings' "hot key taken"
            hopdeck.Command(ID_SETTINGS);
            HWND dlg = hopdeck.Window(kSettingsTitle);
            ASSERT_TRUE(dlg);
            SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, 10, 0);
            test::Click(dlg, IDC_CONTROL);
            PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        }
        ASSERT_TRUE(watch.Wait()) << box;
        ASSERT_TRUE(hopdeck.WaitExit(3000)) << box;
        EXPECT_EQ(hopdeck.ExitCode(), 0u) << box;
    }
    SetEnvironmentVariableW(L"WINEDEBUG", L"-all");
    UnregisterHotKey(nullptr, 0x66);
}

TEST_F(ProgramTest, OddRegistryContentNeverStopsIt)
{
    const char* const names[][2] = {
        {"SETTING", "AUTORUN"}, {"SETTING", "HOTSWITCH"}, {"SETTING", "TOPMOST"},     {"SETTING", "SLEEPACTION"},
        {"SETTING", "TASKTRAYACTION"}, {"SETTING", "CONTROL"}, {"SETTING", "SHIFT"}, {"SETTING", "ALT"},
        {"SETTING", "WIN"},      {"SETTING", "VIRTUALINDEX"}, {"POSITION", "LEFT"},   {"POSITION", "TOP"},
        {"POSITION", "RIGHT"},   {"POSITION", "BOTTOM"}};
    const uint64_t qword = 0x100000001ull;
    const DWORD outOfRange = 100000, negative = 0x80000000u;
    const struct {
        DWORD type;
        const void* data;
        DWORD size;
    } kinds[] = {{REG_SZ, "1", 2}, {REG_QWORD, &qword, 8}, {REG_BINARY, "\1", 2}, {REG_DWORD, &outOfRange, 4},
                 {REG_DWORD, &negative, 4}, {REG_NONE, nullptr, 0}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.type);
        test::DeleteProfile(kProfile);
        if (kind.type == REG_NONE) {
            // The profile exists but takes nothing below it: a volatile key has
            // no lasting subkeys, so reads give defaults and writes fail.
            HKEY key;
            RegCreateKeyExA(HKEY_CURRENT_USER, test::ProfileKey(kProfile).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr);
            RegCloseKey(key);
        }
        for (const auto& v : names)
            if (kind.data) test::SetRaw(kProfile, v[0], v[1], kind.type, kind.data, kind.size);
        test::Program hopdeck;
        HWND main = hopdeck.MainWindow();
        ASSERT_TRUE(main);
        hopdeck.Command(ID_SETTINGS);
        EXPECT_TRUE(hopdeck.Window(kSettingsTitle));
        PostMessageW(main, WM_SHOW_HOTSWITCH, 0, 0);
        HWND hot = hopdeck.Window(L"");
        ASSERT_TRUE(hot);
        RECT r, screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, both;
        GetWindowRect(hot, &r);
        EXPECT_TRUE(IntersectRect(&both, &r, &screen)) << "the hot switch opens where it can be seen";
        test::ScrollLockWatcher keys;
        hopdeck.Command(ID_SWITCH_PC);
        EXPECT_TRUE(keys.Saw(1));
        EXPECT_EQ(test::CountDialogs(hopdeck.Pid(), L"Hopdeck"), 0) << "odd settings are not reported";
    }
}

TEST_F(ProgramTest, TheCommandLineTalksToTheRunningInstance)
{
    {
        // None running: "/switch" switches and ends, "/exit" just ends, and
        // neither stays, shows an icon or holds the hot key.
        Store("VIRTUALINDEX", 7);
        test::ScrollLockWatcher keys;
        test::Program alone(L"/switch");
        EXPECT_TRUE(keys.Saw(1));
        EXPECT_TRUE(alone.WaitExit());
        EXPECT_FALSE(alone.MainWindow(false, 0));
        EXPECT_TRUE(test::HotKeyFree(0, VK_F7));
        test::Program exit(L"-EXIT");
        EXPECT_TRUE(exit.WaitExit());
        EXPECT_EQ(exit.ExitCode(), 0u);
    }
    test::Program hopdeck;
    HWND main = hopdeck.MainWindow();
    ASSERT_TRUE(main);
    {
        test::ScrollLockWatcher keys;
        test::Program request(L"/switch");
        EXPECT_TRUE(request.WaitExit());
        EXPECT_TRUE(keys.Saw(1)) << "one switch, by the running instance";
    }
    test::Program settings(L"/settings");
    EXPECT_TRUE(settings.WaitExit());
    EXPECT_TRUE(hopdeck.Window(kSettingsTitle));
    {
        // Anything else: how to use it, and the instance is left alone.
        test::Program bad(L"/swtich");
        test::BoxWatch usage(bad.Pid(), L"Hopdeck");
        ASSERT_TRUE(usage.Wait());
        EXPECT_NE(usage.text.find(L"/settings"), std::wstring::npos);
        EXPECT_TRUE(bad.WaitExit());
        EXPECT_EQ(bad.ExitCode(), 1u);
        EXPECT_TRUE(hopdeck.Window(kSettingsTitle, 0));
    }
    test::Program exit(L"/exit");
    EXPECT_TRUE(exit.WaitExit());
    EXPECT_TRUE(hopdeck.WaitExit());
    EXPECT_EQ(hopdeck.ExitCode(), 0u);
}

}  // namespace

namespace {

// Wine prefers its own DLLs; this override makes it search for gdiplus.dll as
// Windows does, the program's folder first, for the planted copy only.
const wchar_t kPlantedOverrides[] = L"Software\\Wine\\AppDefaults\\HopdeckPlanted.exe\\DllOverrides";

TEST_F(ProgramTest, ADllPlantedBesideItIsNeverLoaded)
{
    const std::wstring folder = test::TestDir() + L"\\planted";
    copies.push_back(folder + L"\\HopdeckPlanted.exe");
    ASSERT_TRUE(CopyFileW(test::ProgramPath().c_str(), copies.back().c_str(), FALSE));
    DeleteFileW((folder + L"\\gdiplus.dll.loaded").c_str());
    RegSetKeyValueW(HKEY_CURRENT_USER, kPlantedOverrides, L"gdiplus", REG_SZ, L"native,builtin", 30);
    Store("HOTSWITCH", 1, "HopdeckPlanted");
    {
        test::Program hopdeck(L"", copies.back());
        HWND hot = hopdeck.Window(L"");
        ASSERT_TRUE(hot) << "the hot switch opens";
        EXPECT_EQ(GetWindowLongW(GetDlgItem(hot, IDC_SWITCH_BUTTON), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW)
            << "with its image, from the system's GDI+";
        EXPECT_EQ(test::CountDialogs(hopdeck.Pid(), L"HopdeckPlanted"), 0);
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\HopdeckPlanted.exe");
    EXPECT_EQ(GetFileAttributesW((folder + L"\\gdiplus.dll.loaded").c_str()), INVALID_FILE_ATTRIBUTES)
        << "the planted gdiplus.dll ran";
}

}  // namespace

namespace {

// Run once more by CTest under a Western code page with a Japanese user
// interface, and under an English locale (HOPDECK_EXPECT names the code page
// and language there): the user's language is shown, never as question marks.
TEST_F(ProgramTest, TextsAreReadableInTheUsersLanguage)
{
    const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
    if (const char* expected = getenv("HOPDECK_EXPECT"))
        ASSERT_EQ(std::to_string(GetACP()) + (japanese ? "/ja" : "/en"), expected);
    {
        test::Program usage(L"/?");
        test::BoxWatch box(usage.Pid(), L"Hopdeck");
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.text.substr(0, japanese ? 3 : 5), japanese ? L"使い方" : L"Usage");
    }
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x67, MOD_CONTROL, VK_F10));
    test::Program hopdeck;
    ASSERT_TRUE(hopdeck.MainWindow());
    hopdeck.Command(ID_SETTINGS);
    HWND dlg = hopdeck.Window(japanese ? kSettingsTitle : L"Settings / Hot Key");
    ASSERT_TRUE(dlg);
    EXPECT_EQ(test::Text(GetDlgItem(dlg, IDC_AUTORUN)), japanese ? L"OS起動時に常駐する" : L"Start with Windows");
    SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, 10, 0);
    test::Click(dlg, IDC_CONTROL);
    test::BoxWatch taken(hopdeck.Pid(), L"Hopdeck");
    PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(taken.Wait());
    EXPECT_EQ(taken.text, japanese ? L"そのホットキーは既に登録されています。" : L"That hot key is already registered.");
    UnregisterHotKey(nullptr, 0x67);
}

}  // namespace

namespace {

// The notification area of the test desktop: it takes the icon, or refuses it.
bool s_refuseIcons = false;
int s_iconsAdded = 0;
LRESULT CALLBACK TrayProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_COPYDATA) return DefWindowProcW(wnd, msg, wp, lp);
    if (reinterpret_cast<COPYDATASTRUCT*>(lp)->dwData == NIM_ADD && !s_refuseIcons) ++s_iconsAdded;
    return !s_refuseIcons;
}

// Started at logon, the program may come before the shell has made its
// notification area. Here it starts on a desktop of its own whose shell is
// kept from making one; later this test plays the shell that comes.
TEST_F(ProgramTest, WithoutANotificationAreaItKeepsRunningAndAddsItsIconWhenTheShellComes)
{
    const std::wstring name = L"HopdeckLogon" + std::to_wstring(GetTickCount());
    HDESK desktop = CreateDesktopW(name.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    HMODULE hookDll = LoadLibraryW((test::TestDir() + L"\\notrayhook.dll").c_str());
    auto veto = reinterpret_cast<HOOKPROC>(GetProcAddress(hookDll, "VetoTray"));
    ASSERT_TRUE(desktop && veto);
    std::thread([&] {
        SetThreadDesktop(desktop);
        HANDLE vetoed = CreateEventW(nullptr, TRUE, FALSE, L"HopdeckTrayVetoed");
        HHOOK hook = SetWindowsHookExW(WH_CBT, veto, hookDll, 0);
        GetDesktopWindow();  // starts the desktop's shell
        ASSERT_EQ(WaitForSingleObject(vetoed, 10000), WAIT_OBJECT_0);
        UnhookWindowsHookEx(hook);
        CloseHandle(vetoed);

        test::Program hopdeck(L"", test::ProgramPath(), name.c_str());
        ASSERT_TRUE(hopdeck.MainWindow(false));
        hopdeck.Command(ID_SETTINGS);
        EXPECT_TRUE(hopdeck.Window(kSettingsTitle)) << "it runs, without an icon";
        EXPECT_EQ(test::CountDialogs(hopdeck.Pid(), L"Hopdeck"), 0);

        // The shell comes: its notification area, then its broadcast.
        WNDCLASSW wc = {};
        wc.lpfnWndProc = TrayProc;
        wc.lpszClassName = L"Shell_TrayWnd";
        RegisterClassW(&wc);
        HWND tray = CreateWindowExW(WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    nullptr, nullptr);
        const UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
        SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_NORMAL, 5000, nullptr);
        EXPECT_EQ(s_iconsAdded, 1);

        // A shell that refuses the icon: the user is told, and the program ends.
        s_refuseIcons = true;
        PostMessageW(HWND_BROADCAST, taskbarCreated, 0, 0);
        HWND box = test::FindWindowOf(hopdeck.Pid(), L"Hopdeck", L"#32770");
        ASSERT_TRUE(box);
        EXPECT_EQ(test::Text(GetDlgItem(box, 0xFFFF)), L"通知領域にアイコンを登録できませんでした。");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(hopdeck.WaitExit());
        EXPECT_EQ(hopdeck.ExitCode(), 0u);
        DestroyWindow(tray);
    }).join();
    CloseDesktop(desktop);
}

}  // namespace
