// The monitors dialog in this process, opened from the settings dialog, over
// the test double of dxva2 and over Wine's own.
#include "res/resource.h"
#include "tests/support/DdcDouble.h"
#include "tests/support/TestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

class MonitorsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetMain();
        *DdcDouble() = {};
    }
    void TearDown() override
    {
        test::UseDdcDouble(L"window_tests.exe", false);
        test::ResetMain();
    }
    HWND Open()
    {
        PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
        settings = test::FindWindowOf(GetCurrentProcessId(), L"設定/ホットキー登録");
        test::Click(settings, IDC_MONITORS);
        return dlg = test::FindWindowOf(GetCurrentProcessId(), L"モニター");
    }
    // Each row: name / current input / on switch.
    std::wstring Rows() const
    {
        std::wstring rows;
        const int count = (int)SendDlgItemMessageW(dlg, IDC_MONITOR_LIST, LVM_GETITEMCOUNT, 0, 0);
        for (int row = 0; row < count; ++row)
            for (int column = 0; column < 3; ++column) {
                wchar_t text[64] = L"";
                LVITEMW item = {0, 0, column, 0, 0, text, 64, 0, 0, 0, 0, 0, nullptr, nullptr, 0};
                SendDlgItemMessageW(dlg, IDC_MONITOR_LIST, LVM_GETITEMTEXTW, row, (LPARAM)&item);
                rows += std::wstring(column ? L" / " : row ? L"; " : L"") + text;
            }
        return rows;
    }
    // The choices offered for the selected monitor.
    std::wstring Inputs() const
    {
        std::wstring inputs;
        const int count = (int)SendDlgItemMessageW(dlg, IDC_MONITOR_INPUT, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            wchar_t text[64] = L"";
            SendDlgItemMessageW(dlg, IDC_MONITOR_INPUT, CB_GETLBTEXT, i, (LPARAM)text);
            inputs += (i ? L", " : L"") + std::wstring(text);
        }
        return inputs;
    }
    void Choose(int entry) const
    {
        SendDlgItemMessageW(dlg, IDC_MONITOR_INPUT, CB_SETCURSEL, entry, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_MONITOR_INPUT, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, IDC_MONITOR_INPUT));
    }
    std::wstring Status() const { return test::Text(GetDlgItem(dlg, IDC_MONITOR_STATUS)); }
    static long long Stored(const wchar_t* name)
    {
        const std::wstring identity = test::DoubleIdentity(name);
        return test::GetDword(test::kInProcessProfile, "MONITORS", std::string(identity.begin(), identity.end()).c_str());
    }
    HWND settings = nullptr, dlg = nullptr;
};

TEST_F(MonitorsDialogTest, ReadsTheMonitorsAsideListsTheirInputsAndStoresOnlyWithTheSettingsOk)
{
    test::UseDdcDouble(L"window_tests.exe");
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, kDdcCapsGate);
    const std::wstring unread = L"Hopdeck Test A / 読み取り中... / 変更しない; Hopdeck Test B / 読み取り中... / 変更しない";
    for (int round = 0; round < 2; ++round) {  // dropped by the settings' Cancel, then stored by their OK
        ASSERT_TRUE(Open());
        EXPECT_FALSE(IsWindowEnabled(settings));
        if (round == 0) {
            // A's capabilities are held back, and the dialog, on this thread, answers meanwhile.
            EXPECT_TRUE(test::PumpUntil([&] { return Rows() == unread; }, 3000)) << Rows();
            EXPECT_EQ(Status(), L"モニターを読み取っています...");
            EXPECT_EQ(Inputs(), L"変更しない, DisplayPort 1, DisplayPort 2, HDMI 1, HDMI 2, USB-C, DVI 1, DVI 2, "
                                L"VGA 1, VGA 2, その他の値...");
            SetEvent(gate);
        }
        ASSERT_TRUE(test::PumpUntil([&] { return Status().empty(); }, 5000)) << Rows() << Status();
        EXPECT_EQ(Rows(), L"Hopdeck Test A / DisplayPort 1 / 変更しない; Hopdeck Test B / HDMI 1 / 変更しない");
        EXPECT_EQ(Inputs(), L"変更しない, DisplayPort 1, HDMI 1, HDMI 2, その他の値...") << "A's own";
        Choose(3);
        LVITEMW second = {};
        second.stateMask = second.state = LVIS_SELECTED;
        SendDlgItemMessageW(dlg, IDC_MONITOR_LIST, LVM_SETITEMSTATE, 1, (LPARAM)&second);
        Choose(10);  // another value, typed in
        SetDlgItemTextW(dlg, IDC_MONITOR_VALUE, L"1b");
        EXPECT_EQ(Rows(), L"Hopdeck Test A / DisplayPort 1 / HDMI 2; Hopdeck Test B / HDMI 1 / USB-C");
        test::Click(dlg, IDOK);
        EXPECT_FALSE(IsWindow(dlg));
        EXPECT_TRUE(IsWindowEnabled(settings));
        EXPECT_EQ(Stored(L"Hopdeck Test A"), test::kMissing) << "not before the settings' OK";
        test::Click(settings, round ? IDOK : IDCANCEL);
        EXPECT_EQ(Stored(L"Hopdeck Test B"), round ? 0x1B : test::kMissing);
    }
    EXPECT_EQ(Stored(L"Hopdeck Test A"), 0x12);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(test::PumpUntil([&] { return Status().empty(); }, 5000));
    EXPECT_EQ(Rows(), L"Hopdeck Test A / DisplayPort 1 / HDMI 2; Hopdeck Test B / HDMI 1 / USB-C");
    test::ResetMain();

    // Wine's own dxva2 answers nothing, once the double is no longer loaded.
    test::UseDdcDouble(L"window_tests.exe", false);
    ASSERT_TRUE(test::PumpUntil([] { return !GetModuleHandleW(L"dxva2.dll"); }, 3000));
    ASSERT_TRUE(Open());
    EXPECT_TRUE(test::PumpUntil([&] { return Status() == L"DDC/CI に応答するモニターはありません。"; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_MONITOR_INPUT)));
    CloseHandle(gate);
}

}  // namespace
