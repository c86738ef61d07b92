#include "tests/support/PngMaker.h"

namespace test {

namespace {

DWORD Crc32(const BYTE* data, size_t size)
{
    DWORD crc = ~0u;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void PutBigEndian(std::vector<BYTE>& out, DWORD value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((BYTE)(value >> shift));
}

void PutChunk(std::vector<BYTE>& out, const char* type, const std::vector<BYTE>& data)
{
    PutBigEndian(out, (DWORD)data.size());
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[start], out.size() - start));
}

}  // namespace

std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette)
{
    const size_t rowBytes = (size_t)width * (type == kPngRgba ? 4 : type == kPngRgb ? 3 : 1);
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header, raw;
    PutBigEndian(header, (DWORD)width);
    PutBigEndian(header, (DWORD)height);
    header.insert(header.end(), {8, (BYTE)type, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    if (type == kPngIndexed) PutChunk(png, "PLTE", palette);
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes);
    }
    // zlib: one stored block per 65535 bytes, then the Adler-32 sum.
    std::vector<BYTE> zlib = {0x78, 0x01};
    for (size_t pos = 0; pos < raw.size();) {
        const size_t len = std::min<size_t>(raw.size() - pos, 65535);
        zlib.insert(zlib.end(), {BYTE(pos + len == raw.size()), BYTE(len), BYTE(len >> 8), BYTE(~len), BYTE(~len >> 8)});
        zlib.insert(zlib.end(), raw.begin() + pos, raw.begin() + pos + len);
        pos += len;
    }
    DWORD a = 1, b = 0;
    for (BYTE byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(zlib, (b << 16) | a);
    PutChunk(png, "IDAT", zlib);
    PutChunk(png, "IEND", {});
    return png;
}

}  // namespace test
