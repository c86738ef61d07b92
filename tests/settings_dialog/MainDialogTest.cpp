// The settings dialog in this process, opened by the program's own main window
// and driven through its controls.
#include "core/Messages.h"
#include "core/SettingsStore.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <thread>

namespace {

using test::Click;

class MainDialogTest : public ::testing::Test {
protected:
    HWND dlg = nullptr;
    void SetUp() override { test::ResetMain(); }
    void TearDown() override { test::ResetMain(); }

    static void Store(const char* name, DWORD value)
    {
        test::SetDword(test::kInProcessProfile, "SETTING", name, value);
    }
    // The stored options in the record's order, "-" for a missing one.
    static std::string Stored()
    {
        std::string s;
        for (const OptionInfo& o : kOptions) {
            const long long v = test::GetDword(test::kInProcessProfile, "SETTING", o.name);
            s += (s.empty() ? "" : " ") + (v == test::kMissing ? "-" : std::to_string(v));
        }
        return s;
    }
    // Stores a hot key and holds it on the main window, as from its start.
    static void StoreHotKey(int index, int control, int shift, int alt, int win)
    {
        const std::pair<const char*, int> values[] = {
            {"VIRTUALINDEX", index}, {"CONTROL", control}, {"SHIFT", shift}, {"ALT", alt}, {"WIN", win}};
        for (const auto& v : values) Store(v.first, v.second);
        RegisterHotKey(test::Main(), 1, alt * MOD_ALT | control * MOD_CONTROL | shift * MOD_SHIFT | win * MOD_WIN,
                       VK_F1 + index - 1);
    }
    HWND Open()
    {
        PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
        return dlg = test::FindWindowOf(GetCurrentProcessId(), L"設定/ホットキー登録");
    }
    // The dialog at a glance: its nine boxes in the record's order (1: checked),
    // the list's row, whether "always in front" can be used, the registered key,
    // the lock key's row and the pace.
    std::wstring State()
    {
        std::wstring s;
        for (int id : {IDC_AUTORUN, IDC_SHOW_HOTSWITCH, IDC_TOPMOST, IDC_SLEEPACTION, IDC_TASKTRAYACTION, IDC_CONTROL,
                       IDC_SHIFT, IDC_ALT, IDC_WIN})
            s += SendDlgItemMessageW(dlg, id, BM_GETCHECK, 0, 0) ? L'1' : L'0';
        s += L" row " + std::to_wstring(SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETCURSEL, 0, 0));
        s += IsWindowEnabled(GetDlgItem(dlg, IDC_TOPMOST)) ? L" front [" : L" - [";
        s += test::Text(GetDlgItem(dlg, IDC_REGISTERED_KEY)) + L"] key ";
        s += std::to_wstring(SendDlgItemMessageW(dlg, IDC_SWITCH_KEY, CB_GETCURSEL, 0, 0));
        return s + L" " + test::Text(GetDlgItem(dlg, IDC_SWITCH_DELAY));
    }
    void ChooseRow(int row) { SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, row, 0); }
    bool Ok()
    {
        Click(dlg, IDOK);
        return !IsWindow(dlg);
    }
};

TEST_F(MainDialogTest, ShowsTheStoredOptionsAndAppliesTheAlwaysInFrontRule)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(State(), L"101000000 row 0 - [  ] key 0 200 ms");
    // Every key in table order: "F10" follows "F9".
    wchar_t text[32] = L"";
    SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETLBTEXT, 10, (LPARAM)text);
    const LRESULT count = SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETCOUNT, 0, 0);
    EXPECT_EQ(std::wstring(text) + L" of " + std::to_wstring(count), L"F10 of 87");
    test::ResetMain();

    StoreHotKey(5, 1, 0, 1, 0);
    Store("HOTSWITCH", 1);
    Store("TOPMOST", 0);
    Store("WIN", 2);  // a hand edit: shows as checked
    Store("SWITCHKEY", 2);
    Store("SWITCHDELAY", 75);  // a hand edit, within range: an entry of its own
    ASSERT_TRUE(Open());
    const std::wstring key = L"[F5 + Control + Alt(Option) + Windows(Apple)] key 2 75 ms";
    EXPECT_EQ(State(), L"110001011 row 5 front " + key);
    SendDlgItemMessageW(dlg, IDC_SWITCH_DELAY, CB_GETLBTEXT, 2, (LPARAM)text);
    EXPECT_EQ(std::wstring(text) + L" of " + std::to_wstring(SendDlgItemMessageW(dlg, IDC_SWITCH_DELAY, CB_GETCOUNT, 0, 0)),
              L"100 ms of 7");
    SendDlgItemMessageW(dlg, IDC_SWITCH_KEY, CB_GETLBTEXT, 1, (LPARAM)text);
    EXPECT_STREQ(text, L"Num Lock×2回");
    Click(dlg, IDC_SHOW_HOTSWITCH);
    EXPECT_EQ(State(), L"100001011 row 5 - " + key);
    // Only the enabled state follows; the registered key shows what is stored.
    Click(dlg, IDC_SHOW_HOTSWITCH);
    ChooseRow(9);
    Click(dlg, IDC_SHIFT);
    EXPECT_EQ(State(), L"110001111 row 9 front " + key);

    // Asked again while open, the dialog comes forward, and stays the only one.
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 9, 9, nullptr, nullptr, nullptr,
                                 nullptr);
    SetForegroundWindow(other);
    PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return GetForegroundWindow() == dlg; }, 1000));
    EXPECT_EQ(test::WindowsOf(GetCurrentProcessId(), test::Text(dlg).c_str()).size(), 1u);
    DestroyWindow(other);
}

