// The action texts' keywords and the request flags they give.
#include "actions/SessionEnd.h"

#include <string>

#include "framework/Text.h"

namespace {

// ExitWindowsEx's flags, spelled out so that this file needs no Windows header.
const unsigned kExitLogOff = 0x0;    // EWX_LOGOFF
const unsigned kExitShutdown = 0x1;  // EWX_SHUTDOWN
const unsigned kExitReboot = 0x2;    // EWX_REBOOT
const unsigned kExitForce = 0x4;     // EWX_FORCE

}  // namespace

unsigned SessionEndFlags(SessionEndKind kind, bool forced)
{
    unsigned flags = 0;
    switch (kind) {
    case SessionEndKind::Restart:
        flags = kExitReboot;
        break;
    case SessionEndKind::Shutdown:
        flags = kExitShutdown;
        break;
    case SessionEndKind::LogOff:
        flags = kExitLogOff;
        break;
    }
    return forced ? flags | kExitForce : flags;
}

std::vector<SessionEndRequest> SessionEndRequestsFor(std::string_view actionText)
{
    const std::string text = ToLowerAscii(actionText);
    // "(Brute)" is the label the dialog's warning about unsaved data refers to: only it forces.
    const bool forced = text.find("brute") != std::string::npos;
    const struct {
        const char* keyword;
        SessionEndKind kind;
    } keywords[] = {
        {"restart", SessionEndKind::Restart},
        {"shutdown", SessionEndKind::Shutdown},
        {"log off", SessionEndKind::LogOff},
    };
    std::vector<SessionEndRequest> requests;
    for (const auto& keyword : keywords) {
        if (text.find(keyword.keyword) != std::string::npos)
            requests.push_back({keyword.kind, forced});
    }
    return requests;
}
