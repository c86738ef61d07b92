// Builds small PNG files in memory for decoding tests. The image data is
// stored uncompressed (deflate "stored" blocks), which every PNG reader accepts.
#pragma once
#include <windows.h>
#include <vector>

namespace test {

enum PngColourType : BYTE {
    kPngRgb = 2,      // 3 bytes per pixel: red, green, blue
    kPngIndexed = 3,  // 1 byte per pixel: palette index
    kPngRgba = 6,     // 4 bytes per pixel: red, green, blue, alpha (straight)
};

// A non-interlaced PNG of 8-bit samples. `pixels` holds the rows top to bottom
// without padding; `palette` holds red, green, blue triples for kPngIndexed.
std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette = {});

// An IStream over a copy of the bytes (the caller releases it).
IStream* StreamOver(const std::vector<BYTE>& bytes);

}  // namespace test