TEST_F(MainDialogTest, DefaultAndEveryWayOfClosingWithoutOkWriteNothing)
{
    StoreHotKey(3, 0, 1, 0, 1);
    Store("SLEEPACTION", 1);
    Store("HOTSWITCH", 1);
    Store("SWITCHKEY", 1);
    Store("SWITCHDELAY", 400);
    for (int way = 0; way < 3; ++way) {
        ASSERT_TRUE(Open());
        EXPECT_EQ(State(), L"111100101 row 3 front [F3 + Shift + Windows(Apple)] key 1 400 ms")
            << "the stored values, not the last edits";
        Click(dlg, IDC_DEFAULT);
        EXPECT_EQ(State(), L"101000000 row 0 - [F3 + Shift + Windows(Apple)] key 0 200 ms");
        if (way == 0) Click(dlg, IDCANCEL);
        MSG esc = {GetDlgItem(dlg, IDC_AUTORUN), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
        if (way == 1) IsDialogMessageW(dlg, &esc);  // as the message loop hands it over
        if (way == 2) PostMessageW(dlg, WM_CLOSE, 0, 0);  // the close box, and the program's exit
        EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg); }, 1000)) << way;
        EXPECT_EQ(Stored(), "- 1 - 1 - 0 1 0 1 3 1 400");
    }
}

TEST_F(MainDialogTest, OkStoresEveryOptionTheRunEntryAndMakesTheHotSwitchAnew)
{
    Store("HOTSWITCH", 1);
    Store("VIRTUALINDEX", 87);  // a hand edit, just past the table: no row chosen, no key
    Store("CONTROL", 5);        // a hand edit: unchecked
    PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
    HWND oldHot = test::FindWindowOf(GetCurrentProcessId(), L"");
    ASSERT_TRUE(oldHot && Open());
    EXPECT_EQ(State(), L"111000000 row -1 front [  ] key 0 200 ms");
    Click(dlg, IDC_TASKTRAYACTION);
    Click(dlg, IDC_TOPMOST);
    SendDlgItemMessageW(dlg, IDC_SWITCH_KEY, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageW(dlg, IDC_SWITCH_DELAY, CB_SETCURSEL, 1, 0);
    ASSERT_TRUE(Ok());
    EXPECT_EQ(Stored(), "1 1 0 0 1 0 0 0 0 0 2 100");
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, &path[0], MAX_PATH));
    if (path.find(L' ') != std::wstring::npos) path = L'"' + path + L'"';
    EXPECT_EQ(test::RunValue(CWinApp::Get()->AppNameW()), path) << "named after the application, like its profile";
    // The hot switch made anew, once, with the option just saved.
    test::PumpFor(100);
    EXPECT_FALSE(IsWindow(oldHot));
    const std::vector<HWND> hot = test::WindowsOf(GetCurrentProcessId(), L"");
    ASSERT_EQ(hot.size(), 1u);
    EXPECT_FALSE(GetWindowLongW(hot[0], GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Without autorun and hot switch: the Run value stays, empty; the hot switch only closes.
    ASSERT_TRUE(Open());
    Click(dlg, IDC_AUTORUN);
    Click(dlg, IDC_SHOW_HOTSWITCH);
    ASSERT_TRUE(Ok());
    EXPECT_EQ(test::RunValue(CWinApp::Get()->AppNameW()), L"");
    EXPECT_FALSE(test::FindWindowOf(GetCurrentProcessId(), L"", L"#32770", 200));
}

TEST_F(MainDialogTest, AChangedHotKeyReplacesTheOldOneUnlessItIsTakenElsewhere)
{
    StoreHotKey(5, 0, 0, 0, 0);
    const struct {
        int row;
        UINT modifiers, held, freed;
    } steps[] = {{6, 0, VK_F6, VK_F5}, {5, 0, VK_F5, VK_F6},  // back to F5 in the same run too
                 {9, MOD_SHIFT, VK_F9, VK_F5}, {0, 0, 0, VK_F9}};
    UINT lastModifiers = 0;
    for (const auto& step : steps) {
        ASSERT_TRUE(Open());
        ChooseRow(step.row);
        if (step.modifiers) Click(dlg, IDC_SHIFT);
        ASSERT_TRUE(Ok()) << step.row;
        EXPECT_TRUE(test::HotKeyFree(lastModifiers, step.freed)) << "a key given up stops switching";
        EXPECT_TRUE(!step.held || !test::HotKeyFree(step.modifiers, step.held)) << "the very key asked for";
        lastModifiers = step.modifiers;
    }

    test::ResetMain();
    StoreHotKey(8, 0, 0, 0, 0);
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x55, MOD_CONTROL, VK_F10));  // another owner's
    ASSERT_TRUE(Open());
    Click(dlg, IDC_TASKTRAYACTION);
    ChooseRow(10);
    Click(dlg, IDC_CONTROL);
    std::wstring text;
    HWND owner = nullptr;
    bool mainEnabled = true;
    std::thread box([&] {  // the box's own loop runs on this thread
        mainEnabled =
            test::FindWindowOf(GetCurrentProcessId(), CWinApp::Get()->AppNameW()) && IsWindowEnabled(test::Main());
        text = test::AnswerBox(GetCurrentProcessId(), CWinApp::Get()->AppNameW(), &owner);
    });
    Click(dlg, IDOK);
    box.join();
    EXPECT_EQ(text, L"そのホットキーは既に登録されています。");
    EXPECT_EQ(owner, dlg) << "owned by the main window's last active pop-up";
    EXPECT_FALSE(mainEnabled) << "the main window is disabled while the box is shown";
    EXPECT_TRUE(IsWindowEnabled(test::Main()));
    EXPECT_EQ(State(), L"101010000 row 8 - [F8] key 0 200 ms") << "the stored key back, the other edits kept";
    EXPECT_EQ(Stored(), "- - - - - 0 0 0 0 8 - -") << "nothing written";
    EXPECT_FALSE(test::HotKeyFree(0, VK_F8)) << "the program keeps its key";
    ASSERT_TRUE(Ok()) << "a second OK saves the other options";
    EXPECT_EQ(Stored(), "1 0 1 0 1 0 0 0 0 8 0 200");
    UnregisterHotKey(nullptr, 0x55);
}

