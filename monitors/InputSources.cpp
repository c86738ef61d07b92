#include "monitors/InputSources.h"

namespace {

struct InputName {
    BYTE value;
    const char* name;
};

// The names MCCS gives, and 0x1B, which USB-C monitors of several makers use.
const InputName kInputNames[] = {
    {0x01, "VGA 1"},         {0x02, "VGA 2"},         {0x03, "DVI 1"},        {0x04, "DVI 2"},
    {0x05, "Composite 1"},   {0x06, "Composite 2"},   {0x07, "S-Video 1"},    {0x08, "S-Video 2"},
    {0x09, "Tuner 1"},       {0x0A, "Tuner 2"},       {0x0B, "Tuner 3"},      {0x0C, "Component 1"},
    {0x0D, "Component 2"},   {0x0E, "Component 3"},   {0x0F, "DisplayPort 1"}, {0x10, "DisplayPort 2"},
    {0x11, "HDMI 1"},        {0x12, "HDMI 2"},        {0x1B, "USB-C"},
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// The list after "vcp(", or null when there is none.
const char* VcpList(const char* caps)
{
    for (const char* p = caps; *p; ++p) {
        if (Lower(p[0]) != 'v' || Lower(p[1]) != 'c' || Lower(p[2]) != 'p') continue;
        const char* q = p + 3;
        while (*q == ' ') ++q;
        if (*q == '(') return q + 1;
    }
    return nullptr;
}

// A run of hex digits: one value, or several of two digits each written
// together. Calls add(value) for each.
template <typename Add>
void SplitRun(const char* run, int length, Add add)
{
    const int width = length > 2 && length % 2 == 0 ? 2 : length;
    for (int start = 0; start + width <= length; start += width) {
        unsigned value = 0;
        for (int i = start; i < start + width && i < start + 4; ++i) value = value * 16 + HexDigit(run[i]);
        add(value);
    }
}

}  // namespace

int ParseInputSources(const char* caps, WORD* values, int max)
{
    const char* p = caps ? VcpList(caps) : nullptr;
    if (!p) return 0;
    int count = 0;
    auto addValue = [&](unsigned value) {
        if (value == 0 || value > 0xFFFF || count >= max) return;
        for (int i = 0; i < count; ++i)
            if (values[i] == value) return;
        values[count++] = static_cast<WORD>(value);
    };
    unsigned lastCode = 0x100;  // the code a group of values belongs to
    int depth = 0;              // 0: the codes; 1: a code's values; more: nested groups
    bool inputs = false;        // inside the values of code 0x60
    for (;; ++p) {
        const char* run = p;
        while (HexDigit(*p) >= 0) ++p;
        if (p > run) {
            if (depth == 0) SplitRun(run, int(p - run), [&](unsigned code) { lastCode = code; });
            else if (inputs && depth == 1) SplitRun(run, int(p - run), addValue);
        }
        if (!*p) break;
        if (*p == '(') {
            if (depth == 0) inputs = lastCode == kInputSourceCode;
            ++depth;
        } else if (*p == ')') {
            if (depth == 0) break;  // the end of the vcp list
            if (--depth == 0) inputs = false;
        }
    }
    return count;
}

const char* InputSourceName(DWORD value)
{
    for (const InputName& n : kInputNames)
        if (n.value == (value & 0xFF)) return n.name;
    return nullptr;
}

const BYTE kStandardInputs[] = {0x0F, 0x10, 0x11, 0x12, 0x1B, 0x03, 0x04, 0x01, 0x02};
const int kStandardInputCount = sizeof kStandardInputs;

bool IsInputValue(long long value) { return value >= 1 && value <= 0xFFFF; }
