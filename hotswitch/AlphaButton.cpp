#include "hotswitch/AlphaButton.h"
#include "framework/Handles.h"
#include "framework/String.h"
#include "framework/System.h"
#include <commctrl.h>
#include <memory>
#include <cstring>
#include <new>

int ChooseButtonFrame(bool enabled, bool pressed, bool hover, bool focus)
{
    if (!enabled) return kFrameDisabled;
    if (pressed) return kFramePressed;
    if (hover) return kFrameHover;
    if (focus) return kFrameFocused;
    return kFrameNormal;
}

void BlendStraightAlpha(BYTE* background, int backgroundStride, int backgroundBytesPerPixel, const BYTE* image,
                        int imageStride, int width, int height)
{
    for (int r = 0; r < height; ++r) {
        BYTE* dst = background + (ptrdiff_t)r * backgroundStride;
        const BYTE* src = image + (ptrdiff_t)r * imageStride;
        for (int c = 0; c < width; ++c, dst += backgroundBytesPerPixel, src += 4) {
            const unsigned a = src[3];
            for (int k = 0; k < 3; ++k) dst[k] = (BYTE)((src[k] * a + dst[k] * (255 - a)) / 255);
        }
    }
}

bool CAlphaButton::LoadPngResource(HRSRC resource, int width)
{
    if (!resource) return false;
    HMODULE module = GetModuleHandleW(nullptr);
    DWORD size = SizeofResource(module, resource);
    if (!size) return false;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return false;
    return LoadPng(data, size, width);
}

namespace {

// OLE is loaded with the first image, not when the program starts: only the
// optional hot switch needs it.
HRESULT StreamOnGlobal(HGLOBAL block, IStream** stream)
{
    static HRESULT(WINAPI * create)(HGLOBAL, BOOL, IStream**) = nullptr;
    if (!create && !GetProc(LoadSystemLibrary("ole32.dll"), "CreateStreamOnHGlobal", create)) return E_NOTIMPL;
    return create(block, FALSE, stream);
}

}  // namespace

bool CAlphaButton::LoadPng(const void* data, DWORD size, int width)
{
    if (!data || !size) return false;
    {
        // GDI+ reads images from streams; a stream over a movable global block
        // is the one that needs no file.
        CGlobalMemory block(GMEM_MOVEABLE, size);
        if (!block) return false;
        CGlobalLock lock(block.Get());
        if (!lock) return false;
        std::memcpy(lock.Data(), data, size);
        CComPtr<IStream> stream;
        if (FAILED(StreamOnGlobal(block.Get(), stream.Receive())) || !stream) return false;
        m_image.Load(stream.Get());
    }
    // Drawn at the size asked for (the artwork's own without one): the
    // frames are resampled one by one, so none bleeds into its neighbour, and
    // the pressed one is made from the hover one. An image that cannot be
    // resampled has nothing to show.
    static const CImage::BandSource kFrames[kFrameCount] = {{0, 1000}, {1, 1000}, {1, 900}, {2, 1000}, {3, 1000}};
    if (!m_image.IsNull()) {
        if (width <= 0) width = m_image.GetWidth();
        const int bandHeight = MulDiv(m_image.GetHeight() / kArtworkFrames, width, m_image.GetWidth());
        if (!m_image.ResizeBands(width, bandHeight, kArtworkFrames, kFrames, kFrameCount)) m_image.Destroy();
    }
    m_drawBitmap = m_image.GetBitmap();
    if (!m_drawBitmap) return false;

    BITMAP bm = {};
    GetObjectA(m_drawBitmap, sizeof bm, &bm);
    const int frameWidth = bm.bmWidth;
    const int frameHeight = ButtonFrameHeight(bm.bmHeight);
    if (frameWidth <= 0 || frameHeight <= 0) {
        // Fewer rows than frames: there is nothing to show.
        m_image.Destroy();
        m_drawBitmap = nullptr;
        return false;
    }
    const bool resized = frameWidth != m_width || frameHeight != m_frameHeight;
    if (resized) {
        // A snapshot of another size no longer fits: take a new one at the next painting.
        m_background.Delete();
        m_backgroundCaptured = false;
    }
    m_width = frameWidth;
    m_frameHeight = frameHeight;

    if (m_hWnd) {
        // Top of the siblings too, so that nothing of the dialog overlaps the image.
        SetWindowPos(m_hWnd, HWND_TOP, 0, 0, m_width, m_frameHeight, SWP_NOMOVE | SWP_NOOWNERZORDER);
        LONG style = GetWindowLongA(m_hWnd, GWL_STYLE);
        SendMessageA(m_hWnd, BM_SETSTYLE, (WPARAM)((style & 0xFF & ~BS_TYPEMASK) | BS_OWNERDRAW), TRUE);
        // The frame drawn at the old size may still show at the button's place:
        // the dialog paints what lies beneath afresh before the new snapshot
        // is taken (a window not yet shown paints nothing here).
        const UINT redraw = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW;
        if (resized) RedrawWindow(GetParent(m_hWnd), nullptr, nullptr, redraw);
    }
    return true;
}

