#include "hotswitch/ImageHolder.h"
#include "framework/Gdi.h"
#include "framework/System.h"
#include <cstring>
#include <new>

// The few types and entry points of the GDI+ flat interface that decoding
// needs. They are declared here rather than taken from the C++ GDI+ headers,
// which drag in the whole class library.
struct GpImage;
struct GpBitmap;
struct GpGraphics;

struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
struct GpRect {
    INT X, Y, Width, Height;
};
struct GpBitmapData {
    UINT Width;
    UINT Height;
    INT Stride;
    INT PixelFormat;
    void* Scan0;
    UINT_PTR Reserved;
};
struct GpColorPalette {
    UINT Flags;
    UINT Count;
    DWORD Entries[1];  // ARGB, 0xAARRGGBB
};

// GDI+ reads these as its own headers lay them out, in either width.
static_assert(sizeof(GdiplusStartupInput) == (sizeof(void*) == 8 ? 24 : 16), "GdiplusStartupInput");
static_assert(sizeof(GpBitmapData) == (sizeof(void*) == 8 ? 32 : 24), "BitmapData");

namespace {

// GDI+ is loaded with the first decode, not when the program starts: only the
// optional hot switch needs it, and start-up should not pay for it. The module
// stays loaded; GdiplusStartup and GdiplusShutdown decide when GDI+ runs.
#define HOPDECK_GDIPLUS_FUNCTIONS(X)                                                                          \
    X(GdiplusStartup, (ULONG_PTR * token, const GdiplusStartupInput* input, void* output))                   \
    X(GdipCreateBitmapFromStream, (IStream * stream, GpBitmap** bitmap))                                     \
    X(GdipCreateBitmapFromScan0, (INT width, INT height, INT stride, INT format, BYTE* scan0, GpBitmap** bitmap)) \
    X(GdipGetImagePixelFormat, (GpImage * image, INT* format))                                               \
    X(GdipGetImageWidth, (GpImage * image, UINT* width))                                                     \
    X(GdipGetImageHeight, (GpImage * image, UINT* height))                                                   \
    X(GdipGetImagePaletteSize, (GpImage * image, INT* size))                                                 \
    X(GdipGetImagePalette, (GpImage * image, GpColorPalette* palette, INT size))                             \
    X(GdipBitmapLockBits, (GpBitmap * bitmap, const GpRect* rect, UINT flags, INT format, GpBitmapData* data)) \
    X(GdipBitmapUnlockBits, (GpBitmap * bitmap, GpBitmapData* data))                                         \
    X(GdipGetImageGraphicsContext, (GpImage * image, GpGraphics** graphics))                                 \
    X(GdipDrawImageI, (GpGraphics * graphics, GpImage* image, INT x, INT y))                                 \
    X(GdipDeleteGraphics, (GpGraphics * graphics))                                                           \
    X(GdipDisposeImage, (GpImage * image))

struct GdiplusApi {
#define HOPDECK_GDIPLUS_POINTER(name, params) int(WINAPI* name) params = nullptr;
    HOPDECK_GDIPLUS_FUNCTIONS(HOPDECK_GDIPLUS_POINTER)
#undef HOPDECK_GDIPLUS_POINTER
    void(WINAPI* GdiplusShutdown)(ULONG_PTR token) = nullptr;
    bool loaded = false;
};
GdiplusApi gdip;

// Called under the lifetime lock.
bool LoadGdiplus()
{
    if (gdip.loaded) return true;
    HMODULE module = LoadSystemLibrary("gdiplus.dll");
    if (!module) return false;
    bool ok = GetProc(module, "GdiplusShutdown", gdip.GdiplusShutdown);
#define HOPDECK_GDIPLUS_RESOLVE(name, params) ok = ok && GetProc(module, #name, gdip.name);
    HOPDECK_GDIPLUS_FUNCTIONS(HOPDECK_GDIPLUS_RESOLVE)
#undef HOPDECK_GDIPLUS_RESOLVE
    gdip.loaded = ok;
    return ok;
}

}  // namespace

