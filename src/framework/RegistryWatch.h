// Tells whether anything under some registry paths may have changed since the last look, without
// reading them: for values that are asked for often and change seldom.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class CRegistryWatch {
public:
    struct Path {
        HKEY root;
        std::string path;
    };

    CRegistryWatch() = default;
    CRegistryWatch(const CRegistryWatch&) = delete;
    CRegistryWatch& operator=(const CRegistryWatch&) = delete;
    ~CRegistryWatch();

    // Watches the paths from now on, whether or not their keys are there yet; the values are to
    // be read after this call, so that a change made meanwhile is not missed.
    void Watch(const std::vector<Path>& paths);
    // True after any change to a path's key or the keys on its way, and when the system would
    // not watch: a false alarm costs a read, a missed change would cost the truth. One look for
    // all the paths.
    bool HasChanged() const;

private:
    bool WatchPath(const Path& path);
    bool Notify(HKEY root, const std::string& path, DWORD changes);
    void Stop();

    // One event that every key's notice sets.
    HANDLE m_event = nullptr;
    std::vector<HKEY> m_keys;
    bool m_watching = false;
};
