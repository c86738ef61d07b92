// The settings dialog in this process, opened by the program's own main window
// and driven through its controls.
#include "core/Messages.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "tests/support/TestApp.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>
#include <functional>

namespace {

using test::Checked;
using test::Click;
const std::string kProfile = test::kInProcessProfile;

class MainDialogTest : public ::testing::Test {
protected:
    HWND dlg = nullptr;

    void SetUp() override { test::ResetMain(); }
    void TearDown() override { test::ResetMain(); }

    static void Store(const char* name, DWORD value) { test::SetDword(kProfile, "SETTING", name, value); }
    static long long Stored(const char* name) { return test::GetDword(kProfile, "SETTING", name); }
    void StoreHotKey(int index, int control, int shift, int alt, int win)
    {
        Store("VIRTUALINDEX", index);
        Store("CONTROL", control);
        Store("SHIFT", shift);
        Store("ALT", alt);
        Store("WIN", win);
        // As the main window holds it from its start.
        RegisterHotKey(test::Main(), 1, alt * MOD_ALT | control * MOD_CONTROL | shift * MOD_SHIFT | win * MOD_WIN,
                       VK_F1 + index - 1);
    }
    HWND Open()
    {
        PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
        return dlg = test::OwnedDialog(IDC_AUTORUN);
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }
    int Row() { return (int)SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETCURSEL, 0, 0); }
    void ChooseRow(int row) { SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_SETCURSEL, row, 0); }
    std::wstring RegisteredKey() { return test::Text(GetDlgItem(dlg, IDC_REGISTERED_KEY)); }
    bool Ok()
    {
        Click(dlg, IDOK);
        return test::PumpUntil([&] { return !IsWindow(dlg); }, 1000);
    }
};

TEST_F(MainDialogTest, AnEmptyProfileShowsTheDefaults)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(test::Text(dlg), L"設定/ホットキー登録");
    EXPECT_TRUE(Checked(dlg, IDC_AUTORUN));
    EXPECT_TRUE(Checked(dlg, IDC_TOPMOST));
    for (int id : {IDC_SHOW_HOTSWITCH, IDC_SLEEPACTION, IDC_TASKTRAYACTION, IDC_CONTROL, IDC_SHIFT, IDC_ALT, IDC_WIN})
        EXPECT_FALSE(Checked(dlg, id)) << id;
    EXPECT_FALSE(Enabled(IDC_TOPMOST)) << "no hot switch, so 'always in front' is off limits";
    EXPECT_EQ(RegisteredKey(), L"  ");
    // Thirteen entries in table order although the list sorts: "F10" follows "F9".
    EXPECT_EQ(SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETCOUNT, 0, 0), 13);
    EXPECT_EQ(Row(), 0);
    wchar_t text[8] = L"";
    SendDlgItemMessageW(dlg, IDC_FUNCTION_KEY, CB_GETLBTEXT, 10, (LPARAM)text);
    EXPECT_STREQ(text, L"F10");
}

TEST_F(MainDialogTest, TheStoredHotKeyAndTheAlwaysInFrontRule)
{
    StoreHotKey(5, 1, 0, 1, 0);
    Store("HOTSWITCH", 1);
    Store("TOPMOST", 0);
    ASSERT_TRUE(Open());
    EXPECT_EQ(Row(), 5);
    EXPECT_TRUE(Checked(dlg, IDC_CONTROL) && Checked(dlg, IDC_ALT) && !Checked(dlg, IDC_SHIFT));
    EXPECT_EQ(RegisteredKey(), L"F5 + Control + Alt(Option)");
    EXPECT_TRUE(Enabled(IDC_TOPMOST));
    Click(dlg, IDC_SHOW_HOTSWITCH);
    EXPECT_FALSE(Enabled(IDC_TOPMOST));
    Click(dlg, IDC_SHOW_HOTSWITCH);
    EXPECT_TRUE(Enabled(IDC_TOPMOST));
    EXPECT_FALSE(Checked(dlg, IDC_TOPMOST)) << "the rule never changes the check mark";
    // The text shows what is stored, whatever is edited.
    ChooseRow(9);
    Click(dlg, IDC_SHIFT);
    EXPECT_EQ(RegisteredKey(), L"F5 + Control + Alt(Option)");
}

