// The command that tells a KVM switch which port to show, written in a
// notation of its own: {n} the port number in decimal, {nn} in two digits,
// {h} as one character (1-9, then A-Z for 10 and up), {b} as one byte;
// \xHH a byte, \r, \n, \\ and \{ for themselves. Everything else is sent as it
// is written, and must be ASCII. No window code.
#pragma once
#include "framework/String.h"
#include <windows.h>

constexpr int kMaxKvmPort = 64;
constexpr int kMaxKvmCommand = 256;    // bytes
constexpr int kMaxKvmNotation = 1024;  // characters of notation

enum class CommandError {
    None,
    BadEscape,     // \ not followed by xHH, r, n, \ or {
    UnknownField,  // {...} other than {n}, {nn}, {h}, {b}
    NotAscii,      // a character the command cannot hold as it is
    Empty,         // nothing to send
    TooLong,       // more than kMaxKvmCommand bytes, or kMaxKvmNotation characters
    PortTooHigh,   // the port cannot be said ({h} past 35, {nn} past 99, any past kMaxKvmPort)
};

struct KvmCommand {
    BYTE bytes[kMaxKvmCommand];
    int size = 0;
    CommandError error = CommandError::None;
    CStringW piece;  // where the notation went wrong (the field, for PortTooHigh)
};

// The command for KVM port `port`, all or nothing: with an error, size is 0.
KvmCommand BuildKvmCommand(const wchar_t* notation, int port);
