// Registry change notices on an event that is only looked at, never waited for.
#include "framework/RegistryWatch.h"

#include <string>

namespace {

const DWORD kChanges = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;

bool Notify(HKEY key, BOOL subtree, DWORD changes, HANDLE event)
{
    return ::RegNotifyChangeKeyValue(key, subtree, changes, event, TRUE) == ERROR_SUCCESS;
}

}  // namespace

CRegistryWatch::~CRegistryWatch()
{
    Stop();
    if (m_event)
        ::CloseHandle(m_event);
}

void CRegistryWatch::Stop()
{
    // Closing a key ends its notice.
    m_key.Close();
    m_parent.Close();
    m_watching = false;
}

void CRegistryWatch::Watch(HKEY root, const char* path)
{
    Stop();
    if (!m_event)
        m_event = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_event)
        return;
    ::ResetEvent(m_event);
    // The deepest key there is: a missing part of the path made later is a change below it. A key
    // is only deleted once it holds no more keys, and its parent is told of that.
    std::string deepest = path, parent;
    bool missing = false;
    while (!m_key.Open(root, deepest.c_str(), KEY_NOTIFY, missing)) {
        const std::string::size_type cut = deepest.rfind('\\');
        if (!missing || cut == std::string::npos)
            return;
        deepest.erase(cut);
    }
    const std::string::size_type cut = deepest.rfind('\\');
    if (cut != std::string::npos) {
        parent = deepest.substr(0, cut);
        if (!m_parent.Open(root, parent.c_str(), KEY_NOTIFY, missing))
            return;
    }
    m_watching = Notify(m_key.Get(), TRUE, kChanges, m_event)
        && (!m_parent.Get() || Notify(m_parent.Get(), FALSE, REG_NOTIFY_CHANGE_NAME, m_event));
}

bool CRegistryWatch::HasChanged() const
{
    return !m_watching || ::WaitForSingleObject(m_event, 0) != WAIT_TIMEOUT;
}
