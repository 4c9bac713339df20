// Which session-end requests an action text asks for. No Windows headers here.
#pragma once

#include <string_view>
#include <vector>

enum class SessionEndKind { Restart, Shutdown, LogOff };

// The labels the schedule dialog offers, in its order.
inline constexpr const char* kActionLabels[] = {"Shutdown", "Shutdown(Brute)", "Restart", "Restart(Brute)", "Log Off"};

struct SessionEndRequest {
    SessionEndKind kind;
    bool forced;  // applications are closed without being asked
};

// EWX_REBOOT 0x2, EWX_SHUTDOWN 0x1 or EWX_LOGOFF 0x0, with EWX_FORCE 0x4 for a forced request.
unsigned SessionEndFlags(SessionEndKind kind, bool forced);

// One request per keyword the text holds ("restart", "shutdown", "log off", in that order, any
// case); only a "(Brute)" action forces applications closed. A text with no keyword asks nothing.
std::vector<SessionEndRequest> SessionEndRequestsFor(std::string_view actionText);
