// Registry change notices on one event that is only looked at, never waited for.
#include "framework/RegistryWatch.h"

CRegistryWatch::~CRegistryWatch()
{
    Stop();
    if (m_event)
        ::CloseHandle(m_event);
}

void CRegistryWatch::Stop()
{
    // Closing a key ends its notice.
    for (HKEY key : m_keys)
        ::RegCloseKey(key);
    m_keys.clear();
    m_watching = false;
}

void CRegistryWatch::Watch(const std::vector<Path>& paths)
{
    Stop();
    if (!m_event)
        m_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_event)
        return;
    ::ResetEvent(m_event);
    m_watching = true;
    for (const Path& path : paths)
        m_watching = m_watching && WatchPath(path);
}

bool CRegistryWatch::WatchPath(const Path& path)
{
    // The deepest key there is: a missing part of the path made later is a key made under it
    // (all of them at once, as one call does, are one key under it). Not its subtree, where other
    // programs write all the time. A key is only deleted once it holds no more keys, and its
    // parent is told of that.
    std::string deepest = path.path;
    for (;;) {
        HKEY key = nullptr;
        const LONG opened = ::RegOpenKeyExA(path.root, deepest.c_str(), 0, KEY_NOTIFY, &key);
        if (opened == ERROR_SUCCESS) {
            ::RegCloseKey(key);
            break;
        }
        const std::string::size_type cut = deepest.rfind('\\');
        if (opened != ERROR_FILE_NOT_FOUND || cut == std::string::npos)
            return false;
        deepest.erase(cut);
    }
    const std::string::size_type cut = deepest.rfind('\\');
    const DWORD changes =
        deepest == path.path ? REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET : REG_NOTIFY_CHANGE_NAME;
    return Notify(path.root, deepest, changes)
        && (cut == std::string::npos || Notify(path.root, deepest.substr(0, cut), REG_NOTIFY_CHANGE_NAME));
}

bool CRegistryWatch::Notify(HKEY root, const std::string& path, DWORD changes)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_NOTIFY, &key) != ERROR_SUCCESS)
        return false;
    m_keys.push_back(key);
    return ::RegNotifyChangeKeyValue(key, FALSE, changes, m_event, TRUE) == ERROR_SUCCESS;
}

bool CRegistryWatch::HasChanged() const
{
    return !m_watching || ::WaitForSingleObject(m_event, 0) != WAIT_TIMEOUT;
}
