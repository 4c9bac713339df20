// Ending the session when a schedule runs out, and starting the system's remote shutdown tool.
#include "actions/SessionRequest.h"

#include <windows.h>
#include <shellapi.h>

#include "actions/SessionEnd.h"

namespace {

// Closes the process token however ExitSession leaves.
class CTokenHandle {
public:
    CTokenHandle() = default;
    CTokenHandle(const CTokenHandle&) = delete;
    CTokenHandle& operator=(const CTokenHandle&) = delete;
    ~CTokenHandle()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    HANDLE* Receive() { return &m_handle; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

void ExitSession(SessionEndKind kind, bool forced)
{
    // Each step is tried even when the one before failed: the system may grant the request anyway.
    CTokenHandle token;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive());
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    ::LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (token.Get())
        ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    ::ExitWindowsEx(SessionEndFlags(kind, forced), 0);
}

}  // namespace

void RequestSessionEnd(const std::string& actionText)
{
    for (const SessionEndRequest& request : SessionEndRequestsFor(actionText))
        ExitSession(request.kind, request.forced);
}

void StartRemoteShutdownTool()
{
    // No path: the system's search finds its own tool.
    ::ShellExecuteA(nullptr, "Open", "ShutDown.exe", "-i", nullptr, SW_SHOW);
}