LRESULT CAlphaButton::WindowProc(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_MOUSEMOVE:
        OnMouseMove();
        break;
    case WM_MOUSEHOVER:
        m_hover = true;
        Invalidate();
        return 0;
    case WM_MOUSELEAVE:
        m_tracking = FALSE;
        m_hover = false;
        Invalidate();
        return 0;
    // The button repaints itself from its own focus flag; the control's focus
    // drawing (a dotted rectangle over the image) is not wanted.
    case WM_SETFOCUS:
        m_focus = true;
        Invalidate();
        return 0;
    case WM_KILLFOCUS:
        m_focus = false;
        Invalidate();
        // The control still lets go: a button that loses the focus while Space
        // holds it down would otherwise stay pressed and keep the mouse captured.
        break;
    }
    return CButton::WindowProc(msg, wp, lp);
}

void CAlphaButton::OnMouseMove()
{
    // Windows sends WM_MOUSEHOVER and WM_MOUSELEAVE only on request, and each
    // request is used up by its leave notification; a request that failed is
    // made again at the next move.
    if (m_tracking) return;
    TRACKMOUSEEVENT tme = {};
    tme.cbSize = sizeof tme;
    tme.dwFlags = TME_HOVER | TME_LEAVE;
    tme.hwndTrack = m_hWnd;
    tme.dwHoverTime = 1;
    m_tracking = TrackMouseEvent(&tme);
}

void CAlphaButton::PaintButton(DRAWITEMSTRUCT* dis)
{
    CString text;
    int length = GetWindowTextLengthA(m_hWnd);
    if (char* buf = text.GetBuffer(length)) text.ReleaseBuffer(GetWindowTextA(m_hWnd, buf, length + 1));

    if (!m_drawBitmap) {
        PaintWithoutImage(dis);
    } else {
        CaptureBackground(dis->hDC);
        DrawFrame(dis->hDC, ChooseButtonFrame(IsWindowEnabled(m_hWnd) != FALSE, (dis->itemState & ODS_SELECTED) != 0,
                                              m_hover, m_focus));
    }
    DrawLabel(dis, text.c_str());
}

void CAlphaButton::CaptureBackground(HDC dc)
{
    if (!m_background && !m_background.CreateCompatible(dc, m_width, m_frameHeight)) return;
    if (m_backgroundCaptured) return;
    // The first draw request arrives before any frame was drawn here, so the
    // button's place still shows what lies beneath it. Later changes beneath
    // the button are not picked up.
    CMemoryDC mem(dc);
    CSelectObject selected(mem.Get(), m_background.Get());
    if (!selected) return;
    BitBlt(mem.Get(), 0, 0, m_width, m_frameHeight, dc, 0, 0, SRCCOPY);
    m_backgroundCaptured = true;
}

