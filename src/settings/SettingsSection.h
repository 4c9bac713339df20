// The program's one registry section and the policies over it, for the accessors of this folder only.
#pragma once

#include <string>

#include "framework/App.h"
#include "framework/Profile.h"
#include "settings/PolicyRules.h"

namespace settings_section {

inline constexpr char kSection[] = "Settings";

// Where an administrator's values are, under HKEY_LOCAL_MACHINE for every user of the computer
// and under HKEY_CURRENT_USER for one; both win over the user's own values.
inline constexpr char kPolicyPath[] = "Software\\Policies\\Brightfen\\Dusklamp";

inline RegistryValue ReadMachinePolicy(const char* name)
{
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, kPolicyPath, name);
}

inline RegistryValue ReadUserPolicy(const char* name)
{
    return ReadRegistryValue(HKEY_CURRENT_USER, kPolicyPath, name);
}

// Read afresh at every call, so that a policy set or taken away counts at once.
inline NumberInForce ReadIntInForce(const char* name, int defaultValue, PolicyRange range = kAnyPolicyNumber)
{
    int own = 0;
    const bool found = CWinApp::Current()->QueryProfileInt(kSection, name, own);
    return ResolveNumber(ReadMachinePolicy(name), ReadUserPolicy(name), found ? std::optional<int>(own) : std::nullopt,
                         defaultValue, range);
}

inline bool IsManaged(const char* name, PolicyRange range = kAnyPolicyNumber)
{
    return ReadIntInForce(name, 0, range).byPolicy;
}

// A value a policy sets is never written to the user's own: when the policy goes, the user's
// earlier choice is back. False then, as nothing was stored.
inline bool WriteIntUnlessManaged(const char* name, int value, PolicyRange range = kAnyPolicyNumber)
{
    return !IsManaged(name, range) && CWinApp::Current()->WriteProfileInt(kSection, name, value);
}

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