namespace {

constexpr int kGdipOk = 0;
constexpr UINT kImageLockModeRead = 1;

constexpr INT kPixelFormatIndexed = 0x00010000;
constexpr INT kPixelFormatGDI = 0x00020000;
constexpr INT kPixelFormatAlpha = 0x00040000;
constexpr INT kPixelFormat32bppRGB = 0x00022009;
constexpr INT kPixelFormat32bppARGB = 0x0026200A;

// The process-wide GDI+ state: the start-up token (0 while GDI+ is not running)
// and the number of holders, both only touched under the lock.
struct GdiplusLifetime {
    CRITICAL_SECTION lock;
    ULONG_PTR token = 0;
    long holders = 0;

    GdiplusLifetime() { InitializeCriticalSection(&lock); }
    ~GdiplusLifetime();
};

// Built by the first holder, so it outlives every holder that is destroyed at
// process end as well.
GdiplusLifetime& Lifetime()
{
    static GdiplusLifetime s_lifetime;
    return s_lifetime;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&Lifetime().lock); }
    ~Locked() { LeaveCriticalSection(&Lifetime().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

bool StartGdiplus()
{
    Locked locked;
    GdiplusLifetime& state = Lifetime();
    if (!state.token && LoadGdiplus()) {
        // Version 1, with GDI+'s own background thread: then no hook functions
        // have to be called from our message loop.
        GdiplusStartupInput input = {1, nullptr, FALSE, FALSE};
        ULONG_PTR token = 0;
        if (gdip.GdiplusStartup(&token, &input, nullptr) == kGdipOk) state.token = token;
    }
    return state.token != 0;
}

// Memory device contexts, kept for the next holder that needs one. Slots are
// taken and filled with atomic exchanges only, so no lock is needed.
constexpr int kDcSlots = 4;
HDC volatile s_dcCache[kDcSlots];

HDC TakeCachedDC()
{
    for (HDC volatile& slot : s_dcCache) {
        if (HDC dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), nullptr)))
            return dc;
    }
    return CreateCompatibleDC(nullptr);
}

void ReturnCachedDC(HDC dc)
{
    // Whatever a slot held before is carried on to the next slot; what is left
    // over when all four are full is deleted.
    for (HDC volatile& slot : s_dcCache) {
        dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), dc));
        if (!dc) return;
    }
    DeleteDC(dc);
}

GdiplusLifetime::~GdiplusLifetime()
{
    // A holder left at process end: GDI+ must not be left running, its
    // background thread would be killed in the middle of whatever it does.
    if (token) gdip.GdiplusShutdown(token);
    token = 0;
    for (HDC volatile& slot : s_dcCache) {
        if (HDC dc = static_cast<HDC>(InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&slot), nullptr)))
            DeleteDC(dc);
    }
    DeleteCriticalSection(&lock);
}

// Copies a GDI+ palette into a DIB section's colour table. SetDIBColorTable
// works only on a bitmap selected into a device context.
void CopyPalette(GpImage* source, HBITMAP dib)
{
    INT size = 0;
    if (gdip.GdipGetImagePaletteSize(source, &size) != kGdipOk || size < (INT)sizeof(GpColorPalette)) return;
    BYTE* buffer = new (std::nothrow) BYTE[size];
    if (!buffer) return;
    auto* palette = reinterpret_cast<GpColorPalette*>(buffer);
    if (gdip.GdipGetImagePalette(source, palette, size) == kGdipOk) {
        RGBQUAD colours[256] = {};
        UINT count = palette->Count < 256 ? palette->Count : 256;
        for (UINT i = 0; i < count; ++i) {
            DWORD argb = palette->Entries[i];
            colours[i].rgbBlue = (BYTE)argb;
            colours[i].rgbGreen = (BYTE)(argb >> 8);
            colours[i].rgbRed = (BYTE)(argb >> 16);
            colours[i].rgbReserved = 0;
        }
        HDC dc = TakeCachedDC();
        if (dc) {
            {
                CSelectObject selected(dc, dib);
                if (selected) SetDIBColorTable(dc, 0, count, colours);
            }
            ReturnCachedDC(dc);
        }
    }
    delete[] buffer;
}

// A BITMAPINFO with room for a full 256-entry colour table.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

}  // namespace

CImage::CImage()
{
    Locked locked;
    ++Lifetime().holders;
}

CImage::~CImage()
{
    Destroy();
    Locked locked;
    GdiplusLifetime& state = Lifetime();
    if (--state.holders == 0 && state.token) {
        gdip.GdiplusShutdown(state.token);
        state.token = 0;
    }
}

