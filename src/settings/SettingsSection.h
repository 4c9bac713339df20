// The program's one registry section, for the accessors of this folder only.
#pragma once

#include <string>

#include "framework/App.h"

namespace settings_section {

inline constexpr char kSection[] = "Settings";

inline int ReadInt(const char* name, int defaultValue)
{
    return CWinApp::Current()->GetProfileInt(kSection, name, defaultValue);
}

inline bool WriteInt(const char* name, int value)
{
    return CWinApp::Current()->WriteProfileInt(kSection, name, value);
}

inline std::string ReadString(const char* name, const char* defaultValue)
{
    return CWinApp::Current()->GetProfileString(kSection, name, defaultValue);
}

inline bool QueryString(const char* name, std::string& value, bool& exists)
{
    return CWinApp::Current()->QueryProfileString(kSection, name, value, exists);
}

inline void WriteString(const char* name, const std::string& value)
{
    CWinApp::Current()->WriteProfileString(kSection, name, value);
}

}  // namespace settings_section
