// Watches chosen keyboards for their own Easy-Switch key: a keyboard that
// announces it is going to another host (Change Host's notification, which
// some keyboards send before they leave) is told to the window, which makes
// the rest of the desk follow. A link that only drops says nothing of where
// the device went (it may be asleep) and is not told. The receivers' reports
// are read as they come, on a thread of its own: nothing polls, and nothing
// runs while nothing happens. No window code.
#pragma once
#include "framework/String.h"
#include <windows.h>

constexpr int kMaxWatched = 16;

class CHostWatch {
public:
    CHostWatch() = default;
    ~CHostWatch() { Stop(); }
    CHostWatch(const CHostWatch&) = delete;
    CHostWatch& operator=(const CHostWatch&) = delete;

    // Watches the devices of these identities (the watch before stops);
    // posts `message` to `wnd` when one announces its going: wParam the
    // identity's index, lParam the host it goes to (from 1) and the watch's
    // generation above it (Generation()), as an old watch's notice may come
    // late. Nothing for no identities.
    void Watch(HWND wnd, UINT message, const CStringW* identities, int count);
    void Stop();
    // The notices that belong to the watch now.
    bool IsCurrent(LPARAM notice) const { return (notice >> 8) == LPARAM(m_generation & 0xFFFF); }
    static int HostOf(LPARAM notice) { return int(notice & 0xFF); }

private:
    HANDLE m_stop = nullptr;
    int m_generation = 0;
};
