// The settings dialog, opened for real in this process (owned by a stand-in
// main window) and driven through its controls.
#include "app/messages.h"
#include "app/settings_store.h"
#include "settings_dialog/MainDialog.h"
#include "switching/hot_key.h"
#include "tests/support/test_app.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>

namespace {

const char kProfile[] = "HopdeckDialogTest";
const char* const kOptionNames[] = {"AUTORUN", "HOTSWITCH", "TOPMOST", "SLEEPACTION", "TASKTRAYACTION",
                                    "CONTROL", "SHIFT",     "ALT",     "WIN",         "VIRTUALINDEX"};
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class MainDialogTest : public ::testing::Test {
protected:
    HWND main = nullptr;
    HWND dlg = nullptr;

    void SetUp() override
    {
        test::DeleteProfile(kProfile);
        AppSettings().UseRegistry("VANTU", kProfile);
        main = test::MainWnd().GetSafeHwnd();
        ASSERT_TRUE(main);
        UnregisterHotKey(main, kHotKeyId);
        test::MainWnd().messages.clear();
    }

    void TearDown() override
    {
        if (dlg && IsWindow(dlg)) SendMessageA(dlg, WM_CLOSE, 0, 0);
        test::PumpFor(50);  // deliver what the dialog posted before the next test starts
        UnregisterHotKey(main, kHotKeyId);
        test::DeleteProfile(kProfile);
    }

    void Store(const char* name, DWORD value) { test::SetDword(kProfile, "SETTING", name, value); }
    long long Stored(const char* name) { return test::GetDword(kProfile, "SETTING", name); }

    HWND Open()
    {
        CMainDialog* d = CMainDialog::GetInstance();
        EXPECT_TRUE(d && d->OpenWindow());
        dlg = d ? d->GetSafeHwnd() : nullptr;
        return dlg;
    }
    HWND Item(int id) { return GetDlgItem(dlg, id); }
    bool Checked(int id) { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }
    void Click(int id) { SendMessageA(Item(id), BM_CLICK, 0, 0); }
    int ListRow() { return (int)SendMessageA(Item(IDC_FUNCTION_KEY), CB_GETCURSEL, 0, 0); }
    void ChooseRow(int row) { SendMessageA(Item(IDC_FUNCTION_KEY), CB_SETCURSEL, row, 0); }
    std::string RegisteredKeyText() { return test::WindowText(Item(IDC_REGISTERED_KEY)); }
    bool Closed() { return !IsWindow(dlg); }

    void StoreHotKey(int index, int control, int shift, int alt, int win)
    {
        Store("VIRTUALINDEX", index);
        Store("CONTROL", control);
        Store("SHIFT", shift);
        Store("ALT", alt);
        Store("WIN", win);
    }
    // What the main window does at start-up with the stored hot key.
    void HoldStoredHotKey(UINT mods, UINT vk) { ASSERT_TRUE(RegisterHotKey(main, kHotKeyId, mods, vk)); }

    CStringW RunValue(DWORD* type)
    {
        wchar_t buf[1024] = L"";
        DWORD size = sizeof buf;
        *type = REG_NONE;
        if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Hopdeck", RRF_RT_ANY | RRF_NOEXPAND, type, buf, &size) !=
            ERROR_SUCCESS)
            return L"<missing>";
        return buf;
    }
};

