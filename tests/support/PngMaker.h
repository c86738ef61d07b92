// Small PNG files made in memory for decoding tests. The image data is stored
// uncompressed (deflate "stored" blocks), which every PNG reader accepts.
#pragma once
#include <windows.h>
#include <vector>

namespace test {

enum PngColourType : BYTE {
    kPngRgb = 2,      // red, green, blue
    kPngIndexed = 3,  // a palette index
    kPngRgba = 6,     // red, green, blue, straight alpha
};

// A non-interlaced PNG of 8-bit samples. `pixels` holds the rows top to bottom
// without padding; `palette` red, green, blue triples for kPngIndexed.
std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette = {});

}  // namespace test
