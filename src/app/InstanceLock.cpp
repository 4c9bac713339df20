// The session's single-instance lock: a named mutex held by the resident program.
#include "app/InstanceLock.h"

CInstanceLock::~CInstanceLock()
{
    if (!m_mutex)
        return;
    if (m_held)
        ::ReleaseMutex(m_mutex);
    ::CloseHandle(m_mutex);
}

bool CInstanceLock::TryTake(DWORD waitMs)
{
    if (m_held)
        return true;
    if (!m_mutex)
        m_mutex = ::CreateMutexA(nullptr, FALSE, m_name);
    // Without the object (its name taken by an object of another kind, say) the program still
    // starts, as copies without the lock always have: the window title alone then decides.
    if (!m_mutex)
        return m_held = true;
    // Abandoned: the holder ended without letting go, so the lock is ours all the same.
    const DWORD result = ::WaitForSingleObject(m_mutex, waitMs);
    m_held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return m_held;
}