void CImage::Destroy()
{
    if (m_bitmap) DeleteObject(m_bitmap);
    m_bitmap = nullptr;
    m_topRow = nullptr;
    m_width = m_height = m_pitch = m_bpp = 0;
    m_alpha = false;
}

bool CImage::GdiplusRunning()
{
    Locked locked;
    return Lifetime().token != 0;
}

namespace {

// Owners of GDI+ objects: each is released when its scope ends, on every path.
template <typename T, void (*Release)(T*)>
class GdipOwner {
public:
    GdipOwner() = default;
    ~GdipOwner()
    {
        if (m_p) Release(m_p);
    }
    GdipOwner(const GdipOwner&) = delete;
    GdipOwner& operator=(const GdipOwner&) = delete;
    T** Receive() { return &m_p; }
    T* Get() const { return m_p; }
    GpImage* Image() const { return reinterpret_cast<GpImage*>(m_p); }

private:
    T* m_p = nullptr;
};
void DisposeBitmap(GpBitmap* bitmap) { gdip.GdipDisposeImage(reinterpret_cast<GpImage*>(bitmap)); }
void DeleteGraphics(GpGraphics* graphics) { gdip.GdipDeleteGraphics(graphics); }
using GdipBitmap = GdipOwner<GpBitmap, DisposeBitmap>;
using GdipGraphics = GdipOwner<GpGraphics, DeleteGraphics>;

// A DIB section of the given depth with bottom-up rows; `bits` receives its pixels.
HBITMAP CreateBottomUpDib(int width, int height, int bpp, void** bits)
{
    DibInfo info = {};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: bottom-up rows
    info.header.biPlanes = 1;
    info.header.biBitCount = (WORD)bpp;
    info.header.biCompression = BI_RGB;
    *bits = nullptr;
    if (width <= 0 || height <= 0 || bpp <= 0) return nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, bits, nullptr, 0);
    if (dib && !*bits) {
        DeleteObject(dib);
        dib = nullptr;
    }
    return dib;
}

}  // namespace

void CImage::Attach(HBITMAP dib, void* bits, int width, int height, int bpp, bool alpha)
{
    Destroy();
    const int stride = ((width * bpp + 31) / 32) * 4;
    m_bitmap = dib;
    m_width = width;
    m_height = height;
    m_bpp = bpp;
    m_pitch = -stride;
    m_topRow = static_cast<BYTE*>(bits) + (size_t)(height - 1) * stride;
    m_alpha = alpha;
}

HRESULT CImage::Load(IStream* stream)
{
    Destroy();
    if (!stream || !StartGdiplus()) return E_FAIL;

    GdipBitmap source;
    if (gdip.GdipCreateBitmapFromStream(stream, source.Receive()) != kGdipOk || !source.Get()) return E_FAIL;

    INT format = 0;
    UINT width = 0, height = 0;
    gdip.GdipGetImagePixelFormat(source.Image(), &format);
    gdip.GdipGetImageWidth(source.Image(), &width);
    gdip.GdipGetImageHeight(source.Image(), &height);

    // Formats that GDI draws directly keep their depth; anything else becomes
    // 32-bit, with straight alpha where the source has an alpha channel.
    int bpp = 32;
    INT target = kPixelFormat32bppRGB;
    bool alpha = false;
    if (format & kPixelFormatGDI) {
        bpp = (format >> 8) & 0xFF;
        target = format;
    }
    if (format & kPixelFormatAlpha) {
        bpp = 32;
        target = kPixelFormat32bppARGB;
        alpha = true;
    }

    void* bits = nullptr;
    HBITMAP dib = CreateBottomUpDib((int)width, (int)height, bpp, &bits);
    if (!dib) return E_FAIL;
    Attach(dib, bits, (int)width, (int)height, bpp, alpha);

    if (format & kPixelFormatIndexed) CopyPalette(source.Image(), dib);

    if (target == format) {
        // Same layout on both sides: copy the rows, top row to top row.
        GpRect whole = {0, 0, (INT)width, (INT)height};
        GpBitmapData data = {};
        if (gdip.GdipBitmapLockBits(source.Get(), &whole, kImageLockModeRead, format, &data) == kGdipOk) {
            const size_t rowBytes = ((size_t)width * bpp + 7) / 8;
            for (UINT y = 0; y < height; ++y)
                std::memcpy(m_topRow + (ptrdiff_t)y * m_pitch,
                            static_cast<const BYTE*>(data.Scan0) + (ptrdiff_t)y * data.Stride, rowBytes);
            gdip.GdipBitmapUnlockBits(source.Get(), &data);
        }
    } else {
        // Let GDI+ convert: it draws the source into a bitmap laid over the DIB's own pixels.
        GdipBitmap converted;
        GdipGraphics graphics;
        if (gdip.GdipCreateBitmapFromScan0((INT)width, (INT)height, m_pitch, target, m_topRow, converted.Receive()) ==
                kGdipOk &&
            converted.Get() && gdip.GdipGetImageGraphicsContext(converted.Image(), graphics.Receive()) == kGdipOk &&
            graphics.Get())
            gdip.GdipDrawImageI(graphics.Get(), source.Image(), 0, 0);
    }
    return S_OK;
}

