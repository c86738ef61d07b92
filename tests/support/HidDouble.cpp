// hid.dll as a test double, for a Wine prefix's system folder: it answers from
// HidDoubleTable.h for the handles of its collections (pipes of the test's
// HidppDesk), whose preparsed data is their entry in the table. Other handles
// fail as no HID device's do, those of a collection that went as a removed one's.
#include <windows.h>
extern "C" {
#include <hidsdi.h>
}
#include "tools/driver/HidDoubleTable.h"

namespace {

using Collection = HidDoubleTable::Collection;

Collection* Of(HANDLE handle)
{
    // Under Wine a pipe's client handle, one opened with no access included,
    // is named "\<the pipe's name>"; a pipe whose server end closed has none.
    struct { FILE_NAME_INFO info; wchar_t rest[MAX_PATH]; } name = {};
    const bool named = GetFileInformationByHandleEx(handle, FileNameInfo, &name, sizeof name - sizeof(wchar_t));
    DWORD error = named ? ERROR_INVALID_FUNCTION : ERROR_DEVICE_NOT_CONNECTED;
    for (Collection& c : HidDouble()->collection)
        if (named && c.path[0] && !lstrcmpiW(c.path + lstrlenW(L"\\\\.\\pipe"), name.info.FileName)) {
            if (c.present) return &c;
            error = ERROR_DEVICE_NOT_CONNECTED;
        }
    SetLastError(error);
    return nullptr;
}

const Collection* Parsed(PHIDP_PREPARSED_DATA data)
{
    const auto* c = reinterpret_cast<const Collection*>(data);
    const Collection* first = HidDouble()->collection;
    return c >= first && c < first + 16 ? c : nullptr;
}

}  // namespace

#define EXPORT extern "C" __declspec(dllexport)

EXPORT BOOLEAN NTAPI HidD_GetAttributes(HANDLE handle, PHIDD_ATTRIBUTES attributes)
{
    const Collection* c = Of(handle);
    if (!c) return FALSE;
    *attributes = {sizeof *attributes, c->vendor, c->product, c->version};
    return TRUE;
}

EXPORT BOOLEAN NTAPI HidD_GetPreparsedData(HANDLE handle, PHIDP_PREPARSED_DATA* data)
{
    Collection* c = Of(handle);
    if (!c) return FALSE;
    *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(c);
    InterlockedIncrement(&HidDouble()->preparsed);
    return TRUE;
}

EXPORT BOOLEAN NTAPI HidD_FreePreparsedData(PHIDP_PREPARSED_DATA data)
{
    if (!Parsed(data)) return FALSE;
    InterlockedDecrement(&HidDouble()->preparsed);
    return TRUE;
}

EXPORT NTSTATUS NTAPI HidP_GetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps)
{
    const Collection* c = Parsed(data);
    if (!c) return HIDP_STATUS_INVALID_PREPARSED_DATA;
    *caps = HIDP_CAPS();
    caps->UsagePage = c->usagePage;
    caps->Usage = c->usage;
    caps->InputReportByteLength = c->inputLength;
    caps->OutputReportByteLength = c->outputLength;
    caps->FeatureReportByteLength = c->featureLength;
    return HIDP_STATUS_SUCCESS;
}

EXPORT BOOLEAN NTAPI HidD_GetProductString(HANDLE handle, PVOID buffer, ULONG length)
{
    const Collection* c = Of(handle);
    if (!c) return FALSE;
    lstrcpynW(static_cast<wchar_t*>(buffer), c->productName, int(length / sizeof(wchar_t)));
    return TRUE;
}

// The report goes down the pipe as a write would, after a mark that tells
// the desk how it came; like WriteFile, it needs a handle opened for writing.
EXPORT BOOLEAN NTAPI HidD_SetOutputReport(HANDLE handle, PVOID report, ULONG length)
{
    const DWORD mark = sizeof kSetOutputReportMark - 1;
    char message[mark + 256];
    if (!Of(handle) || length > sizeof message - mark) return FALSE;
    memcpy(message, kSetOutputReportMark, mark);
    memcpy(message + mark, report, length);
    OVERLAPPED io = {};
    io.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    const bool sent = (WriteFile(handle, message, mark + length, nullptr, &io) || GetLastError() == ERROR_IO_PENDING) &&
                      GetOverlappedResult(handle, &io, &written, TRUE);
    CloseHandle(io.hEvent);
    return sent && written == mark + length;
}
