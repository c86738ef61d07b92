// A KVM switch's control port and command as the profile and the settings
// write them: what is taken, what is refused, and the bytes that go out.
#include "kvm/KvmCommand.h"
#include "kvm/KvmLink.h"
#include <gtest/gtest.h>
#include <string>

namespace {

TEST(KvmLink, IsACommPortOrHostAndPortAndNothingElse)
{
    const struct {
        const wchar_t* text;
        const wchar_t* read;  // as stored again; null: refused
    } cases[] = {
        {L"", L""}, {L"COM3", L"COM3"}, {L"com3:115200", L"COM3:115200"}, {L"COM256:1200", L"COM256:1200"},
        {L"COM3:9600", L"COM3"}, {L"192.168.1.10:5000", L"192.168.1.10:5000"},
        {L"kvm.home.arpa:5000", L"kvm.home.arpa:5000"}, {L"computer:23", L"computer:23"},
        {L"com1-kvm.lan:5000", L"com1-kvm.lan:5000"}, {L"COM3x:5000", L"COM3x:5000"},
        {L"COM0", nullptr}, {L"COM999", nullptr}, {L"COM3:300", nullptr}, {L"COM3:230400", nullptr},
        {L"COM3:", nullptr}, {L"host:0", nullptr}, {L"host:70000", nullptr}, {L":5000", nullptr},
        {L"host", nullptr}, {L"my host:5000", nullptr}, {L"[::1]:5000", nullptr},
    };
    for (const auto& c : cases) {
        KvmLink link;
        const bool parsed = ParseKvmLink(c.text, &link);
        EXPECT_STREQ(parsed ? FormatKvmLink(link).c_str() : L"<refused>", c.read ? c.read : L"<refused>") << c.text;
    }
    KvmLink link;
    EXPECT_FALSE(ParseKvmLink((std::wstring(296, L'a') + L":5000").c_str(), &link)) << "300 characters";
}

TEST(KvmCommand, SaysThePortAsTheNotationAsksOrSendsNothing)
{
    const struct {
        const wchar_t* notation;
        int port;
        std::string bytes;  // empty: refused with `error`
        CommandError error;
        const wchar_t* piece;
    } cases[] = {
        {L"\\xAA\\xBB\\x03\\x01{b}\\xEE", 3, "\xAA\xBB\x03\x01\x03\xEE", CommandError::None, L""},
        {L"X{h},1$", 10, "XA,1$", CommandError::None, L""},
        {L"X{h},1$", 9, "X9,1$", CommandError::None, L""},
        {L"sw i{nn}\\r", 4, "sw i04\r", CommandError::None, L""},
        {L"{n}!\\n\\\\\\{n}\\x00", 12, std::string("12!\n\\{n}\0", 9), CommandError::None, L""},
        {L"\\xZ1", 1, "", CommandError::BadEscape, L"\\x"},
        {L"ab\\", 1, "", CommandError::BadEscape, L"\\"},
        {L"{port}", 1, "", CommandError::UnknownField, L"{port}"},
        {L"{n", 1, "", CommandError::UnknownField, L"{n"},
        {L"sw\u3000i{n}", 1, "", CommandError::NotAscii, L"\u3000"},
        {L"caf\u00e9", 1, "", CommandError::NotAscii, L"\u00e9"},
        {L"", 1, "", CommandError::Empty, L""},
        {L"X{h},1$", 36, "", CommandError::PortTooHigh, L"{h}"},
        {L"{b}", 256, "", CommandError::PortTooHigh, L"{b}"},
        {L"sw i{nn}", 100, "", CommandError::PortTooHigh, L"{nn}"},
        // Past the switches' ports, whoever asks; the widest number must not
        // be written into the command's room for one field.
        {L"{n}", 65, "", CommandError::PortTooHigh, L"{n}"},
        {L"{n}", 2147483647, "", CommandError::PortTooHigh, L"{n}"},
        {L"{n}", 0, "", CommandError::PortTooHigh, L"{n}"},
    };
    for (const auto& c : cases) {
        const KvmCommand command = BuildKvmCommand(c.notation, c.port);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(command.bytes), command.size), c.bytes) << c.notation;
        EXPECT_EQ(command.error, c.error) << c.notation;
        EXPECT_STREQ(command.piece.c_str(), c.piece) << c.notation;
    }
    EXPECT_EQ(BuildKvmCommand(std::wstring(129, L'x').append(L"{n}").c_str(), 64).error, CommandError::None);
    EXPECT_EQ(BuildKvmCommand(std::wstring(256, L'x').append(L"{n}").c_str(), 1).error, CommandError::TooLong);
}

}  // namespace