TEST_F(MainDialogTest, DefaultAndEveryWayOfClosingWithoutOkWriteNothing)
{
    StoreHotKey(3, 0, 1, 0, 1);
    Store("SLEEPACTION", 1);
    const std::function<void(HWND)> closers[] = {
        [](HWND d) { Click(d, IDCANCEL); },
        [](HWND d) {  // Esc, as the message loop hands it to the dialog
            MSG esc = {GetDlgItem(d, IDC_AUTORUN), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
            IsDialogMessageW(d, &esc);
        },
        [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); },  // the close box, and the program's exit
    };
    for (const auto& close : closers) {
        ASSERT_TRUE(Open());
        EXPECT_TRUE(Checked(dlg, IDC_SLEEPACTION)) << "shows what is stored, not the last edits";
        Click(dlg, IDC_DEFAULT);
        EXPECT_TRUE(Checked(dlg, IDC_AUTORUN) && Checked(dlg, IDC_TOPMOST) && !Enabled(IDC_TOPMOST));
        EXPECT_FALSE(Checked(dlg, IDC_SLEEPACTION) || Checked(dlg, IDC_SHIFT) || Checked(dlg, IDC_WIN));
        EXPECT_EQ(Row(), 0);
        EXPECT_EQ(RegisteredKey(), L"F3 + Shift + Windows(Apple)");
        close(dlg);
        EXPECT_TRUE(test::PumpUntil([&] { return !IsWindow(dlg); }, 1000));
        EXPECT_EQ(Stored("SLEEPACTION"), 1);
        EXPECT_EQ(Stored("AUTORUN"), test::kMissing);
    }
}

TEST_F(MainDialogTest, OkStoresAllTenOptionsTheHotKeyTheRunEntryAndRecreatesTheHotSwitch)
{
    Store("HOTSWITCH", 1);
    PostMessageW(test::Main(), WM_SHOW_HOTSWITCH, 0, 0);
    HWND oldHot = test::OwnedDialog(IDC_SWITCH_BUTTON);
    ASSERT_TRUE(oldHot);
    ASSERT_TRUE(Open());
    Click(dlg, IDC_TASKTRAYACTION);
    Click(dlg, IDC_SHIFT);
    Click(dlg, IDC_TOPMOST);
    ChooseRow(9);
    ASSERT_TRUE(Ok());
    const long long expected[] = {1, 1, 0, 0, 1, 0, 1, 0, 0, 9};
    const char* names[] = {"AUTORUN", "HOTSWITCH", "TOPMOST", "SLEEPACTION", "TASKTRAYACTION",
                           "CONTROL", "SHIFT",     "ALT",     "WIN",         "VIRTUALINDEX"};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Stored(names[i]), expected[i]) << names[i];
    EXPECT_FALSE(test::HotKeyFree(MOD_SHIFT, VK_F9)) << "the new hot key is registered";
    // Named after the application, like its profile.
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(test::RunValue(CWinApp::Get()->AppNameW()), path);
    // The hot switch is made anew, with the option just saved.
    test::PumpFor(100);
    EXPECT_FALSE(IsWindow(oldHot));
    HWND newHot = test::OwnedDialog(IDC_SWITCH_BUTTON);
    ASSERT_TRUE(newHot);
    EXPECT_FALSE(GetWindowLongW(newHot, GWL_EXSTYLE) & WS_EX_TOPMOST);

    // Without autorun and hot switch: the Run value stays, empty; the hot switch only closes.
    ASSERT_TRUE(Open());
    Click(dlg, IDC_AUTORUN);
    Click(dlg, IDC_SHOW_HOTSWITCH);
    ASSERT_TRUE(Ok());
    test::PumpFor(100);
    EXPECT_EQ(test::RunValue(CWinApp::Get()->AppNameW()), L"");
    EXPECT_FALSE(IsWindow(newHot));
    EXPECT_FALSE(test::OwnedDialog(IDC_SWITCH_BUTTON, 100));
}

