#include "hidpp/HidppReport.h"

HidppReport MakeRequest(bool longReport, BYTE device, BYTE feature, BYTE function, const BYTE* params, int count,
                        HidppAsker asker)
{
    HidppReport request;
    request.length = longReport ? kLongLength : kShortLength;
    request.bytes[0] = longReport ? kLongReport : kShortReport;
    request.bytes[1] = device;
    request.bytes[2] = feature;
    request.bytes[3] = BYTE(function << 4 | asker);
    for (int i = 0; i < count && 4 + i < request.length; ++i) request.bytes[4 + i] = params[i];
    return request;
}

Reply ReadReply(const HidppReport& request, const BYTE* report, int length, BYTE* errorCode)
{
    // The report's id says its length; anything else is no HID++ report.
    if (length < kShortLength || length != (report[0] == kShortReport ? kShortLength : kLongLength) ||
        (report[0] != kShortReport && report[0] != kLongReport) || report[1] != request.bytes[1])
        return Reply::None;
    if ((report[2] == 0x8F || report[2] == 0xFF) && report[3] == request.bytes[2] && report[4] == request.bytes[3]) {
        *errorCode = report[5];
        return Reply::Error;
    }
    return report[2] == request.bytes[2] && report[3] == request.bytes[3] ? Reply::Answer : Reply::None;
}

bool ReadHostAnnouncement(const BYTE* report, int length, BYTE device, BYTE changeHost, int* host)
{
    if (length != kLongLength || report[0] != kLongReport || report[1] != device || !changeHost ||
        report[2] != changeHost || report[3] != 0 || report[4] == report[5])
        return false;
    *host = report[5];
    return true;
}

bool ReadLinkNotice(const BYTE* report, int length, BYTE* device, bool* up)
{
    if (length != kShortLength || report[0] != kShortReport || report[2] != 0x41 || report[1] < 1 || report[1] > 6)
        return false;
    *device = report[1];
    *up = !(report[4] & 0x40);
    return true;
}