TEST_F(MainDialogTest, EveryKindOfKeySwitchesButAKeyThatTypesOnlyWithControlAltOrWindows)
{
    Store("SWITCHDELAY", 50);
    const struct {
        int id;
        UINT mod, vk;
    } modifiers[] = {{IDC_CONTROL, MOD_CONTROL, VK_CONTROL}, {IDC_SHIFT, MOD_SHIFT, VK_SHIFT}, {IDC_ALT, MOD_ALT, VK_MENU}};
    // One key of each kind after F12, stored as its row; each opening shows
    // the key the OK before stored.
    const struct {
        int row;
        UINT vk, mods;
        const wchar_t* text;
    } keys[] = {{13, VK_F13, MOD_CONTROL, L"F13 + Control"},
                {25, VK_CANCEL, MOD_CONTROL, L"Pause + Control"},  // with Control, Pause is Break
                {31, VK_NEXT, MOD_ALT, L"Page Down + Alt(Option)"},
                {34, VK_LEFT, MOD_CONTROL | MOD_SHIFT, L"← + Control + Shift"},
                {42, VK_NUMPAD6, MOD_ALT, L"テンキー6 + Alt(Option)"},
                {58, 'H', MOD_CONTROL | MOD_ALT, L"H + Control + Alt(Option)"},
                {86, '9', MOD_CONTROL | MOD_SHIFT, L"9 + Control + Shift"}};
    std::wstring shown = L"  ";
    UINT checked = 0;
    for (const auto& key : keys) {
        ASSERT_TRUE(Open());
        EXPECT_EQ(test::Text(GetDlgItem(dlg, IDC_REGISTERED_KEY)), shown);
        ChooseRow(key.row);
        for (const auto& m : modifiers)
            if ((checked ^ key.mods) & m.mod) Click(dlg, m.id);
        ASSERT_TRUE(Ok()) << key.row;
        EXPECT_EQ(test::GetDword(test::kInProcessProfile, "SETTING", "VIRTUALINDEX"), key.row);
        test::KeyWatcher switches;
        for (const auto& m : modifiers)
            if (key.mods & m.mod) keybd_event(BYTE(m.vk), 0, 0, 0);
        keybd_event(BYTE(key.vk), 0, 0, 0);
        keybd_event(BYTE(key.vk), 0, KEYEVENTF_KEYUP, 0);
        for (const auto& m : modifiers)
            if (key.mods & m.mod) keybd_event(BYTE(m.vk), 0, KEYEVENTF_KEYUP, 0);
        EXPECT_TRUE(switches.Saw(1)) << key.row;
        shown = key.text;
        checked = key.mods;
    }

    // H with Shift alone: refused with the reason, nothing stored or taken,
    // and the choices left for the user to add a modifier.
    ASSERT_TRUE(Open());
    ChooseRow(58);
    Click(dlg, IDC_CONTROL);
    std::wstring text;
    std::thread box([&] { text = test::AnswerBox(GetCurrentProcessId(), CWinApp::Get()->AppNameW()); });
    Click(dlg, IDOK);
    box.join();
    EXPECT_EQ(text.substr(0, 5), L"文字、数字");
    EXPECT_EQ(State().substr(0, 16), L"101000100 row 58");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "SETTING", "VIRTUALINDEX"), 86);
    EXPECT_TRUE(test::HotKeyFree(MOD_SHIFT, 'H'));
}

}  // namespace
