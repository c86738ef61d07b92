#include "kvm/KvmCommand.h"

namespace {

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if ((c | 0x20) >= L'a' && (c | 0x20) <= L'f') return (c | 0x20) - L'a' + 10;
    return -1;
}

}  // namespace

KvmCommand BuildKvmCommand(const wchar_t* notation, int port)
{
    KvmCommand command;
    auto fail = [&command](CommandError error, const wchar_t* at, int length) {
        command.error = error;
        command.piece = CStringW(at, length);
        command.size = 0;
        return command;
    };
    if (lstrlenW(notation) > kMaxKvmNotation) return fail(CommandError::TooLong, notation, 0);
    for (const wchar_t* p = notation; *p;) {
        char out[8];  // {nn} of a port to 64 is the longest
        int count = 1;   // bytes in out
        int length = 1;  // characters of notation taken
        if (*p == L'\\') {
            // Each character looked at only while the ones before it are there.
            const int high = p[1] == L'x' ? HexValue(p[2]) : -1, low = high < 0 ? -1 : HexValue(p[3]);
            if (low >= 0) {
                out[0] = char(high * 16 + low);
                length = 4;
            } else if (p[1] == L'r' || p[1] == L'n' || p[1] == L'\\' || p[1] == L'{') {
                out[0] = p[1] == L'r' ? '\r' : p[1] == L'n' ? '\n' : char(p[1]);
                length = 2;
            } else {
                return fail(CommandError::BadEscape, p, p[1] ? 2 : 1);
            }
        } else if (*p == L'{') {
            while (p[length] && p[length] != L'}' && length < 8) ++length;
            if (p[length] == L'}') ++length;
            const CStringW field(p, length);
            const wchar_t* f = field.c_str();
            const bool n = !lstrcmpW(f, L"{n}"), nn = !lstrcmpW(f, L"{nn}"), h = !lstrcmpW(f, L"{h}"),
                       b = !lstrcmpW(f, L"{b}");
            if (!n && !nn && !h && !b) return fail(CommandError::UnknownField, p, length);
            // Only a port of the switches' range is written, whoever asks:
            // a number of more digits would not fit.
            if (port < 1 || port > kMaxKvmPort || (nn && port > 99) || (h && port > 35) || (b && port > 255))
                return fail(CommandError::PortTooHigh, p, length);
            if (n || nn) count = wsprintfA(out, nn ? "%02d" : "%d", port);
            else out[0] = char(b ? port : port < 10 ? '0' + port : 'A' + port - 10);
        } else if (*p < 0x20 || *p > 0x7E) {
            return fail(CommandError::NotAscii, p, 1);
        } else {
            out[0] = char(*p);
        }
        if (command.size + count > kMaxKvmCommand) return fail(CommandError::TooLong, notation, 0);
        for (int i = 0; i < count; ++i) command.bytes[command.size++] = BYTE(out[i]);
        p += length;
    }
    if (!command.size) return fail(CommandError::Empty, notation, 0);
    return command;
}
