// The remote commands one Dusklamp sends another, and how a receiver takes the text of one. No Windows headers here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct RemoteCommand {
    const char* label;  // shown in the network dialog and written to the commands log
    const char* wire;   // the exact bytes sent, no terminator
};

// The index is the command's position in the network dialog's list and the stored "LastCommand".
inline constexpr RemoteCommand kRemoteCommands[] = {
    {"Dusklamp", " "}, {"Lock WorkStation & Dusklamp", ":lock"}, {"Dawnlamp", ":displayon"}};

// The label of the command whose wire text equals this one, ignoring ASCII case; empty when none does.
std::string FindCommandLabel(std::string_view wire);

// A receiver reads once, at most this many bytes.
inline constexpr std::size_t kMaxCommandBytes = 100;

// The command text from what one read returned: at most kMaxCommandBytes, cut at the first NUL.
std::string CommandTextFromBytes(const char* data, std::size_t size);
