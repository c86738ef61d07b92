// The image holder on real PNGs made here: the depth, byte order and alpha of
// what it decodes, and the GDI+ lifetime that the holders carry.
#include "hotswitch/ImageHolder.h"
#include "tests/support/png_maker.h"
#include <gtest/gtest.h>

namespace {

// Decodes a PNG into a holder; true when the holder has a bitmap.
bool Decode(CImage& image, const std::vector<BYTE>& png)
{
    IStream* stream = test::StreamOver(png);
    if (!stream) return false;
    image.Load(stream);
    stream->Release();
    return !image.IsNull();
}

// Pixel (x, y) of the holder, counted from the top row.
const BYTE* Pixel(const CImage& image, int x, int y)
{
    return image.GetBits() + y * image.GetPitch() + x * image.GetBPP() / 8;
}

std::vector<BYTE> Bytes(const BYTE* p, int n) { return std::vector<BYTE>(p, p + n); }

TEST(ImageHolder, RgbaPngGives32BitsOfStraightAlphaInBlueGreenRedAlphaOrder)
{
    // Straight alpha shows in pixels that are not opaque: their colour is kept
    // as it is instead of being multiplied by their alpha.
    const std::vector<BYTE> rgba = {
        10,  20,  30,  255, 200, 100, 50, 0,   255, 0,  0,  128,  // top row
        1,   2,   3,   64,  0,   255, 0,  255, 90,  91, 92, 1,    // bottom row
    };
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(3, 2, test::kPngRgba, rgba)));
    EXPECT_EQ(image.GetBPP(), 32);
    EXPECT_TRUE(image.HasAlpha());
    EXPECT_EQ(image.GetWidth(), 3);
    EXPECT_EQ(image.GetHeight(), 2);
    EXPECT_EQ(Bytes(Pixel(image, 0, 0), 4), (std::vector<BYTE>{30, 20, 10, 255}));
    EXPECT_EQ(Bytes(Pixel(image, 1, 0), 4), (std::vector<BYTE>{50, 100, 200, 0}));
    EXPECT_EQ(Bytes(Pixel(image, 2, 0), 4), (std::vector<BYTE>{0, 0, 255, 128}));
    EXPECT_EQ(Bytes(Pixel(image, 0, 1), 4), (std::vector<BYTE>{3, 2, 1, 64}));
    EXPECT_EQ(Bytes(Pixel(image, 2, 1), 4), (std::vector<BYTE>{92, 91, 90, 1}));
}

TEST(ImageHolder, RgbPngKeeps24BitsWithoutAlpha)
{
    const std::vector<BYTE> rgb = {
        10, 20, 30, 40, 50, 60, 70, 80, 90,  // top row
        1,  2,  3,  4,  5,  6,  7,  8,  9,   // bottom row
    };
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(3, 2, test::kPngRgb, rgb)));
    EXPECT_EQ(image.GetBPP(), 24);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(image.GetPitch(), -12);  // rows padded to 4 bytes
    EXPECT_EQ(Bytes(Pixel(image, 0, 0), 9), (std::vector<BYTE>{30, 20, 10, 60, 50, 40, 90, 80, 70}));
    EXPECT_EQ(Bytes(Pixel(image, 0, 1), 9), (std::vector<BYTE>{3, 2, 1, 6, 5, 4, 9, 8, 7}));
}

TEST(ImageHolder, IndexedPngKeeps8BitsWithItsPaletteAsColourTable)
{
    const std::vector<BYTE> palette = {255, 0, 0, 0, 128, 0, 10, 20, 30};
    const std::vector<BYTE> indices = {0, 1, 2, 1, 2, 2, 0, 0};
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(4, 2, test::kPngIndexed, indices, palette)));
    EXPECT_EQ(image.GetBPP(), 8);
    EXPECT_FALSE(image.HasAlpha());
    EXPECT_EQ(Bytes(Pixel(image, 0, 0), 4), (std::vector<BYTE>{0, 1, 2, 1}));
    EXPECT_EQ(Bytes(Pixel(image, 0, 1), 4), (std::vector<BYTE>{2, 2, 0, 0}));

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, image.GetBitmap());
    RGBQUAD table[3] = {};
    ASSERT_EQ(GetDIBColorTable(dc, 0, 3, table), 3u);
    SelectObject(dc, old);
    DeleteDC(dc);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table[i].rgbRed, palette[3 * i]);
        EXPECT_EQ(table[i].rgbGreen, palette[3 * i + 1]);
        EXPECT_EQ(table[i].rgbBlue, palette[3 * i + 2]);
        EXPECT_EQ(table[i].rgbReserved, 0);
    }
}

TEST(ImageHolder, BytesThatAreNoImageLeaveTheHolderEmpty)
{
    CImage image;
    std::vector<BYTE> png = test::MakePng(2, 2, test::kPngRgba, std::vector<BYTE>(16, 1));
    png.resize(png.size() / 2);  // cut in the middle of the image data
    EXPECT_FALSE(Decode(image, png));
    EXPECT_EQ(image.GetBitmap(), nullptr);
    EXPECT_FALSE(Decode(image, std::vector<BYTE>(64, 0x42)));
}

TEST(ImageHolder, ASecondDecodeReplacesTheFirstBitmap)
{
    CImage image;
    ASSERT_TRUE(Decode(image, test::MakePng(2, 2, test::kPngRgba, std::vector<BYTE>(16, 1))));
    HBITMAP first = image.GetBitmap();
    ASSERT_TRUE(Decode(image, test::MakePng(3, 1, test::kPngRgb, std::vector<BYTE>(9, 1))));
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(image.GetBPP(), 24);
    EXPECT_FALSE(image.HasAlpha());
}

TEST(ImageHolder, GdiplusRunsFromTheFirstDecodeUntilTheLastHolderGoes)
{
    const std::vector<BYTE> png = test::MakePng(1, 1, test::kPngRgba, {1, 2, 3, 4});
    ASSERT_FALSE(CImage::GdiplusRunning());
    {
        CImage second;
        {
            CImage first;
            EXPECT_FALSE(CImage::GdiplusRunning()) << "a holder alone does not start GDI+";
            ASSERT_TRUE(Decode(first, png));
            EXPECT_TRUE(CImage::GdiplusRunning());
        }
        EXPECT_TRUE(CImage::GdiplusRunning()) << "another holder still exists";
    }
    EXPECT_FALSE(CImage::GdiplusRunning());

    CImage again;
    ASSERT_TRUE(Decode(again, png)) << "the next decode starts GDI+ again";
    EXPECT_TRUE(CImage::GdiplusRunning());
}

TEST(ImageHolder, ManyIndexedDecodesWorkThroughTheSharedDeviceContexts)
{
    // Colour tables are set through cached memory device contexts: many holders
    // at once must each get their own table.
    const std::vector<BYTE> indices = {0, 1};
    CImage images[6];
    for (size_t i = 0; i < 6; ++i) {
        const std::vector<BYTE> palette = {(BYTE)i, 1, 2, 3, 4, (BYTE)(100 + i)};
        ASSERT_TRUE(Decode(images[i], test::MakePng(2, 1, test::kPngIndexed, indices, palette)));
    }
    for (size_t i = 0; i < 6; ++i) {
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, images[i].GetBitmap());
        RGBQUAD table[2] = {};
        GetDIBColorTable(dc, 0, 2, table);
        SelectObject(dc, old);
        DeleteDC(dc);
        EXPECT_EQ(table[0].rgbRed, i);
        EXPECT_EQ(table[1].rgbBlue, 100 + i);
    }
}

}  // namespace
