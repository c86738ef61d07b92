// CString / CStringW: a small owned string. The program needs a few strings
// (paths, loaded texts, the hot-key text) and nothing of the standard library's
// string, whose error paths would pull exception support into a program that
// is built without it.
#pragma once
#include <windows.h>
#include <cstdlib>
#include <cstring>

template <typename Ch>
class CStringT {
public:
    CStringT() = default;
    CStringT(const Ch* s) { Assign(s, Length(s)); }
    CStringT(const Ch* s, int n) { Assign(s, n); }
    CStringT(const CStringT& o) { Assign(o.c_str(), o.m_len); }
    CStringT(CStringT&& o) noexcept : m_data(o.m_data), m_len(o.m_len), m_cap(o.m_cap)
    {
        o.m_data = nullptr;
        o.m_len = o.m_cap = 0;
    }
    CStringT& operator=(const CStringT& o)
    {
        if (this != &o) Assign(o.c_str(), o.m_len);
        return *this;
    }
    ~CStringT() { std::free(m_data); }

    const Ch* c_str() const { return m_data ? m_data : EmptyText(); }
    int size() const { return m_len; }
    bool empty() const { return m_len == 0; }

    CStringT& operator+=(const Ch* s) { return Append(s, Length(s)); }
    CStringT& operator+=(const CStringT& s) { return Append(s.c_str(), s.m_len); }
    int Find(Ch c) const
    {
        for (int i = 0; i < m_len; ++i)
            if (c_str()[i] == c) return i;
        return -1;
    }
    int ReverseFind(Ch c) const
    {
        for (int i = m_len; i-- > 0;)
            if (c_str()[i] == c) return i;
        return -1;
    }

    // A writable buffer of at least minLength characters plus the terminator;
    // ReleaseBuffer sets the length (to the terminated text when -1). Null when
    // memory ran out.
    Ch* GetBuffer(int minLength)
    {
        if (!Reserve(minLength)) return nullptr;
        return m_data;
    }
    void ReleaseBuffer(int length = -1)
    {
        if (!m_data) return;
        m_len = length < 0 ? Length(m_data) : (length < m_cap ? length : m_cap - 1);
        m_data[m_len] = 0;
    }

private:
    static const Ch* EmptyText()
    {
        static const Ch empty[1] = {0};
        return empty;
    }
    static int Length(const Ch* s)
    {
        int n = 0;
        while (s && s[n]) ++n;
        return n;
    }
    bool Reserve(int length)
    {
        if (length < m_cap) return true;
        int cap = length + 1 > 2 * m_cap ? length + 1 : 2 * m_cap;
        Ch* data = static_cast<Ch*>(std::realloc(m_data, cap * sizeof(Ch)));
        if (!data) return false;
        if (!m_data) data[0] = 0;
        m_data = data;
        m_cap = cap;
        return true;
    }
    void Assign(const Ch* s, int n)
    {
        // Emptied first: an empty source appends nothing, and the old text must
        // not show through c_str().
        m_len = 0;
        if (m_data) m_data[0] = 0;
        Append(s, n);
    }
    CStringT& Append(const Ch* s, int n)
    {
        if (n > 0 && Reserve(m_len + n)) {
            std::memmove(m_data + m_len, s, n * sizeof(Ch));
            m_len += n;
            m_data[m_len] = 0;
        }
        return *this;
    }

    Ch* m_data = nullptr;
    int m_len = 0;
    int m_cap = 0;
};

using CString = CStringT<char>;
using CStringW = CStringT<wchar_t>;

// The program's own names (registry entries, key and input names) are ASCII:
// each character widens as it is.
inline CStringW WidenAscii(const char* text)
{
    CStringW wide;
    int n = 0;
    while (text[n]) ++n;
    if (wchar_t* buf = wide.GetBuffer(n)) {
        for (int i = 0; i < n; ++i) buf[i] = static_cast<wchar_t>(text[i]);
        wide.ReleaseBuffer(n);
    }
    return wide;
}
