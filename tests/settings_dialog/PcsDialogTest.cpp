// The PCs dialog and a PC's dialog in this process, opened from the settings
// dialog over the test double of dxva2, and what their OKs leave behind.
#include "core/Messages.h"
#include "framework/WinApp.h"
#include "hidpp/HidppLink.h"
#include "res/resource.h"
#include "tests/support/DdcDouble.h"
#include "tests/support/TestSupport.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include <thread>

namespace {

using test::Click;

class PcsDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::ResetMain();
        *DdcDouble() = {};
        test::UseDdcDouble(L"window_tests.exe");
    }
    void TearDown() override
    {
        test::UseDdcDouble(L"window_tests.exe", false);
        test::ResetMain();
    }
    static HWND Find(const wchar_t* title) { return test::FindWindowOf(GetCurrentProcessId(), title); }
    // The list: "number name key [port]" for each PC.
    std::wstring List(int columns = 3) const { return test::ListText(GetDlgItem(pcs, IDC_PC_LIST), columns, L" "); }
    void Choose(HWND dlg, int id, int entry) const
    {
        SendDlgItemMessageW(dlg, id, CB_SETCURSEL, entry, 0);
        SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)GetDlgItem(dlg, id));
    }
    HWND OpenPcs()
    {
        PostMessageW(test::Main(), WM_COMMAND, ID_SETTINGS, 0);
        settings = Find(L"設定/ホットキー登録");
        Click(settings, IDC_PCS);
        return pcs = Find(L"PC一覧");
    }
    // Opens a PC's dialog from the list's button and gives the PC a name and
    // a key (a row, with Control or not).
    HWND Pc(int button, const wchar_t* name = nullptr, int row = -1, bool control = false)
    {
        Click(pcs, button);
        pc = Find(L"PC");
        if (name) SetDlgItemTextW(pc, IDC_PC_NAME, name);
        if (row >= 0) SendDlgItemMessageW(pc, IDC_FUNCTION_KEY, CB_SETCURSEL, row, 0);
        if (control != (SendDlgItemMessageW(pc, IDC_CONTROL, BM_GETCHECK, 0, 0) != 0)) Click(pc, IDC_CONTROL);
        return pc;
    }
    // Presses OK and returns the text of the box it brings, answered; "" when
    // the dialog closes without one.
    static std::wstring Ok(HWND dlg)
    {
        std::wstring text;
        volatile bool closed = false;
        std::thread box([&] {
            test::PumpUntil([&] {
                const auto boxes = test::WindowsOf(GetCurrentProcessId(), CWinApp::Get()->AppNameW());
                if (boxes.empty()) return closed;
                text = test::Text(GetDlgItem(boxes[0], 0xFFFF));
                PostMessageW(boxes[0], WM_COMMAND, IDOK, 0);
                return true;
            }, 5000);
        });
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        test::PumpUntil([&] { return !IsWindow(dlg) || !text.empty(); }, 5000);
        closed = true;
        box.join();
        return text;
    }
    static std::wstring Stored(int number, const char* value = "NAME")
    {
        return test::GetString(test::kInProcessProfile, ("PCS\\" + std::to_string(number)).c_str(), value);
    }
    HWND settings = nullptr, pcs = nullptr, pc = nullptr;
};

