#include "tests/support/png_maker.h"
#include <objbase.h>
#include <cstring>

namespace test {

namespace {

DWORD Crc32(const BYTE* data, size_t size, DWORD crc = 0)
{
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

DWORD Adler32(const std::vector<BYTE>& data)
{
    DWORD a = 1, b = 0;
    for (BYTE byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void PutBigEndian(std::vector<BYTE>& out, DWORD value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((BYTE)(value >> shift));
}

void PutChunk(std::vector<BYTE>& out, const char type[5], const std::vector<BYTE>& data)
{
    PutBigEndian(out, (DWORD)data.size());
    const size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(&out[start], out.size() - start));
}

// A zlib stream of stored (uncompressed) deflate blocks.
std::vector<BYTE> ZlibStored(const std::vector<BYTE>& raw)
{
    std::vector<BYTE> out = {0x78, 0x01};
    size_t pos = 0;
    do {
        const size_t len = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        const bool last = pos + len == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back((BYTE)len);
        out.push_back((BYTE)(len >> 8));
        out.push_back((BYTE)~len);
        out.push_back((BYTE)(~len >> 8));
        out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + len);
        pos += len;
    } while (pos < raw.size());
    PutBigEndian(out, Adler32(raw));
    return out;
}

}  // namespace

std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette)
{
    const int channels = type == kPngRgba ? 4 : type == kPngRgb ? 3 : 1;
    const size_t rowBytes = (size_t)width * channels;

    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<BYTE> header;
    PutBigEndian(header, (DWORD)width);
    PutBigEndian(header, (DWORD)height);
    header.insert(header.end(), {8, (BYTE)type, 0, 0, 0});
    PutChunk(png, "IHDR", header);
    if (type == kPngIndexed) PutChunk(png, "PLTE", palette);

    std::vector<BYTE> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        raw.insert(raw.end(), pixels.begin() + y * rowBytes, pixels.begin() + (y + 1) * rowBytes);
    }
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    return png;
}

IStream* StreamOver(const std::vector<BYTE>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block) return nullptr;
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    IStream* stream = nullptr;
    // The stream frees the block when it is released.
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
        GlobalFree(block);
        return nullptr;
    }
    return stream;
}

}  // namespace test
