// The monitors dialog in this process, opened from the settings dialog, over
// the test double of dxva2 and over Wine's own.
#include "res/resource.h"
#include "tests/support/DdcDouble.h"
#include "tests/support/TestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <initguid.h>
#include <hidclass.h>

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
    // Each row: name / current input / on switch / this PC.
    std::wstring Rows() const { return test::ListText(GetDlgItem(dlg, IDC_MONITOR_LIST), 4, L" / "); }
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
    void Choose(int entry, int id = IDC_MONITOR_INPUT) const
    {
        SendDlgItemMessageW(dlg, id, CB_SETCURSEL, entry, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, id));
    }
    std::wstring Status() const { return test::Text(GetDlgItem(dlg, IDC_MONITOR_STATUS)); }
    static long long Stored(const wchar_t* name, const char* section = "MONITORS")
    {
        const std::wstring identity = test::DoubleIdentity(name);
        return test::GetDword(test::kInProcessProfile, section, std::string(identity.begin(), identity.end()).c_str());
    }
    HWND settings = nullptr, dlg = nullptr;
};

TEST_F(MonitorsDialogTest, ReadsTheMonitorsAsideListsTheirInputsAndStoresOnlyWithTheSettingsOk)
{
    test::UseDdcDouble(L"window_tests.exe");
    HANDLE gate = CreateEventW(nullptr, TRUE, FALSE, kDdcCapsGate);
    const std::wstring unread =
        L"Hopdeck Test A / 読み取り中... / 変更しない / 変更しない; Hopdeck Test B / 読み取り中... / 変更しない / 変更しない";
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
        EXPECT_EQ(Rows(), L"Hopdeck Test A / DisplayPort 1 / 変更しない / 変更しない; Hopdeck Test B / HDMI 1 / 変更しない / 変更しない");
        EXPECT_EQ(Inputs(), L"変更しない, DisplayPort 1, HDMI 1, HDMI 2, その他の値...") << "A's own";
        // A to HDMI 2 on a switch: what A shows now (reported as 0x0F0F) is
        // proposed as this PC's input.
        Choose(3);
        test::SelectRow(GetDlgItem(dlg, IDC_MONITOR_LIST), 1);
        Choose(4, IDC_MONITOR_HOME_INPUT);  // B's own choice for this PC is kept
        Choose(10);  // another value, typed in
        SetDlgItemTextW(dlg, IDC_MONITOR_VALUE, L"1b");
        const std::wstring chosen =
            L"Hopdeck Test A / DisplayPort 1 / HDMI 2 / DisplayPort 1; Hopdeck Test B / HDMI 1 / USB-C / HDMI 2";
        EXPECT_EQ(Rows(), chosen);
        test::Click(dlg, IDOK);
        EXPECT_FALSE(IsWindow(dlg));
        EXPECT_TRUE(IsWindowEnabled(settings));
        EXPECT_EQ(Stored(L"Hopdeck Test A"), test::kMissing) << "not before the settings' OK";
        test::Click(settings, round ? IDOK : IDCANCEL);
        EXPECT_EQ(Stored(L"Hopdeck Test B"), round ? 0x1B : test::kMissing);
        EXPECT_EQ(Stored(L"Hopdeck Test B", "MONITORSHOME"), round ? 0x12 : test::kMissing);
    }
    EXPECT_EQ(Stored(L"Hopdeck Test A"), 0x12);
    EXPECT_EQ(Stored(L"Hopdeck Test A", "MONITORSHOME"), 0x0F);
    ASSERT_TRUE(Open());
    EXPECT_TRUE(test::PumpUntil([&] { return Status().empty(); }, 5000));
    EXPECT_EQ(Rows(), L"Hopdeck Test A / DisplayPort 1 / HDMI 2 / DisplayPort 1; Hopdeck Test B / HDMI 1 / USB-C / HDMI 2");
    test::ResetMain();

    // Wine's own dxva2 answers nothing, once the double is no longer loaded.
    test::UseDdcDouble(L"window_tests.exe", false);
    ASSERT_TRUE(test::PumpUntil([] { return !GetModuleHandleW(L"dxva2.dll"); }, 3000));
    ASSERT_TRUE(Open());
    EXPECT_TRUE(test::PumpUntil([&] { return Status() == L"DDC/CI に応答するモニターはありません。"; }, 5000));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_MONITOR_INPUT)));
    CloseHandle(gate);
}

TEST_F(MonitorsDialogTest, DetectTakesTheFirstUsbDeviceThatMovesAndOnlyTheSettingsOkStoresIt)
{
    const std::wstring guid = L"#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    auto shown = [&] { return test::Text(GetDlgItem(settings, IDC_USB_DEVICE)); };
    for (int round = 0; round < 3; ++round) {  // dropped by Cancel, stored by OK, cleared
        PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
        settings = test::FindWindowOf(GetCurrentProcessId(), L"設定/ホットキー登録");
        ASSERT_TRUE(settings);
        EXPECT_EQ(shown(), round < 2 ? L"なし" : L"VID_05E3&PID_0610");
        if (round == 2) {
            test::Click(settings, IDC_USB_CLEAR);
            EXPECT_EQ(shown(), L"なし");
        } else {
            test::Click(settings, IDC_USB_DETECT);
            dlg = test::FindWindowOf(GetCurrentProcessId(), L"USBスイッチの検出");
            ASSERT_TRUE(dlg);
            EXPECT_FALSE(IsWindowEnabled(settings) || IsWindowEnabled(GetDlgItem(dlg, IDOK)));
            // A device of another class, then the switch's hub leaving, then its receiver.
            test::SendDeviceChange(dlg, false, (L"\\\\?\\HID#VID_046D&PID_C52B&MI_00#7&1" + guid).c_str(), &GUID_DEVINTERFACE_HID);
            test::SendDeviceChange(dlg, false, (L"\\\\?\\USB#VID_05e3&PID_0610#5&2&0&1" + guid).c_str());
            test::SendDeviceChange(dlg, true, (L"\\\\?\\USB#VID_046D&PID_C52B#5&3&0&2" + guid).c_str());
            EXPECT_TRUE(test::PumpUntil([&] { return IsWindowEnabled(GetDlgItem(dlg, IDOK)); }, 2000));
            EXPECT_EQ(test::Text(GetDlgItem(dlg, IDC_USB_FOUND)), L"VID_05E3&PID_0610") << "no name under Wine";
            test::Click(dlg, IDOK);
            EXPECT_TRUE(!IsWindow(dlg) && IsWindowEnabled(settings));
            EXPECT_EQ(shown(), L"VID_05E3&PID_0610");
        }
        test::Click(settings, round ? IDOK : IDCANCEL);
        EXPECT_EQ(test::GetString(test::kInProcessProfile, "SETTING", "USBDEVICE"),
                  round == 0 ? L"<missing>" : round == 1 ? L"VID_05E3&PID_0610" : L"");
    }
}

}  // namespace
