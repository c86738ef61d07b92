// CWorker: work on a thread of its own that the window which asked for it
// shares. Each side lets go of the object when it is done, the last one frees
// it: the window may go first (the work then stops when it next looks), or
// the work may end first. The window hears of it by posted messages that
// carry no data, as it may be gone by the time they arrive.
#pragma once
#include <windows.h>

class CWorker {
public:
    CWorker(const CWorker&) = delete;
    CWorker& operator=(const CWorker&) = delete;
    // The window's part is over: the work stops when it next looks.
    void Release();

protected:
    CWorker(HWND notify, UINT message) : m_notify(notify), m_message(message) {}
    virtual ~CWorker() = default;
    // Runs Work() on a thread of its own; false, with the object deleted,
    // when no thread could be started.
    static bool Start(CWorker* worker);
    virtual void Work() = 0;
    // Posts the message to the window that asked, unless it has let go;
    // false then, and the work should stop.
    bool Post(WPARAM wp, LPARAM lp = 0) const;

private:
    static DWORD WINAPI Run(void* self);
    volatile LONG m_owners = 2;
    volatile LONG m_stopped = 0;
    HWND m_notify;
    UINT m_message;
};
