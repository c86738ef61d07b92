// Small PNG files made in memory for decoding tests: 8-bit samples, not
// interlaced, the image data stored uncompressed (deflate "stored" blocks,
// which every reader accepts).
#pragma once
#include <windows.h>
#include <vector>

namespace test {

enum PngColourType : BYTE { kPngRgb = 2, kPngIndexed = 3, kPngRgba = 6 };

// `pixels`: the rows top to bottom, red, green, blue (and straight alpha) or a
// palette index per pixel; `palette`: red, green, blue triples.
std::vector<BYTE> MakePng(int width, int height, PngColourType type, const std::vector<BYTE>& pixels,
                          const std::vector<BYTE>& palette = {});

}  // namespace test