TEST_F(MainDialogTest, FirstOpeningShowsTheDefaults)
{
    ASSERT_TRUE(Open());
    EXPECT_EQ(test::WindowTextW(dlg), L"設定/ホットキー登録");
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), main);
    EXPECT_TRUE(Checked(IDC_AUTORUN));
    EXPECT_TRUE(Checked(IDC_TOPMOST));
    for (int id : {IDC_SHOW_HOTSWITCH, IDC_SLEEPACTION, IDC_TASKTRAYACTION, IDC_CONTROL, IDC_SHIFT, IDC_ALT, IDC_WIN})
        EXPECT_FALSE(Checked(id)) << id;
    EXPECT_FALSE(Enabled(IDC_TOPMOST)) << "no hot switch, so 'always in front' is off limits";
    EXPECT_TRUE(Enabled(IDC_SLEEPACTION));
    EXPECT_EQ(ListRow(), 0);
    EXPECT_EQ(RegisteredKeyText(), "  ");
    bool versionLabel = false;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        versionLabel |= test::WindowText(c) == "Hopdeck  Ver 1.0.0";
    EXPECT_TRUE(versionLabel);

    // Thirteen entries in table order, although the list has the sorted style.
    HWND list = Item(IDC_FUNCTION_KEY);
    ASSERT_EQ(SendMessageA(list, CB_GETCOUNT, 0, 0), 13);
    for (int row = 0; row < 13; ++row) {
        char text[32] = "";
        SendMessageA(list, CB_GETLBTEXT, row, (LPARAM)text);
        EXPECT_STREQ(text, FunctionKeyTable[row].name) << row;
    }
}

TEST_F(MainDialogTest, StoredHotKeyAndTheAlwaysInFrontRule)
{
    StoreHotKey(5, 1, 0, 1, 0);
    Store("HOTSWITCH", 1);
    Store("TOPMOST", 0);
    ASSERT_TRUE(Open());
    EXPECT_EQ(ListRow(), 5);
    EXPECT_TRUE(Checked(IDC_CONTROL));
    EXPECT_TRUE(Checked(IDC_ALT));
    EXPECT_FALSE(Checked(IDC_SHIFT));
    EXPECT_EQ(RegisteredKeyText(), "F5 + Control + Alt(Option)");
    EXPECT_TRUE(Enabled(IDC_TOPMOST));
    EXPECT_FALSE(Checked(IDC_TOPMOST));

    Click(IDC_SHOW_HOTSWITCH);
    EXPECT_FALSE(Enabled(IDC_TOPMOST));
    Click(IDC_SHOW_HOTSWITCH);
    EXPECT_TRUE(Enabled(IDC_TOPMOST));
    EXPECT_FALSE(Checked(IDC_TOPMOST)) << "the rule never changes the check mark";

    // Edits do not change the registered-key text: it shows what is stored.
    ChooseRow(9);
    Click(IDC_SHIFT);
    EXPECT_EQ(RegisteredKeyText(), "F5 + Control + Alt(Option)");
}

TEST_F(MainDialogTest, DefaultResetsTheControlsButNotTheStore)
{
    StoreHotKey(3, 0, 1, 0, 1);
    Store("HOTSWITCH", 1);
    Store("AUTORUN", 0);
    Store("SLEEPACTION", 1);
    ASSERT_TRUE(Open());
    Click(IDC_DEFAULT);
    EXPECT_TRUE(Checked(IDC_AUTORUN));
    EXPECT_FALSE(Checked(IDC_SHOW_HOTSWITCH));
    EXPECT_TRUE(Checked(IDC_TOPMOST));
    EXPECT_FALSE(Enabled(IDC_TOPMOST));
    EXPECT_FALSE(Checked(IDC_SLEEPACTION));
    EXPECT_FALSE(Checked(IDC_SHIFT));
    EXPECT_FALSE(Checked(IDC_WIN));
    EXPECT_EQ(ListRow(), 0);
    EXPECT_EQ(RegisteredKeyText(), "F3 + Shift + Windows(Apple)");
    EXPECT_FALSE(Closed());
    EXPECT_EQ(Stored("SLEEPACTION"), 1);
    EXPECT_EQ(Stored("VIRTUALINDEX"), 3);
}