TEST_F(PcsDialogTest, PcsAreAddedEditedRemovedAndMovedByTheirRulesAndOnlyTheSettingsOkStoresThem)
{
    for (int round = 0; round < 2; ++round) {  // dropped by the settings' Cancel, then stored by their OK
        ASSERT_TRUE(OpenPcs());
        EXPECT_EQ(List(), L"");
        EXPECT_FALSE(IsWindowEnabled(settings) || IsWindowEnabled(GetDlgItem(pcs, IDC_PC_EDIT)));

        EXPECT_EQ(Ok(Pc(IDC_PC_ADD, L"Work", 10, true)), L"");

        // The second, with an input for monitor A from A's own list, breaks
        // every rule in turn and stays open with its choices.
        Pc(IDC_PC_ADD);
        EXPECT_EQ(test::Text(GetDlgItem(pc, IDC_PC_NAME)), L"PC 2") << "proposed";
        ASSERT_TRUE(test::PumpUntil([&] { return test::Text(GetDlgItem(pc, IDC_MONITOR_STATUS)).empty(); }, 5000));
        // Wine's own HID devices are another maker's: none is listed.
        EXPECT_TRUE(test::PumpUntil([&] {
            return test::Text(GetDlgItem(pc, IDC_DEVICE_STATUS)) == L"ホストを切り替えられるキーボードやマウスは応答しませんでした。";
        }, 5000));
        Choose(pc, IDC_MONITOR_INPUT, 2);
        Pc(0, L"  Lab ", 10, true);
        EXPECT_EQ(Ok(pc), L"Work と Lab のホットキー（F10 + Control）が同じです。どちらかに別のキーを選んでください。");
        Pc(0, L"wORK", 11);
        EXPECT_EQ(Ok(pc), L"「wORK」という名前の PC が 2 台あります。PC ごとに別の名前を付けてください。");
        Pc(0, L"Lab", 58);
        EXPECT_EQ(Ok(pc).substr(0, 26), L"Lab のホットキー H は、Control、Alt");
        Pc(0, L" ");
        EXPECT_EQ(Ok(pc), L"PC 2 に名前を付けてください。");
        Pc(0, L"Lab", 11, true);
        EXPECT_EQ(Ok(pc), L"");
        Pc(IDC_PC_ADD, L"Home & Co", 12);
        EXPECT_EQ(Ok(pc), L"");
        EXPECT_EQ(List(), L"1 Work F10 + Control; 2 Lab F11 + Control; 3 Home & Co F12");

        // Removed, the PCs after it move up; moved, the selection follows.
        test::SelectRow(GetDlgItem(pcs, IDC_PC_LIST), 0);
        Click(pcs, IDC_PC_REMOVE);
        Click(pcs, IDC_PC_DOWN);
        EXPECT_EQ(List(), L"1 Home & Co F12; 2 Lab F11 + Control");
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(pcs, IDC_PC_DOWN)));
        test::SelectRow(GetDlgItem(pcs, IDC_PC_LIST), 1);
        EXPECT_EQ(Ok(Pc(IDC_PC_EDIT, nullptr, 0, true)), L"");
        EXPECT_EQ(List(), L"1 Home & Co F12; 2 Lab なし");
        EXPECT_EQ(Ok(pcs), L"");

        // The settings' OK keeps the switch's key apart from the PCs', the first's too.
        SendDlgItemMessageW(settings, IDC_FUNCTION_KEY, CB_SETCURSEL, 12, 0);
        EXPECT_EQ(Ok(settings), L"「PCの切り替え」 と Home & Co のホットキー（F12）が同じです。どちらかに別のキーを選んでください。");
        SendDlgItemMessageW(settings, IDC_FUNCTION_KEY, CB_SETCURSEL, 0, 0);
        if (round == 0) Click(settings, IDCANCEL);
        else EXPECT_EQ(Ok(settings), L"");
        EXPECT_FALSE(IsWindow(settings));
        EXPECT_EQ(Stored(1), round ? L"Home & Co" : L"<missing>");
    }
    EXPECT_EQ(Stored(2) + L" " + Stored(3), L"Lab <missing>");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "PCS\\1", "VIRTUALINDEX"), 12);
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "PCS\\2", "VIRTUALINDEX"), 0);
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "PCS\\2", "CONTROL"), 1);
    const std::wstring a = test::DoubleIdentity(L"Hopdeck Test A");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "PCS\\2\\MONITORS", std::string(a.begin(), a.end()).c_str()), 0x11);

    // The menu holds the PCs below the switch, a name's "&" as it is.
    std::wstring items;
    std::thread menu([&] {
        HWND window = test::FindWindowOf(GetCurrentProcessId(), nullptr, L"#32768");
        HMENU m = (HMENU)SendMessageW(window, MN_GETHMENU, 0, 0);
        for (int i = 0; i < GetMenuItemCount(m); ++i) {
            wchar_t text[64] = L"";
            GetMenuStringW(m, i, text, 64, MF_BYPOSITION);
            items += std::wstring(i ? L"|" : L"") + text;
        }
        PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    SendMessageW(test::Main(), WM_TRAYICON, 0, WM_RBUTTONDOWN);
    menu.join();
    EXPECT_EQ(items, L"PCの切り替え|Home && Coへ切り替え|Labへ切り替え||設定||終了(&X)");
}

// The KVM switch's control port: a preset fills it, Test connects and sends
// nothing, OK refuses what could not be sent, and the settings' OK stores it
// with each PC's port and the mark of this PC.
TEST_F(PcsDialogTest, TheControlPortIsFilledTestedAndCheckedBeforeItIsStored)
{
    test::KvmListener kvm;
    ASSERT_TRUE(OpenPcs());
    Pc(IDC_PC_ADD, L"Lab", 0);
    SendDlgItemMessageW(pc, IDC_PC_KVM_PORT, CB_SETCURSEL, 40, 0);
    Click(pc, IDC_PC_THIS);
    EXPECT_EQ(Ok(pc), L"");
    EXPECT_EQ(List(4), L"1 Lab（このPC） なし 40");
    Choose(pcs, IDC_KVM_PRESET, 2);  // TESmart over the network
    auto text = [&](int id) { return test::Text(GetDlgItem(pcs, id)); };
    EXPECT_EQ(text(IDC_KVM_HOST) + L" " + text(IDC_KVM_TCP_PORT) + L" " + text(IDC_KVM_COMMAND),
              L"192.168.1.10 5000 \\xAA\\xBB\\x03\\x01{b}\\xEE");
    const std::wstring port = std::to_wstring(kvm.Port()), link = L"127.0.0.1:" + port;
    SetDlgItemTextW(pcs, IDC_KVM_HOST, L"127.0.0.1");
    SetDlgItemTextW(pcs, IDC_KVM_TCP_PORT, port.c_str());
    std::wstring tested;
    std::thread box([&] { tested = test::AnswerBox(GetCurrentProcessId(), CWinApp::Get()->AppNameW()); });
    Click(pcs, IDC_KVM_TEST);
    SetDlgItemTextW(pcs, IDC_KVM_HOST, L"10.0.0.1");  // changed while the test is on its way
    test::PumpUntil([&] { return !tested.empty(); }, 5000);
    box.join();
    EXPECT_EQ(tested, link + L" に接続できました（何も送っていません）。") << "the link tested";
    ASSERT_EQ(kvm.Received().size(), 1u);
    EXPECT_EQ(kvm.Received()[0].first, "");

    SetDlgItemTextW(pcs, IDC_KVM_HOST, L"");
    EXPECT_EQ(Ok(pcs), L"KVM スイッチの接続「:" + port +
                           L"」は、COM ポート（COM1～COM256、速度は 1200～115200）でも、ホスト:ポート（ポートは 1～65535）でもありません。");
    SetDlgItemTextW(pcs, IDC_KVM_HOST, L"127.0.0.1");
    SetDlgItemTextW(pcs, IDC_KVM_COMMAND, L"X{h},1$");
    EXPECT_EQ(Ok(pcs), L"Lab の KVM のポート 40 は、コマンドの {h} では表せません（{nn} は 99、{h} は 35、{b} は 255 まで）。");
    SetDlgItemTextW(pcs, IDC_KVM_COMMAND, L"caf\u00e9{b}");
    EXPECT_EQ(Ok(pcs), L"KVM スイッチのコマンドの「\u00e9」はそのままでは送れません。\\xHH で書いてください。");
    SetDlgItemTextW(pcs, IDC_KVM_COMMAND, L"{b}");
    EXPECT_EQ(Ok(pcs), L"");
    EXPECT_EQ(Ok(settings), L"");
    EXPECT_EQ(test::GetString(test::kInProcessProfile, "SETTING", "KVMLINK") + L" " +
                  test::GetString(test::kInProcessProfile, "SETTING", "KVMCOMMAND"),
              link + L" {b}");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "PCS\\1", "KVMPORT"), 40);
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, "SETTING", "THISPC"), 1);
}

