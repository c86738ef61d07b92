// A desk of Logitech devices that change the PC they work for over HID++ 2.0,
// as Windows shows them to a program that uses the test doubles of
// setupapi.dll and hid.dll (HidDoubleTable.h): a Unifying receiver with a
// keyboard in slot 1 and a mouse in slot 2, a Bluetooth keyboard on its own,
// and a device of another vendor. Each collection's device path is a pipe of
// the desk's, served on a thread of its own; every handle the program opens
// on it is a connection of its own, and every such handle receives every
// input report of the collection, as with real HID. The desk fills the table
// when made and clears it when destroyed, so a test may make one of its own.
//
// The devices answer HID++ as real ones do, with feature indexes of their own:
//   keyboard "MX Keys": 0x0003 at 2, 0x0005 at 3, 0x1814 at 0x0A, 0x1815 at 0x0B
//     (hosts "THIS-PC", "ALICE-WORK-LAPTOP" and one unpaired);
//   mouse "MX Master 3": 0x0005 at 2, 0x0003 at 3, 0x1814 at 9, no 0x1815, two hosts;
//   "K380" (device index 0xFF, long reports only): 0x0005 at 4, 0x0003 at 5,
//     0x1815 at 7, 0x1814 at 8 (hosts "THIS-PC", "TABLET" and one unpaired).
// The others have 3 hosts; each starts on host 0. The receiver answers its devices'
// requests with long reports on its long collection, whatever collection the
// request came by, and says its own things (HID++ 1.0) with short ones.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace driver {

class HidppDesk {
public:
    // The collections, in the order setupapi lists them.
    enum Collection {
        kReceiverShort,     // 0xFF00/0x0001, reports 0x10 of 7 bytes
        kReceiverLong,      // 0xFF00/0x0002, reports 0x11 of 20 bytes
        kReceiverKeyboard,  // the receiver's keyboard (0x01/0x06): never to be written
        kReceiverMouse,     // the receiver's mouse (0x01/0x02): never to be written
        kK380Long,          // 0xFF43/0x0202, reports 0x11 of 20 bytes
        kForeign,           // vendor 0x1234, 0xFF00/0x0001 of 7 bytes: never to be written
        kForeignLong,       // and its 0xFF00/0x0002 of 20 bytes, a HID++ look-alike: never to be written
        kCollections
    };
    enum Device { kKeyboard, kMouse, kK380, kDevices };
    enum State {
        kAwake,    // answers at once
        kAsleep,   // through the receiver: "not reachable" (1.0 error 0x09) after 300 ms; on its own: nothing
        kSilent,   // nothing answers
        kHidpp10,  // answers every request with 1.0 error 0x01, as a HID++ 1.0 device
    };
    struct Write {
        Collection collection;
        std::string bytes;
        LONGLONG at;            // QueryPerformanceCounter when it arrived
        bool setOutputReport;   // by HidD_SetOutputReport rather than WriteFile
        std::string violation;  // why it should not have been written (then it was not answered); empty if fine
    };

    HidppDesk();
    ~HidppDesk();
    HidppDesk(const HidppDesk&) = delete;
    HidppDesk& operator=(const HidppDesk&) = delete;

    static std::wstring Path(Collection collection);
    // The device that a write tells to go to another host (Change Host's
    // setCurrentHost, at that device's index of the feature), or kDevices.
    static Device HostChangeOf(const Write& write);

    void SetState(Device device, State state);
    // The device's own Easy-Switch key for a host: with `announce`, the
    // host-change notification first and the device leaves 150 ms later (or
    // leaveMs);
    // without, it leaves at once. A device that leaves (so also 50 ms after a
    // setCurrentHost to another host) is reported by the receiver as a link
    // not established, and then answered for with 1.0 error 0x09; the K380's
    // collection goes, as a Bluetooth device's does when it goes to another host.
    void PressEasySwitch(Device device, int host, bool announce, DWORD leaveMs = 150);
    // Back on host 0 and awake: the receiver reports the link established, the K380's collection comes back.
    void ComeBack(Device device);
    // The receiver's collections go, as when it is pulled out (open handles fail), and come back.
    void Unplug();
    void PlugIn();
    // The device's next answer only: cut to that many bytes, replaced by a
    // HID++ 2.0 error of that code, or held back that long.
    void NextAnswerLength(Device device, int bytes);
    void NextAnswerError(Device device, BYTE code);
    void NextAnswerDelay(Device device, DWORD ms);

    int CurrentHost(Device device);
    std::vector<int> HostsSet(Device device);  // every setCurrentHost it received, in turn
    std::vector<Write> Writes();               // everything the program wrote, in turn
    std::vector<Write> Violations();           // those of them with a violation
    int Connections(Collection collection);    // the program's open handles, as far as the desk has seen
    // Pumps this thread's messages until that many writes came.
    bool WaitForWrites(size_t count, DWORD timeoutMs = 5000);

private:
    struct Desk;
    Desk* m_desk;
};

}  // namespace driver
