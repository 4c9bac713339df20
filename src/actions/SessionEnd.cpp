// The action texts' keywords and the request flags they give.
#include "actions/SessionEnd.h"

#include <string>

#include "app/Text.h"

unsigned SessionEndFlags(SessionEndKind kind, bool forced)
{
    unsigned flags = 0;
    switch (kind) {
    case SessionEndKind::Restart:
        flags = 0x2;
        break;
    case SessionEndKind::Shutdown:
        flags = 0x1;
        break;
    case SessionEndKind::LogOff:
        flags = 0x0;
        break;
    }
    return forced ? flags | 0x4 : flags;
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
