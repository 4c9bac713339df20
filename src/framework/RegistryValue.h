// A registry value as the registry gave it, type and bytes untouched, for rules that must tell a value
// of the wrong type from a missing one. No Windows headers here.
#pragma once

#include <cstdint>
#include <string>

// The registry's type codes that the program's rules look at.
inline constexpr std::uint32_t kRegistryString = 1;        // REG_SZ
inline constexpr std::uint32_t kRegistryExpandString = 2;  // REG_EXPAND_SZ
inline constexpr std::uint32_t kRegistryDword = 4;         // REG_DWORD

struct RegistryValue {
    enum class State {
        Absent,      // neither the value nor its key is there
        Present,     // type and data as stored
        Unreadable,  // there, or perhaps there, but the registry refused or failed to give it
    };
    State state = State::Absent;
    std::uint32_t type = 0;
    std::string data;
};

// The text of a string value without its terminators; false for any other value. A NUL inside
// the text stays, so that the text is not taken for the part in front of it.
bool RegistryText(const RegistryValue& value, std::string& text);
// The number of a REG_DWORD of exactly four bytes; false for any other value.
bool RegistryNumber(const RegistryValue& value, std::uint32_t& number);
