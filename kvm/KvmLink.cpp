#include "kvm/KvmLink.h"

namespace {

// A decimal number of at most 6 digits that ends the text or stops at `stop`;
// -1 when there is none.
int Number(const wchar_t*& p, wchar_t stop)
{
    int value = 0, digits = 0;
    for (; *p >= L'0' && *p <= L'9' && digits < 7; ++p, ++digits) value = value * 10 + (*p - L'0');
    return digits && digits < 7 && (*p == 0 || *p == stop) ? value : -1;
}

// A host name or an IPv4 address: letters, digits, '-' and '.', 1 to 253
// characters.
bool IsHost(const wchar_t* host, int length)
{
    if (length < 1 || length > 253) return false;
    for (int i = 0; i < length; ++i) {
        const wchar_t c = host[i];
        if (!((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'-' ||
              c == L'.'))
            return false;
    }
    return true;
}

// "COM3" or "COM3:115200" in any case: COM, digits, and digits after a
// colon. Anything else ("com1-kvm.lan:5000", "computer:23") is a host.
bool IsSerialForm(const wchar_t* p)
{
    if ((p[0] | 0x20) != L'c' || (p[1] | 0x20) != L'o' || (p[2] | 0x20) != L'm') return false;
    p += 3;
    for (int part = 0; part < 2; ++part) {
        if (*p < L'0' || *p > L'9') return false;
        while (*p >= L'0' && *p <= L'9') ++p;
        if (!*p) return true;
        if (part || *p++ != L':') return false;
    }
    return false;
}

}  // namespace

const int kSerialSpeeds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
const int kSerialSpeedCount = sizeof kSerialSpeeds / sizeof kSerialSpeeds[0];

bool ParseKvmLink(const wchar_t* text, KvmLink* link)
{
    KvmLink parsed;
    if (!*text) {
        *link = parsed;
        return true;
    }
    const wchar_t* p = text;
    if (IsSerialForm(p)) {
        p += 3;
        parsed.kind = LinkKind::Serial;
        parsed.com = Number(p, L':');
        if (parsed.com < 1 || parsed.com > 256) return false;
        if (*p == L':' && (parsed.speed = Number(++p, 0)) < 1200) return false;
        if (parsed.speed > 115200) return false;
    } else {
        const wchar_t* colon = nullptr;
        for (const wchar_t* c = text; *c; ++c)
            if (*c == L':') colon = c;
        if (!colon || !IsHost(text, int(colon - text))) return false;
        p = colon + 1;
        parsed.kind = LinkKind::Network;
        parsed.host = CStringW(text, int(colon - text));
        parsed.port = Number(p, 0);
        if (parsed.port < 1 || parsed.port > 65535) return false;
    }
    *link = parsed;
    return true;
}

CStringW FormatKvmLink(const KvmLink& link)
{
    wchar_t text[300];
    switch (link.kind) {
    case LinkKind::Serial:
        wsprintfW(text, link.speed == kDefaultSerialSpeed ? L"COM%d" : L"COM%d:%d", link.com, link.speed);
        return text;
    case LinkKind::Network: {
        CStringW network = link.host;
        wsprintfW(text, L":%d", link.port);
        return network += text;
    }
    default: return CStringW();
    }
}

int ListComPorts(int* numbers, int max)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    wchar_t name[256], data[32];
    for (DWORD i = 0; count < max; ++i) {
        DWORD nameLength = 256, size = sizeof data - sizeof(wchar_t), type = 0;
        const LONG result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS || type != REG_SZ) continue;
        data[size / sizeof(wchar_t)] = 0;
        KvmLink link;
        if (!ParseKvmLink(data, &link) || link.kind != LinkKind::Serial) continue;
        // In order, once each.
        int at = 0;
        while (at < count && numbers[at] < link.com) ++at;
        if (at < count && numbers[at] == link.com) continue;
        for (int j = count++; j > at; --j) numbers[j] = numbers[j - 1];
        numbers[at] = link.com;
    }
    RegCloseKey(key);
    return count;
}

// From the switches' manuals and the drivers written for them.
const KvmPreset kKvmPresets[] = {
    {"TESmart (COM)", LinkKind::Serial, 9600, "\\xAA\\xBB\\x03\\x01{b}\\xEE"},
    {"TESmart (TCP)", LinkKind::Network, 5000, "\\xAA\\xBB\\x03\\x01{b}\\xEE"},
    {"KCEVE / MLEEDA", LinkKind::Serial, 115200, "X{h},1$"},
    {"Black Box ServSwitch Duo", LinkKind::Serial, 1200, "{h}"},
    {"G&D DVIMUX", LinkKind::Serial, 0, "{n}!"},
    // Their drivers send the command twice.
    {"EZCOO", LinkKind::Serial, 115200, "SET OUT1 VS IN{n}\\nSET OUT1 VS IN{n}\\n"},
    {"ATEN / IOGEAR", LinkKind::Serial, 19200, "sw i{nn}\\r"},
};
const int kKvmPresetCount = sizeof kKvmPresets / sizeof kKvmPresets[0];