TEST_F(MainDialogTest, EveryWayOfClosingWithoutOkWritesNothingAndReportsOnce)
{
    auto escape = [this] {
        MSG msg = {Item(IDC_AUTORUN), WM_KEYDOWN, VK_ESCAPE, 0, 0, {0, 0}};
        // The message loop offers keys to the dialog first.
        CWnd::FromHandle(dlg)->PreFilterMessage(&msg);
    };
    auto cancel = [this] { Click(IDCANCEL); };
    auto closeBox = [this] { SendMessageA(dlg, WM_CLOSE, 0, 0); };
    int n = 0;
    for (const auto& close : {std::function<void()>(cancel), std::function<void()>(escape),
                              std::function<void()>(closeBox)}) {
        SCOPED_TRACE(n++);
        test::MainWnd().messages.clear();
        ASSERT_TRUE(Open());
        Click(IDC_SLEEPACTION);
        ChooseRow(7);
        close();
        test::PumpFor(100);
        EXPECT_TRUE(Closed());
        EXPECT_EQ(test::MainWnd().Count(WM_SETTINGS_CLOSED), 1);
        EXPECT_EQ(test::MainWnd().messages.size(), 1u);
        for (const char* name : kOptionNames) EXPECT_EQ(Stored(name), -999999) << name;
    }
    // Opening again shows the stored values, not the last edits.
    ASSERT_TRUE(Open());
    EXPECT_FALSE(Checked(IDC_SLEEPACTION));
    EXPECT_EQ(ListRow(), 0);
}

TEST_F(MainDialogTest, OkStoresAllTenOptionsTheRunEntryAndRecreatesTheHotSwitch)
{
    ASSERT_TRUE(Open());
    Click(IDC_SHOW_HOTSWITCH);
    Click(IDC_TASKTRAYACTION);
    Click(IDC_SHIFT);
    ChooseRow(9);
    Click(IDOK);
    EXPECT_TRUE(Closed());
    // The hide is sent during OK; the show and the closed notice are posted behind it.
    test::PumpFor(100);
    EXPECT_EQ(test::MainWnd().messages,
              (std::vector<UINT>{WM_HIDE_HOTSWITCH, WM_SHOW_HOTSWITCH, WM_SETTINGS_CLOSED}));

    const long long expected[] = {1, 1, 1, 0, 1, 0, 1, 0, 0, 9};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(Stored(kOptionNames[i]), expected[i]) << kOptionNames[i];
    EXPECT_FALSE(test::HotKeyFree(MOD_SHIFT, VK_F9)) << "the new hot key is registered";

    DWORD type;
    CStringW run = RunValue(&type);
    EXPECT_EQ(type, (DWORD)REG_SZ);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(std::wstring(run.c_str()), RunCommandFor(path).c_str());

    // Without autorun and hot switch: the Run value stays, empty; the hot switch is only closed.
    test::MainWnd().messages.clear();
    ASSERT_TRUE(Open());
    Click(IDC_AUTORUN);
    Click(IDC_SHOW_HOTSWITCH);
    Click(IDOK);
    test::PumpFor(100);
    EXPECT_EQ(test::MainWnd().messages, (std::vector<UINT>{WM_HIDE_HOTSWITCH, WM_SETTINGS_CLOSED}));
    EXPECT_EQ(std::wstring(RunValue(&type).c_str()), L"");
    EXPECT_EQ(type, (DWORD)REG_SZ);
    EXPECT_EQ(Stored("AUTORUN"), 0);
    EXPECT_EQ(Stored("HOTSWITCH"), 0);
}

TEST_F(MainDialogTest, RunCommandIsQuotedOnlyWhenThePathHasASpace)
{
    auto run = [](const std::wstring& path) { return std::wstring(RunCommandFor(path.c_str()).c_str()); };
    EXPECT_EQ(run(L"C:\\Tools\\Hopdeck.exe"), L"C:\\Tools\\Hopdeck.exe");
    EXPECT_EQ(run(L"C:\\Program Files\\Hopdeck.exe"), L"\"C:\\Program Files\\Hopdeck.exe\"");
    std::wstring longPath = L"C:\\" + std::wstring(300, L'x') + L"\\\x65E5\x672C.exe";
    EXPECT_EQ(run(longPath), longPath);
}

