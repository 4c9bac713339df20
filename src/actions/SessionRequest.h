// Ending the session when a schedule runs out, and starting the system's remote shutdown tool.
#pragma once

#include <string>

// One session-end request per keyword of the action text; nothing for a text without one.
void RequestSessionEnd(const std::string& actionText);
// The system's own interactive tool, which picks remote computers to shut down.
void StartRemoteShutdownTool();
