#include "tests/support/PngMaker.h"

namespace test {

std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette)
{
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto put32 = [](std::vector<BYTE>& out, DWORD v) {
        out.insert(out.end(), {BYTE(v >> 24), BYTE(v >> 16), BYTE(v >> 8), BYTE(v)});
    };
    auto chunk = [&](const char* tag, const std::vector<BYTE>& data) {
        put32(png, (DWORD)data.size());
        const size_t start = png.size();
        png.insert(png.end(), tag, tag + 4);
        png.insert(png.end(), data.begin(), data.end());
        DWORD crc = ~0u;
        for (size_t i = start; i < png.size(); ++i)
            for (int k = 0, b = png[i]; k < 8; ++k, b >>= 1) crc = (crc >> 1) ^ (0xEDB88320u & (0u - ((crc ^ b) & 1)));
        put32(png, ~crc);
    };
    std::vector<BYTE> header, raw, zlib = {0x78, 0x01};
    put32(header, width);
    put32(header, height);
    header.insert(header.end(), {8, BYTE(type), 0, 0, 0});
    chunk("IHDR", header);
    if (type == kPngIndexed) chunk("PLTE", palette);
    const size_t row = pixels.size() / height;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // no filter
        raw.insert(raw.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
    }
    DWORD a = 1, b = 0;
    for (size_t pos = 0; pos < raw.size(); pos += 65535) {
        const size_t n = std::min<size_t>(raw.size() - pos, 65535);
        zlib.insert(zlib.end(), {BYTE(pos + n == raw.size()), BYTE(n), BYTE(n >> 8), BYTE(~n), BYTE(~n >> 8)});
        zlib.insert(zlib.end(), raw.begin() + pos, raw.begin() + pos + n);
    }
    for (BYTE byte : raw) b = (b + (a = (a + byte) % 65521)) % 65521;
    put32(zlib, b << 16 | a);
    chunk("IDAT", zlib);
    chunk("IEND", {});
    return png;
}

}  // namespace test
