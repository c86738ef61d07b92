// CAlphaButton: a push button that paints itself in five frames (normal,
// hover, pressed, disabled, focused) from one PNG holding four of equal
// height stacked top to bottom: all but the pressed one, which is the hover
// frame at nine tenths of its size. Frames with an alpha channel are
// composited over a snapshot of what showed at the button's place when it
// was first painted.
//
// Bind it to a push button of a dialog template, then give it an image; a
// button whose image could not be loaded stays a standard push button.
#pragma once
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include "hotswitch/ImageHolder.h"

enum ButtonFrame {
    kFrameNormal = 0,
    kFrameHover = 1,
    kFramePressed = 2,
    kFrameDisabled = 3,
    kFrameFocused = 4,
    kFrameCount = 5,
};

// The frame that shows a button state: disabled beats pressed, pressed beats
// hover, hover beats focus.
int ChooseButtonFrame(bool enabled, bool pressed, bool hover, bool focus);

// Height of one frame of the button's five-frame image of that height; rows
// below the fifth frame are never shown.
inline int ButtonFrameHeight(int imageHeight) { return imageHeight / kFrameCount; }
// The frames the PNG holds.
constexpr int kArtworkFrames = 4;

// Composites width x height pixels of a 32-bit image (blue, green, red, straight
// alpha) over background pixels in place. Background pixels are 3 or 4 bytes,
// blue first; a fourth byte is left as it was. Strides may be negative (rows
// that lie bottom-up in memory).
void BlendStraightAlpha(BYTE* background, int backgroundStride, int backgroundBytesPerPixel, const BYTE* image,
                        int imageStride, int width, int height);

class CAlphaButton : public CButton {
public:
    CAlphaButton() = default;

    // Decodes a PNG resource of the executable, makes it the button's image,
    // sizes the button to one frame (keeping its top-left corner) and makes it
    // owner-drawn. A width other than the image's (not 0) resamples the frames
    // of a 32-bit image to that width. False, with the button left as it was,
    // when the image cannot be loaded.
    bool LoadPngResource(HRSRC resource, int width = 0);
    // The same for image bytes held in memory.
    bool LoadPng(const void* data, DWORD size, int width = 0);

    // What the button paints from, for checks from outside.
    const CImage& Image() const { return m_image; }
    HBITMAP Background() const { return m_background.Get(); }

protected:
    void PaintButton(DRAWITEMSTRUCT* dis) override;
    LRESULT WindowProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void OnMouseMove();
    void Invalidate() { InvalidateRect(m_hWnd, nullptr, TRUE); }
    void CaptureBackground(HDC dc);
    void DrawFrame(HDC dc, int frame);
    bool BlendFrame(HDC dc, int frame);
    void PaintWithoutImage(const DRAWITEMSTRUCT* dis);
    static void DrawLabel(const DRAWITEMSTRUCT* dis, const char* text);

    bool m_hover = false;
    bool m_focus = false;
    // Nonzero while a hover-and-leave request is pending.
    BOOL m_tracking = FALSE;
    // The holder's bitmap; the holder owns it.
    HBITMAP m_drawBitmap = nullptr;
    CImage m_image;
    int m_width = 0;
    int m_frameHeight = 0;
    // Declared after the holder, so it is deleted before the image.
    CBitmap m_background;
    bool m_backgroundCaptured = false;
};