// A PC's keyboards and mice, over the desk's double: read aside, each with
// its host now and its hosts' names; one that does not answer keeps its
// choice; a host past those a device has is refused at OK; the choice is
// stored with the settings' OK.
TEST_F(PcsDialogTest, APcsKeyboardsAndMiceAreReadAsideChosenAndStoredWithTheSettingsOk)
{
    test::HidppDesk desk;
    test::UseHidDouble(L"window_tests.exe");
    desk.SetState(test::HidppDesk::kK380, test::HidppDesk::kAsleep);
    const char kDevices[] = "PCS\\1\\DEVICES";
    test::SetString(test::kInProcessProfile, "PCS\\1", "NAME", L"Lab");
    test::SetDword(test::kInProcessProfile, kDevices, "B34200000000-99AABBCC|K380", 2);
    test::SetDword(test::kInProcessProfile, kDevices, "B02340820000-5E6F7081|MX Master 3", 3);
    ASSERT_TRUE(OpenPcs());
    test::SelectRow(GetDlgItem(pcs, IDC_PC_LIST), 0);
    Pc(IDC_PC_EDIT);
    HWND devices = GetDlgItem(pc, IDC_DEVICE_LIST);
    auto rows = [&] { return test::ListText(devices, 3, L" / "); };
    EXPECT_TRUE(test::PumpUntil([&] { return SendMessageW(devices, LVM_GETITEMCOUNT, 0, 0) == 3; }, 8000)) << rows();
    EXPECT_EQ(rows(), L"MX Keys / ホスト 1 (THIS-PC) / 変更しない; MX Master 3 / ホスト 1 / ホスト 3; K380 / 応答なし / ホスト 2");
    EXPECT_EQ(test::Text(GetDlgItem(pc, IDC_DEVICE_STATUS)), L"1 台が応答しません（スリープ中か、ほかの PC につながっています）。");
    EXPECT_EQ(Ok(pc), L"MX Master 3 のホストは 2 までです。");
    test::SelectRow(devices, 1);
    Choose(pc, IDC_DEVICE_HOST, 0);
    test::SelectRow(devices, 0);
    std::wstring hosts;
    for (int i = 0; i < (int)SendDlgItemMessageW(pc, IDC_DEVICE_HOST, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[64] = L"";
        SendDlgItemMessageW(pc, IDC_DEVICE_HOST, CB_GETLBTEXT, i, (LPARAM)text);
        hosts += (i ? L", " : L"") + std::wstring(text);
    }
    EXPECT_EQ(hosts, L"変更しない, ホスト 1 (THIS-PC), ホスト 2 (ALICE-WORK-LAPTOP), ホスト 3") << "named where the device tells";
    Choose(pc, IDC_DEVICE_HOST, 2);
    EXPECT_EQ(Ok(pc), L"");
    EXPECT_EQ(Ok(pcs), L"");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, kDevices, "B35B408A0000-1A2B3C4D|MX Keys"), test::kMissing)
        << "not before the settings' OK";
    EXPECT_EQ(Ok(settings), L"");
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, kDevices, "B35B408A0000-1A2B3C4D|MX Keys"), 2);
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, kDevices, "B34200000000-99AABBCC|K380"), 2) << "kept";
    EXPECT_EQ(test::GetDword(test::kInProcessProfile, kDevices, "B02340820000-5E6F7081|MX Master 3"), test::kMissing);
    EXPECT_TRUE(desk.Violations().empty());

    // Two askers at once (the watch and the dialog's reading, say) each take
    // their own answer, though a feature's index does not repeat the question.
    HidppLink links[kMaxHidppLinks];
    ASSERT_GE(ListHidppLinks(links, kMaxHidppLinks), 1);
    CHidppChannel watch, reading;
    ASSERT_TRUE(watch.Open(links[0], kWatchAsker) && reading.Open(links[0], kReadingAsker));
    const BYTE deviceInfo[2] = {0x00, 0x03}, changeHost[2] = {0x18, 0x14};
    BYTE answer[kLongParams] = {}, code = 0;
    EXPECT_TRUE(watch.Send(1, 0, 0, deviceInfo, 2));
    EXPECT_EQ(reading.Ask(1, 0, 0, changeHost, 2, answer, &code), CHidppChannel::kAnswered);
    EXPECT_EQ(answer[0], 0x0A) << "the keyboard's Change Host, not its Device Information";
    test::UseHidDouble(L"window_tests.exe", false);
}

}  // namespace
