// The control port of a KVM switch that can be told which port to show: a
// serial line (COM1 to COM256, 8 data bits, no parity, one stop bit, at a
// speed from 1200 to 115200) or the network (a host and a TCP port). Kept in
// the profile as text: "COM3", "COM3:115200", "192.168.1.10:5000",
// "kvm.home.arpa:5000"; empty for none. No window code.
#pragma once
#include "framework/String.h"
#include <windows.h>

enum class LinkKind { None, Serial, Network };

constexpr int kDefaultSerialSpeed = 9600;
constexpr int kDefaultTcpPort = 5000;

struct KvmLink {
    LinkKind kind = LinkKind::None;
    int com = 0;                       // Serial: COM1 to COM256
    int speed = kDefaultSerialSpeed;   // Serial: 1200 to 115200
    CStringW host;                     // Network: a host name or an IPv4 address
    int port = kDefaultTcpPort;        // Network: 1 to 65535
};

// Reads the text; empty is none. False, with *link untouched, for anything
// that is neither a COM port (and speed) nor host:port.
bool ParseKvmLink(const wchar_t* text, KvmLink* link);
// The text the profile keeps; the speed only when it is not 9600.
CStringW FormatKvmLink(const KvmLink& link);

// The serial speeds the settings offer.
extern const int kSerialSpeeds[];
extern const int kSerialSpeedCount;

// The COM ports Windows has (HARDWARE\DEVICEMAP\SERIALCOMM), by number, at
// most `max`.
int ListComPorts(int* numbers, int max);

// The KVM switches whose commands are known: each fills the link's
// defaults and the command.
struct KvmPreset {
    const char* name;
    LinkKind kind;
    int speedOrPort;  // Serial: the speed (0: keep the one chosen); Network: the TCP port
    const char* command;
};
extern const KvmPreset kKvmPresets[];
extern const int kKvmPresetCount;
// TESmart's factory address, proposed for its network preset.
constexpr wchar_t kTesmartAddress[] = L"192.168.1.10";