TEST_F(MainDialogTest, OutOfRangeStoredValuesShowAsTheyWillBeSaved)
{
    Store("CONTROL", 5);
    Store("WIN", 2);
    Store("SHIFT", (DWORD)-1);
    Store("VIRTUALINDEX", 40);
    ASSERT_TRUE(Open());
    EXPECT_FALSE(Checked(IDC_CONTROL));
    EXPECT_TRUE(Checked(IDC_WIN));
    EXPECT_FALSE(Checked(IDC_SHIFT));
    EXPECT_EQ(ListRow(), -1);
    EXPECT_EQ(RegisteredKeyText(), "  ");
    Click(IDOK);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Stored("VIRTUALINDEX"), 0) << "nothing chosen means no key";
    EXPECT_EQ(Stored("CONTROL"), 0);
    EXPECT_EQ(Stored("SHIFT"), 0);
    EXPECT_EQ(Stored("WIN"), 1);
}

TEST_F(MainDialogTest, HotKeyTakenElsewhereIsRefusedRevertedAndNothingWritten)
{
    StoreHotKey(8, 0, 0, 0, 0);
    HoldStoredHotKey(0, VK_F8);
    // Another owner holds Ctrl+F10.
    ASSERT_TRUE(RegisterHotKey(nullptr, 0x55, MOD_CONTROL, VK_F10));

    ASSERT_TRUE(Open());
    Click(IDC_TASKTRAYACTION);
    ChooseRow(10);
    Click(IDC_CONTROL);
    {
        test::MessageBoxCloser box(GetCurrentProcessId(), CWinApp::Get()->AppName(), 10000, main);
        Click(IDOK);
        ASSERT_TRUE(box.Wait());
        EXPECT_EQ(box.text, L"そのホットキーは既に登録されています。");
        EXPECT_EQ(box.owner, dlg) << "owned by the main window's last active pop-up";
        EXPECT_FALSE(box.watchedEnabled) << "the main window is disabled while the box is shown";
    }
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_FALSE(Closed());
    EXPECT_EQ(ListRow(), 8);
    EXPECT_FALSE(Checked(IDC_CONTROL));
    EXPECT_TRUE(Checked(IDC_TASKTRAYACTION)) << "other edits stay";
    EXPECT_EQ(Stored("TASKTRAYACTION"), -999999);
    EXPECT_EQ(Stored("AUTORUN"), -999999);
    EXPECT_FALSE(test::HotKeyFree(0, VK_F8)) << "the program keeps its key";
    EXPECT_EQ(test::MainWnd().messages, std::vector<UINT>{});

    // A second OK saves the other options with the stored key.
    Click(IDOK);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Stored("TASKTRAYACTION"), 1);
    EXPECT_EQ(Stored("VIRTUALINDEX"), 8);
    EXPECT_FALSE(test::HotKeyFree(0, VK_F8));
    UnregisterHotKey(nullptr, 0x55);
}

TEST_F(MainDialogTest, ChangingTheHotKeyReleasesTheOldOne)
{
    StoreHotKey(5, 0, 0, 0, 0);
    HoldStoredHotKey(0, VK_F5);

    ASSERT_TRUE(Open());
    ChooseRow(6);
    Click(IDOK);
    ASSERT_TRUE(Closed());
    EXPECT_TRUE(test::HotKeyFree(0, VK_F5)) << "a key given up stops switching";
    EXPECT_FALSE(test::HotKeyFree(0, VK_F6));

    // Back to F5 in the same run: accepted, not refused by our own registration.
    ASSERT_TRUE(Open());
    ChooseRow(5);
    Click(IDOK);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(Stored("VIRTUALINDEX"), 5);
    EXPECT_FALSE(test::HotKeyFree(0, VK_F5));
    EXPECT_TRUE(test::HotKeyFree(0, VK_F6));

    // No key: the old one is released.
    ASSERT_TRUE(Open());
    ChooseRow(0);
    Click(IDOK);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(Stored("VIRTUALINDEX"), 0);
    EXPECT_TRUE(test::HotKeyFree(0, VK_F5));
}

}  // namespace
