// Owners for a registry key and a COM interface pointer: each releases what
// it holds when its scope ends, on every path, and none can be copied.
#pragma once
#include <windows.h>

// An open registry key, closed with the object.
class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    HKEY Get() const { return m_key; }
    explicit operator bool() const { return m_key != nullptr; }
    void Close()
    {
        if (m_key) RegCloseKey(m_key);
        m_key = nullptr;
    }

    // Opens an existing key.
    bool Open(HKEY parent, const char* name, REGSAM access)
    {
        Close();
        if (RegOpenKeyExA(parent, name, 0, access, &m_key) != ERROR_SUCCESS) m_key = nullptr;
        return m_key != nullptr;
    }
    // Opens a key, creating it when it is missing.
    bool Create(HKEY parent, const char* name, REGSAM access, DWORD options = REG_OPTION_NON_VOLATILE)
    {
        Close();
        if (RegCreateKeyExA(parent, name, 0, nullptr, options, access, nullptr, &m_key, nullptr) != ERROR_SUCCESS)
            m_key = nullptr;
        return m_key != nullptr;
    }

private:
    HKEY m_key = nullptr;
};

// One reference to a COM interface, released with the object.
template <class T>
class CComPtr {
public:
    CComPtr() = default;
    explicit CComPtr(T* p) : m_p(p) {}
    ~CComPtr()
    {
        if (m_p) m_p->Release();
    }
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;

    // Where a creating call stores the new reference.
    T** Receive() { return &m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};
