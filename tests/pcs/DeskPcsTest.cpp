// The PCs of the desk against the real (Wine) registry, as hand edits leave them.
#include "pcs/DeskPcs.h"
#include "tests/support/TestSupport.h"
#include <gtest/gtest.h>

namespace {

const char kProfile[] = "HopdeckPcsTest";

// "name: key [monitor=input ...]" for each PC.
std::wstring Describe(const DeskPcs& pcs)
{
    std::wstring text;
    for (int i = 0; i < pcs.count; ++i) {
        const DeskPc& pc = pcs.pc[i];
        text += (i ? L"; " : L"") + std::wstring(pc.name.c_str()) + L": " + HotKeyText(pc.key).c_str();
        for (int m = 0; m < pc.monitorCount; ++m)
            text += L" " + std::wstring(pc.monitors[m].identity.c_str()) + L"=" + std::to_wstring(pc.monitors[m].input);
        for (int d = 0; d < pc.deviceCount; ++d)
            text += L" " + std::wstring(pc.devices[d].identity.c_str()) + L">" + std::to_wstring(pc.devices[d].host);
    }
    return text;
}

TEST(DeskPcs, AreReadTheSafeWayStoredWithoutGapsAndFoundByNumberOrName)
{
    test::DeleteProfile(kProfile);
    AppSettings().UseRegistry(kRegistryKeyWord, kProfile);
    EXPECT_EQ(ReadPcs().count, 0);
    CRegKey created;
    EXPECT_FALSE(created.Open(HKEY_CURRENT_USER, test::ProfileKey(kProfile, "PCS").c_str(), KEY_READ))
        << "reading creates no PCs";

    // Hand edits: keys that are no PC's number, a gap, names missing, of
    // another type or too long, keys past the table or taken from typing,
    // and monitors' values that are no input.
    const DWORD outOfTable = 200, f5 = 5, h = 58, on = 1, noInput = 0x10012, hdmi = 0x11;
    for (const char* junk : {"0", "9", "abc", "01"}) test::SetString(kProfile, ("PCS\\" + std::string(junk)).c_str(), "NAME", L"junk");
    test::SetDword(kProfile, "PCS\\1", "NAME", 7);
    test::SetDword(kProfile, "PCS\\1", "VIRTUALINDEX", h);  // H alone
    test::SetString(kProfile, "PCS\\3", "NAME", std::wstring(33, L'x').c_str());
    test::SetDword(kProfile, "PCS\\3", "VIRTUALINDEX", outOfTable);
    test::SetRaw(kProfile, "PCS\\3\\MONITORS", "DISPLAY#A|A", REG_DWORD, &noInput, 4);
    test::SetRaw(kProfile, "PCS\\3\\MONITORS", "DISPLAY#B|B", REG_DWORD, &hdmi, 4);
    test::SetRaw(kProfile, "PCS\\3\\MONITORS", "DISPLAY#C|C", REG_SZ, "\x11\0", 2);
    const DWORD host2 = 2, host4 = 4;
    test::SetRaw(kProfile, "PCS\\3\\DEVICES", "K|Keys", REG_DWORD, &host2, 4);
    test::SetRaw(kProfile, "PCS\\3\\DEVICES", "M|Mouse", REG_DWORD, &host4, 4);  // no such host: left where it is
    test::SetRaw(kProfile, "PCS\\3\\DEVICES", "T|Tablet", REG_SZ, "\x02\0", 2);
    test::SetString(kProfile, "PCS\\4", "NAME", std::wstring(32, L'y').c_str());
    test::SetString(kProfile, "PCS\\5", "NAME", L"Home Lab");
    test::SetDword(kProfile, "PCS\\5", "VIRTUALINDEX", f5);
    test::SetDword(kProfile, "PCS\\5", "CONTROL", on);
    const std::wstring y32(32, L'y');
    DeskPcs read = ReadPcs();
    EXPECT_EQ(Describe(read), L"PC 1:   ; PC 2:    DISPLAY#B|B=17 K|Keys>2; " + y32 + L":   ; Home Lab: F5 + Control");

    // The command line's PC: its number, else its name in any case.
    const struct {
        const wchar_t* text;
        int number;
    } names[] = {{L"1", 1}, {L"4", 4}, {L"5", 0}, {L"0", 0}, {L"04", 4}, {L"home lab", 4}, {L"HOME LAB", 4},
                 {L"Home", 0}, {L"pc 2", 2}, {L"99999999999", 0}};
    for (const auto& n : names) EXPECT_EQ(FindPc(read, n.text), n.number) << n.text;
    // Digits are a number first, and a name only past the last PC.
    DeskPcs digits = read;
    digits.pc[3].name = L"2";
    digits.pc[0].name = L"9";
    EXPECT_EQ(FindPc(digits, L"2") * 10 + FindPc(digits, L"9"), 21);

    // Stored as read, then with the second removed: renumbered without gaps,
    // the junk left alone.
    WritePcs(read);
    EXPECT_EQ(Describe(ReadPcs()), Describe(read));
    read.pc[1] = read.pc[2];
    read.pc[2] = read.pc[3];
    read.count = 3;
    WritePcs(read);
    EXPECT_EQ(Describe(ReadPcs()), L"PC 1:   ; " + y32 + L":   ; Home Lab: F5 + Control");
    EXPECT_EQ(test::GetString(kProfile, "PCS\\3", "NAME"), L"Home Lab");
    EXPECT_EQ(test::GetString(kProfile, "PCS\\4", "NAME"), L"<missing>");
    EXPECT_EQ(test::GetString(kProfile, "PCS\\9", "NAME"), L"junk");
    test::DeleteProfile(kProfile);
}

}  // namespace