void ResampleBgra(const BYTE* src, int srcPitch, int srcWidth, int srcHeight, BYTE* dst, int dstPitch, int dstWidth,
                  int dstHeight)
{
    // Bilinear, on colours weighted by their alpha: a transparent neighbour
    // lends its coverage but not its (meaningless) colour, so soft edges get no
    // dark fringe.
    for (int y = 0; y < dstHeight; ++y) {
        float fy = (y + 0.5f) * srcHeight / dstHeight - 0.5f;
        if (fy < 0) fy = 0;
        const int y0 = (int)fy, y1 = y0 + 1 < srcHeight ? y0 + 1 : y0;
        const float ty = fy - y0;
        BYTE* out = dst + (ptrdiff_t)y * dstPitch;
        for (int x = 0; x < dstWidth; ++x, out += 4) {
            float fx = (x + 0.5f) * srcWidth / dstWidth - 0.5f;
            if (fx < 0) fx = 0;
            const int x0 = (int)fx, x1 = x0 + 1 < srcWidth ? x0 + 1 : x0;
            const float tx = fx - x0;
            const struct {
                int x, y;
                float w;
            } taps[4] = {
                {x0, y0, (1 - tx) * (1 - ty)}, {x1, y0, tx * (1 - ty)}, {x0, y1, (1 - tx) * ty}, {x1, y1, tx * ty}};
            float sum[4] = {};
            for (const auto& t : taps) {
                const BYTE* p = src + (ptrdiff_t)t.y * srcPitch + t.x * 4;
                const float wa = t.w * p[3];
                for (int k = 0; k < 3; ++k) sum[k] += wa * p[k];
                sum[3] += wa;
            }
            for (int k = 0; k < 3; ++k) out[k] = sum[3] > 0 ? (BYTE)(sum[k] / sum[3] + 0.5f) : 0;
            out[3] = (BYTE)(sum[3] + 0.5f);
        }
    }
}

bool CImage::ResizeBands(int width, int bandHeight, int sourceBands, const BandSource* from, int bands)
{
    if (m_bpp != 32 || !m_bitmap || bands <= 0 || sourceBands <= 0 || width <= 0 || bandHeight <= 0) return false;
    const int srcBand = m_height / sourceBands;
    if (srcBand <= 0) return false;
    void* bits = nullptr;
    // A new DIB section's pixels are zero: transparent around a smaller band.
    HBITMAP dib = CreateBottomUpDib(width, bandHeight * bands, 32, &bits);
    if (!dib) return false;
    const int stride = width * 4;
    BYTE* top = static_cast<BYTE*>(bits) + (size_t)(bandHeight * bands - 1) * stride;
    GdiFlush();  // the DIB's pixels are read directly
    for (int b = 0; b < bands; ++b) {
        const int w = MulDiv(width, from[b].permille, 1000), h = MulDiv(bandHeight, from[b].permille, 1000);
        BYTE* corner = top - (ptrdiff_t)(b * bandHeight + (bandHeight - h) / 2) * stride + (width - w) / 2 * 4;
        ResampleBgra(m_topRow + (ptrdiff_t)from[b].band % sourceBands * srcBand * m_pitch, m_pitch, m_width, srcBand,
                     corner, -stride, w, h);
    }
    Attach(dib, bits, width, bandHeight * bands, 32, m_alpha);
    return true;
}
