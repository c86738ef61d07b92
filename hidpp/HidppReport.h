// HID++ 2.0 reports as Logitech's receivers and devices read and write them:
// byte 0 the report id (0x10 short, 7 bytes; 0x11 long, 20 bytes), byte 1
// the device's index (1-6 behind a receiver, 0xFF for a device on its own
// and for the receiver itself), byte 2 the feature's index on that device,
// byte 3 the function in its high nibble and the asker's software id in its
// low one, then the parameters. No window code.
#pragma once
#include <windows.h>

constexpr BYTE kShortReport = 0x10;
constexpr BYTE kLongReport = 0x11;
constexpr int kShortLength = 7;
constexpr int kLongLength = 20;
constexpr int kLongParams = kLongLength - 4;
// The index of a device on its own (Bluetooth, a cable), and of a receiver.
constexpr BYTE kOwnIndex = 0xFF;
// The hosts a device may have: the Easy-Switch devices have three.
constexpr int kMaxHosts = 3;

// The features this program asks for. The root is always at index 0; every
// other one is looked up there, as its index differs from device to device.
enum : WORD {
    kRootFeature = 0x0000,
    kDeviceInfoFeature = 0x0003,
    kDeviceNameFeature = 0x0005,
    kChangeHostFeature = 0x1814,
    kHostsInfoFeature = 0x1815,
};

struct HidppReport {
    BYTE bytes[kLongLength] = {};
    int length = 0;
};

// The software ids of the program's askers, echoed in every answer: each
// thread that may ask at the same time as another has its own, so that none
// takes another's answer (a device's answers reach every open handle, and
// some answers, such as a feature's index, do not repeat the question).
// Other software uses 1-3 and 8-15.
enum HidppAsker : BYTE {
    kWatchAsker = 0x4,
    kChangeAsker = 0x5,
    kReadingAsker = 0x6,
};

// A request of function `function` of the feature at index `feature`, with
// its parameters (16 at most; a short report holds 3), from `asker`.
HidppReport MakeRequest(bool longReport, BYTE device, BYTE feature, BYTE function, const BYTE* params, int count,
                        HidppAsker asker);

// What a report read says of a request: nothing (another device's, a
// notification, a report of the wrong length), its answer (the parameters in
// bytes 4 on), or an error: HID++ 1.0's (byte 2 0x8F: the receiver answers
// for a device asleep or not paired, and a HID++ 1.0 device for itself) or
// HID++ 2.0's (byte 2 0xFF), with its code.
enum class Reply { None, Answer, Error };
Reply ReadReply(const HidppReport& request, const BYTE* report, int length, BYTE* errorCode);

// HID++ 1.0 error codes that matter here.
enum : BYTE {
    kErrorInvalidSubId = 0x01,  // a HID++ 1.0 device (or a receiver) asked a HID++ 2.0 question
    kErrorConnectFail = 0x04,
    kErrorUnknownDevice = 0x08,  // nothing paired at that index
    kErrorResource = 0x09,       // paired, but not reachable: asleep, off, at another host
};

// A keyboard's announcement that it is going to another host (its own
// Easy-Switch key): Change Host's event 0, sent with software id 0 before it
// leaves. *host is where it goes, from 0.
bool ReadHostAnnouncement(const BYTE* report, int length, BYTE device, BYTE changeHost, int* host);
// A receiver's notice of a paired device's link (0x41): *up false when the
// link is not established (the device is asleep, off, or at another host).
bool ReadLinkNotice(const BYTE* report, int length, BYTE* device, bool* up);
