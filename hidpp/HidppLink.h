// The ways to Logitech devices that speak HID++, as Windows shows them: a
// receiver (Unifying, Bolt, Lightspeed), whose HID++ interface is two
// top-level collections (usage page 0xFF00, usage 1 for the short reports,
// 2 for the long ones), or a device on its own over Bluetooth, with one
// collection of long reports (0xFF43, or 0xFF00 usage 2). Each collection is
// a device path of its own; a link is the collections of one device.
//
// Only these collections are ever written to: never a keyboard's or mouse's
// ordinary collections, nor another maker's. setupapi.dll and hid.dll come
// from the system folder, loaded for each listing. No window code.
#pragma once
#include "framework/String.h"
#include "hidpp/HidppReport.h"

constexpr int kMaxHidppLinks = 8;

struct HidppLink {
    CStringW shortPath;  // empty for a device on its own
    CStringW longPath;
    bool receiver = false;
};

// The links there are now (at most max). One without its long collection
// cannot be opened: every answer may come as a long report.
int ListHidppLinks(HidppLink* links, int max);

// A link opened for reading and writing, shared with whatever else has it
// open (the maker's own software may): each of its collections is read all
// the time, and every open handle of a collection receives every report.
class CHidppChannel {
public:
    CHidppChannel() = default;
    ~CHidppChannel() { Close(); }
    CHidppChannel(const CHidppChannel&) = delete;
    CHidppChannel& operator=(const CHidppChannel&) = delete;

    // Opened for `asker`, whose software id its questions carry.
    bool Open(const HidppLink& link, HidppAsker asker);
    void Close();
    bool Receiver() const { return m_receiver; }

    enum Outcome {
        kAnswered,  // *answer holds the answer's 16 parameter bytes
        kRefused,   // an error, with *code
        kNoAnswer,  // none within a second (a device asleep may never answer)
        kGone,      // the link is gone (a receiver pulled out, a device gone to another host)
        kStopped,   // `stop` was set
    };
    // Asks device `device` function `function` of the feature at `feature`,
    // and waits for its answer, a second at most, or until `stop` is set.
    Outcome Ask(BYTE device, BYTE feature, BYTE function, const BYTE* params, int count, BYTE* answer, BYTE* code,
                HANDLE stop = nullptr);
    // Sends a request that is never answered (a device that changes host
    // leaves at once). False when it could not be written.
    bool Send(BYTE device, BYTE feature, BYTE function, const BYTE* params, int count);

    // For a watcher of the reports: the events set when a read is over, one
    // per collection; the report read (and the next read started), or false
    // when the collection failed (gone) or the read was no report.
    int Collections() const { return m_count; }
    HANDLE ReadEvent(int i) const { return m_collection[i].read.hEvent; }
    enum Read { kNothing, kReport, kFailed };
    Read TakeReport(int i, BYTE* report, int* length);

private:
    struct Collection {
        HANDLE handle = INVALID_HANDLE_VALUE;
        OVERLAPPED read = {};
        BYTE buffer[kLongLength] = {};
        int length = 0;
        bool reading = false;
    };
    bool OpenCollection(Collection& c, const CStringW& path, int length);
    bool StartRead(Collection& c);
    bool Write(const HidppReport& request);

    Collection m_collection[2];
    int m_count = 0;
    int m_short = -1, m_long = -1;  // which collection writes which report
    bool m_receiver = false;
    HidppAsker m_asker = kChangeAsker;
};
