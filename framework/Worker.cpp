#include "framework/Worker.h"

bool CWorker::Start(CWorker* worker)
{
    HANDLE thread = worker ? CreateThread(nullptr, 0, Run, worker, 0, nullptr) : nullptr;
    if (!thread) {
        delete worker;
        return false;
    }
    // The thread ends by itself; nothing waits for it.
    CloseHandle(thread);
    return true;
}

void CWorker::Release()
{
    InterlockedExchange(&m_stopped, 1);
    if (InterlockedDecrement(&m_owners) == 0) delete this;
}

DWORD WINAPI CWorker::Run(void* self)
{
    auto* worker = static_cast<CWorker*>(self);
    worker->Work();
    if (InterlockedDecrement(&worker->m_owners) == 0) delete worker;
    return 0;
}

bool CWorker::Post(WPARAM wp, LPARAM lp) const { return !m_stopped && PostMessageW(m_notify, m_message, wp, lp); }