void CAlphaButton::DrawFrame(HDC dc, int frame)
{
    if (m_image.HasAlpha() && BlendFrame(dc, frame)) return;
    // No alpha, or a surface the blend cannot read: the frame as it is.
    CMemoryDC mem(dc);
    CSelectObject selected(mem.Get(), m_drawBitmap);
    if (!selected) return;
    BitBlt(dc, 0, 0, m_width, m_frameHeight, mem.Get(), 0, frame * m_frameHeight, SRCCOPY);
}

bool CAlphaButton::BlendFrame(HDC dc, int frame)
{
    BITMAP bg = {};
    if (!m_backgroundCaptured || !GetObjectA(m_background.Get(), sizeof bg, &bg)) return false;
    // The snapshot's pixels are blue, green, red bytes only on true-colour
    // surfaces; on others the frame is drawn opaque.
    if (bg.bmBitsPixel != 24 && bg.bmBitsPixel != 32) return false;

    // The snapshot stays untouched: every painting blends the frame anew over a copy.
    const LONG bytes = bg.bmWidthBytes * bg.bmHeight;
    std::unique_ptr<BYTE[]> pixels(new (std::nothrow) BYTE[bytes]);
    if (!pixels) return true;  // nothing drawn this time
    if (GetBitmapBits(m_background.Get(), bytes, pixels.get()) != bytes) return true;

    GdiFlush();  // the DIB's pixels are read directly
    const int rows = bg.bmHeight < m_frameHeight ? bg.bmHeight : m_frameHeight;
    const int columns = bg.bmWidth < m_width ? bg.bmWidth : m_width;
    const BYTE* frameTop = m_image.GetBits() + (ptrdiff_t)frame * m_frameHeight * m_image.GetPitch();
    BlendStraightAlpha(pixels.get(), bg.bmWidthBytes, bg.bmBitsPixel / 8, frameTop, m_image.GetPitch(), columns, rows);

    CBitmap composed;
    if (!composed.CreateCompatible(dc, bg.bmWidth, bg.bmHeight)) return true;
    SetBitmapBits(composed.Get(), bytes, pixels.get());
    CMemoryDC mem(dc);
    CSelectObject selected(mem.Get(), composed.Get());
    if (selected) BitBlt(dc, 0, 0, m_width, m_frameHeight, mem.Get(), 0, 0, SRCCOPY);
    return true;
}

void CAlphaButton::PaintWithoutImage(const DRAWITEMSTRUCT* dis)
{
    // An owner-drawn button without an image looks like a standard push button.
    RECT rc = dis->rcItem;
    UINT state = DFCS_BUTTONPUSH;
    if (dis->itemState & ODS_SELECTED) state |= DFCS_PUSHED;
    if (dis->itemState & ODS_DISABLED) state |= DFCS_INACTIVE;
    DrawFrameControl(dis->hDC, &rc, DFC_BUTTON, state);
    if (m_focus) {
        InflateRect(&rc, -3, -3);
        DrawFocusRect(dis->hDC, &rc);
    }
}

void CAlphaButton::DrawLabel(const DRAWITEMSTRUCT* dis, const char* text)
{
    const int length = (int)std::strlen(text);
    if (!length) return;
    HDC dc = dis->hDC;
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, length, &size);
    const RECT& rc = dis->rcItem;
    int x = (rc.left + rc.right) / 2 - size.cx / 2;
    int y = (rc.top + rc.bottom) / 2 - size.cy / 2;
    if (dis->itemState & ODS_SELECTED) {
        ++x;
        ++y;
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    if (dis->itemState & ODS_DISABLED) {
        // Embossed, with '&' marking an underlined letter as a disabled control shows it.
        DrawStateA(dc, nullptr, nullptr, (LPARAM)text, 0, x, y, size.cx, size.cy, DST_PREFIXTEXT | DSS_DISABLED);
    } else {
        TextOutA(dc, x, y, text, length);
    }
    SetBkMode(dc, oldMode);
}
