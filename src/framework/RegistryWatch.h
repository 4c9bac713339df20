// Tells whether anything under a registry path may have changed since the last look, without
// reading it: for values that are asked for often and change seldom.
#pragma once

#include <windows.h>

#include "framework/Profile.h"

class CRegistryWatch {
public:
    CRegistryWatch() = default;
    CRegistryWatch(const CRegistryWatch&) = delete;
    CRegistryWatch& operator=(const CRegistryWatch&) = delete;
    ~CRegistryWatch();

    // Watches the path from now on, whether or not its keys are there yet; the values are to be
    // read after this call, so that a change made meanwhile is not missed.
    void Watch(HKEY root, const char* path);
    // True after any change to the path's key or the keys on its way, and when the system would
    // not watch: a false alarm costs a read, a missed change would cost the truth.
    bool HasChanged() const;

private:
    void Stop();

    HANDLE m_event = nullptr;
    // The deepest key of the path that is there, and its parent, which tells of its deletion.
    CRegKey m_key;
    CRegKey m_parent;
    bool m_watching = false;
};
