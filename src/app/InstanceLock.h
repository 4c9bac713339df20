// The lock that lets one start at a time become the resident program of the user's session.
#pragma once

#include <windows.h>

class CInstanceLock {
public:
    explicit CInstanceLock(const char* name) : m_name(name) {}
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;
    ~CInstanceLock();

    // Waits up to the given time for the lock; true once this thread holds it, which it then does
    // until the object goes (or the process ends, when the system lets the next one have it).
    bool TryTake(DWORD waitMs);

private:
    const char* m_name;
    HANDLE m_mutex = nullptr;
    bool m_held = false;
};
