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

// The whole file at once.
std::vector<ComputerEntry> ParseComputerList(std::string_view bytes);

// The file a piece at a time, so that a list of any size takes no more memory than a piece; gives the
// same records however the file is cut.
class CComputerListReader {
public:
    // Appends every record that this piece completes.
    void Feed(std::string_view bytes, std::vector<ComputerEntry>& entries);
    // The end of the file: a port that runs up to it completes its record; anything else left is dropped.
    void Finish(std::vector<ComputerEntry>& entries);

private:
    enum class Field { SpaceBeforeAddress, Address, SpaceBeforePort, Port };

    Field m_field = Field::SpaceBeforeAddress;
    bool m_addressEmpty = true;  // the address as written, before an over-long one is cut
    ComputerEntry m_entry;
};

// "address,port" and CR LF per entry, nothing else: no quoting, no header, no trailing empty line.
std::string FormatComputerList(const std::vector<ComputerEntry>& entries);