TEST_F(MainDialogTest, OutOfRangeStoredValuesShowAsTheyWillBeSaved)
{
    Store("CONTROL", 5);
    Store("WIN", 2);
    Store("VIRTUALINDEX", 40);
    ASSERT_TRUE(Open());
    EXPECT_FALSE(Checked(dlg, IDC_CONTROL));
    EXPECT_TRUE(Checked(dlg, IDC_WIN));
    EXPECT_EQ(Row(), -1);
    EXPECT_EQ(RegisteredKey(), L"  ");
    ASSERT_TRUE(Ok());
    EXPECT_EQ(Stored("VIRTUALINDEX"), 0) << "nothing chosen means no key";
    EXPECT_EQ(Stored("CONTROL"), 0);
    EXPECT_EQ(Stored("WIN"), 1);
}

TEST_F(MainDialogTest, AHotKeyTakenElsewhereIsRefusedRevertedAndNothingWritten)
{
    StoreHotKey(8, 0, 0, 0, 0);
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x55, MOD_CONTROL, VK_F10));  // another owner
    ASSERT_TRUE(Open());
    Click(dlg, IDC_TASKTRAYACTION);
    ChooseRow(10);
    Click(dlg, IDC_CONTROL);
    bool mainEnabled = true;
    {
        test::BoxWatch box(GetCurrentProcessId(), CWinApp::Get()->AppNameW(),
                           [&](HWND b) {
                               mainEnabled = IsWindowEnabled(test::Main());
                               PostMessageW(b, WM_COMMAND, IDOK, 0);
                           });
        Click(dlg, IDOK);
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.text, L"そのホットキーは既に登録されています。");
        EXPECT_EQ(box.owner, dlg) << "owned by the main window's last active pop-up";
    }
    EXPECT_FALSE(mainEnabled) << "the main window is disabled while the box is shown";
    EXPECT_TRUE(IsWindowEnabled(test::Main()));
    EXPECT_TRUE(IsWindow(dlg));
    EXPECT_EQ(Row(), 8);
    EXPECT_FALSE(Checked(dlg, IDC_CONTROL));
    EXPECT_TRUE(Checked(dlg, IDC_TASKTRAYACTION)) << "other edits stay";
    EXPECT_EQ(Stored("TASKTRAYACTION"), test::kMissing);
    EXPECT_FALSE(test::HotKeyFree(0, VK_F8)) << "the program keeps its key";

    // A second OK saves the other options with the stored key.
    ASSERT_TRUE(Ok());
    EXPECT_EQ(Stored("TASKTRAYACTION"), 1);
    EXPECT_EQ(Stored("VIRTUALINDEX"), 8);
    UnregisterHotKey(nullptr, 0x55);
}

TEST_F(MainDialogTest, AChangedHotKeyReplacesTheOldOne)
{
    StoreHotKey(5, 0, 0, 0, 0);
    const struct {
        int row;
        UINT heldVk, freedVk;
    } steps[] = {{6, VK_F6, VK_F5}, {5, VK_F5, VK_F6}, {0, 0, VK_F5}};  // back to F5 in the same run: not refused
    for (const auto& step : steps) {
        ASSERT_TRUE(Open());
        ChooseRow(step.row);
        ASSERT_TRUE(Ok()) << step.row;
        EXPECT_EQ(Stored("VIRTUALINDEX"), step.row);
        EXPECT_TRUE(test::HotKeyFree(0, step.freedVk)) << "a key given up stops switching";
        if (step.heldVk) EXPECT_FALSE(test::HotKeyFree(0, step.heldVk));
    }
}

TEST_F(MainDialogTest, AskingAgainBringsTheOpenDialogForward)
{
    ASSERT_TRUE(Open());
    HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ASSERT_EQ(GetForegroundWindow(), other);
    PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
    EXPECT_TRUE(test::PumpUntil([&] { return GetForegroundWindow() == dlg; }, 1000));
    EXPECT_EQ(test::CountDialogs(GetCurrentProcessId(), test::Text(dlg).c_str()), 1);
    DestroyWindow(other);
}

}  // namespace
