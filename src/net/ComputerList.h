// The computer list file "Clients.txt" as bytes: one "address,port" record per line. No Windows headers here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Both fields stay text exactly as read or typed; the port becomes a number only when a command is sent.
struct ComputerEntry {
    std::string address;
    std::string port;
};

// Longest fields the reader keeps; longer ones are cut.
inline constexpr std::size_t kMaxAddressChars = 51, kMaxPortChars = 11;

std::vector<ComputerEntry> ParseComputerList(std::string_view bytes);

// "address,port" and CR LF per entry, nothing else: no quoting, no header, no trailing empty line.
std::string FormatComputerList(const std::vector<ComputerEntry>& entries);
