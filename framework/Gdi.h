// Owners for GDI handles and global memory. Each releases what it holds when
// its scope ends, on every path; none can be copied, as a copy would release
// the same handle twice.
//
// Declare a bitmap before the device context it is selected into, and the
// selection guard after both: destruction runs in reverse, so the bitmap is
// deselected before the context goes and the context before the bitmap (GDI
// refuses to delete a bitmap that is still selected somewhere).
#pragma once
#include <windows.h>

// A memory device context, compatible with another one or, for null, with the screen.
class CMemoryDC {
public:
    explicit CMemoryDC(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
    ~CMemoryDC()
    {
        if (m_dc) DeleteDC(m_dc);
    }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;

    HDC Get() const { return m_dc; }
    explicit operator bool() const { return m_dc != nullptr; }

private:
    HDC m_dc;
};

// Selects a GDI object into a device context for the guard's scope, then puts
// back the object that was selected before.
class CSelectObject {
public:
    CSelectObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(dc && obj ? SelectObject(dc, obj) : nullptr)
    {
        if (m_old == HGDI_ERROR) m_old = nullptr;
    }
    ~CSelectObject()
    {
        if (m_old) SelectObject(m_dc, m_old);
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;

    // Whether the object was selected.
    explicit operator bool() const { return m_old != nullptr; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// An owned bitmap handle, deleted with the object.
class CBitmap {
public:
    CBitmap() = default;
    explicit CBitmap(HBITMAP bitmap) : m_bitmap(bitmap) {}
    ~CBitmap() { Delete(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    HBITMAP Get() const { return m_bitmap; }
    explicit operator bool() const { return m_bitmap != nullptr; }

    // Takes ownership of a handle, deleting the one held so far.
    void Attach(HBITMAP bitmap)
    {
        if (bitmap == m_bitmap) return;
        Delete();
        m_bitmap = bitmap;
    }
    void Delete()
    {
        if (m_bitmap) DeleteObject(m_bitmap);
        m_bitmap = nullptr;
    }
    // A bitmap in the format of a device context (its depth and colour layout).
    bool CreateCompatible(HDC dc, int width, int height)
    {
        Attach(CreateCompatibleBitmap(dc, width, height));
        return m_bitmap != nullptr;
    }

private:
    HBITMAP m_bitmap = nullptr;
};

// A global memory block, freed with the object.
class CGlobalMemory {
public:
    CGlobalMemory(UINT flags, SIZE_T size) : m_block(GlobalAlloc(flags, size)) {}
    ~CGlobalMemory()
    {
        if (m_block) GlobalFree(m_block);
    }
    CGlobalMemory(const CGlobalMemory&) = delete;
    CGlobalMemory& operator=(const CGlobalMemory&) = delete;

    HGLOBAL Get() const { return m_block; }
    explicit operator bool() const { return m_block != nullptr; }

private:
    HGLOBAL m_block;
};

// Locks a global memory block for the guard's scope. A movable block has no
// address of its own until it is locked.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL block) : m_block(block), m_data(block ? GlobalLock(block) : nullptr) {}
    ~CGlobalLock()
    {
        if (m_data) GlobalUnlock(m_block);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;

    void* Data() const { return m_data; }
    explicit operator bool() const { return m_data != nullptr; }

private:
    HGLOBAL m_block;
    void* m_data;
};
