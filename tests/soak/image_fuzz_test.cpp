// Damaged images never crash the image holder and never leak: more than a
// thousand mutated and truncated PNGs, from the program's own button image and
// from small generated ones, each leave the holder either empty or holding a
// bitmap that GDI accepts.
#include "hotswitch/ImageHolder.h"
#include "res/resource.h"
#include "tests/support/footprint.h"
#include "tests/support/png_maker.h"
#include "tests/support/test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// A small deterministic generator, so a failure can be replayed.
struct Random {
    uint32_t state;
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
};

// A read-only stream over memory that stays inside its bytes whatever the
// reader asks. Wine's HGLOBAL stream lets a seek go past the end and then reads
// beyond the block (a crash inside the system, not in the image holder), and a
// damaged PNG chunk length makes the decoder do exactly that.
class MemoryStream final : public IStream {
public:
    explicit MemoryStream(std::vector<BYTE> bytes) : m_bytes(std::move(bytes)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG n = --m_refs;
        if (!n) delete this;
        return n;
    }
    HRESULT STDMETHODCALLTYPE Read(void* out, ULONG cb, ULONG* done) override
    {
        uint64_t left = m_pos < m_bytes.size() ? m_bytes.size() - m_pos : 0;
        ULONG n = (ULONG)std::min<uint64_t>(cb, left);
        if (n) std::memcpy(out, m_bytes.data() + m_pos, n);
        m_pos += n;
        if (done) *done = n;
        return n == cb ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* now) override
    {
        int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? (int64_t)m_pos : (int64_t)m_bytes.size();
        if (base + move.QuadPart < 0) return STG_E_INVALIDFUNCTION;
        m_pos = base + move.QuadPart;
        if (now) now->QuadPart = m_pos;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* st, DWORD) override
    {
        *st = STATSTG();
        st->type = STGTY_STREAM;
        st->cbSize.QuadPart = m_bytes.size();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    std::vector<BYTE> m_bytes;
    uint64_t m_pos = 0;
    ULONG m_refs = 1;
};

std::vector<BYTE> ButtonImage()
{
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_HOTSWITCH_PNG), "png");
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    return std::vector<BYTE>(data, data + SizeofResource(nullptr, res));
}

std::vector<std::vector<BYTE>> Seeds()
{
    std::vector<BYTE> rgba(8 * 8 * 4), rgb(5 * 3 * 3), idx(6 * 2);
    for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = (BYTE)(i * 37);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = (BYTE)(i * 11);
    for (size_t i = 0; i < idx.size(); ++i) idx[i] = (BYTE)(i % 3);
    return {ButtonImage(), test::MakePng(8, 8, test::kPngRgba, rgba), test::MakePng(5, 3, test::kPngRgb, rgb),
            test::MakePng(6, 2, test::kPngIndexed, idx, {255, 0, 0, 0, 255, 0, 0, 0, 255})};
}

std::vector<BYTE> Mutate(std::vector<BYTE> png, Random& rnd)
{
    switch (rnd.Below(5)) {
    case 0:  // flip a few bytes anywhere
        for (uint32_t n = 1 + rnd.Below(8); n--;) png[rnd.Below(png.size())] ^= (BYTE)(1 + rnd.Below(255));
        break;
    case 1:  // cut it short
        png.resize(rnd.Below(png.size()));
        break;
    case 2:  // damage the header: size, depth, colour type, interlace
        for (uint32_t n = 1 + rnd.Below(3); n--;) png[8 + rnd.Below(25)] = (BYTE)rnd.Next();
        break;
    case 3:  // a chunk length that runs past the end
        if (png.size() > 40) {
            size_t at = 33 + rnd.Below(png.size() - 40);
            png[at] = 0x7F;
            png[at + 1] = 0xFF;
        }
        break;
    default:  // a run of zeros or garbage in the middle
        if (png.size() > 16) {
            size_t at = rnd.Below(png.size() - 8), len = 1 + rnd.Below(png.size() - at - 1);
            BYTE fill = rnd.Below(2) ? 0 : (BYTE)rnd.Next();
            for (size_t i = at; i < at + len; ++i) png[i] = fill;
        }
        break;
    }
    return png;
}

TEST(ImageFuzz, MutatedAndTruncatedPngsLeaveTheHolderEmptyOrValid)
{
    const auto seeds = Seeds();
    ASSERT_GT(seeds[0].size(), 100u);
    Random rnd{0x2026C0DE};
    int decoded = 0, empty = 0;
    const int cases = 1200;
    const test::Footprint before = test::Measure();
    for (int i = 0; i < cases; ++i) {
        const auto& seed = seeds[i % seeds.size()];
        std::vector<BYTE> png = Mutate(seed, rnd);
        IStream* stream = new MemoryStream(png);
        CImage image;
        image.Load(stream);
        stream->Release();
        if (image.IsNull()) {
            ++empty;
            continue;
        }
        ++decoded;
        BITMAP bm = {};
        ASSERT_EQ(GetObjectType(image.GetBitmap()), (DWORD)OBJ_BITMAP) << "case " << i;
        ASSERT_EQ(GetObjectA(image.GetBitmap(), sizeof bm, &bm), (int)sizeof bm) << "case " << i;
        EXPECT_EQ(bm.bmWidth, image.GetWidth()) << "case " << i;
        EXPECT_EQ(bm.bmHeight, image.GetHeight()) << "case " << i;
        EXPECT_EQ(bm.bmBitsPixel, image.GetBPP()) << "case " << i;
        EXPECT_TRUE(image.GetBits()) << "case " << i;
    }
    // Both outcomes occur: the mutations are neither all harmless nor all fatal.
    EXPECT_GT(decoded, 50);
    EXPECT_GT(empty, 50);
    EXPECT_FALSE(CImage::GdiplusRunning()) << "the last holder shut the decoder down";
    test::ExpectNoGrowth(before, test::Measure(), cases);
}

}  // namespace
