// CImage: an encoded image (PNG here) decoded through GDI+ into a DIB section
// that GDI can select and draw.
//
// GDI+ is started by the first decode and shut down when the last holder is
// destroyed, so it runs only while a decoded image may still be needed; the
// start-up token and the holder count are process-wide.
#pragma once
#include <windows.h>
#include <objidl.h>

class CImage {
public:
    CImage();
    ~CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // Decodes the stream, replacing any image held so far. S_OK when the holder
    // has a bitmap afterwards; on failure it is empty.
    HRESULT Load(IStream* stream);
    void Destroy();
    // Resamples a 32-bit image, cut into `sourceBands` bands of equal height
    // stacked top to bottom, to `bands` bands of width x bandHeight pixels:
    // band i from source band from[i].band, each on its own, at
    // from[i].permille of the band's size in its middle (transparent around
    // it). False (the image unchanged) for other depths.
    struct BandSource {
        int band;
        int permille;
    };
    bool ResizeBands(int width, int bandHeight, int sourceBands, const BandSource* from, int bands);

    bool IsNull() const { return m_bitmap == nullptr; }
    HBITMAP GetBitmap() const { return m_bitmap; }
    int GetBPP() const { return m_bpp; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // Address of the top pixel row, and the bytes from one row to the next one
    // down: negative, as the rows lie bottom-up in memory.
    BYTE* GetBits() const { return m_topRow; }
    int GetPitch() const { return m_pitch; }
    // Whether the pixels carry straight (not premultiplied) alpha in their fourth byte.
    bool HasAlpha() const { return m_alpha; }

    // Whether GDI+ is running in this process now.
    static bool GdiplusRunning();

private:
    // Takes over a bottom-up DIB section.
    void Attach(HBITMAP dib, void* bits, int width, int height, int bpp, bool alpha);

    HBITMAP m_bitmap = nullptr;
    BYTE* m_topRow = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_pitch = 0;
    int m_bpp = 0;
    bool m_alpha = false;
};

// Resamples straight-alpha pixels (blue, green, red, alpha) from one block to
// another, bilinearly. Pitches may be negative (rows that lie bottom-up).
void ResampleBgra(const BYTE* src, int srcPitch, int srcWidth, int srcHeight, BYTE* dst, int dstPitch, int dstWidth,
                  int dstHeight);
