// Which computers may send this one commands: IPv4 addresses and CIDR ranges. No Windows headers here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The addresses whose first prefix bits are the network's. Addresses are in host byte order.
struct SenderRange {
    std::uint32_t network;
    unsigned prefix;  // 0 to 32
};

class CAllowedSenders {
public:
    // Entries such as 192.168.1.5 or 192.168.1.0/24, separated by blanks, line ends or commas.
    // False at the first entry that is neither, which is given back as written; the list is then
    // left as it was.
    bool Parse(std::string_view text, std::string& badEntry);
    // An empty list allows everyone.
    bool Allows(std::uint32_t address) const;
    // Each entry in its shortest form, a repeated one once, in the order first given.
    std::string Text() const;
    const std::vector<SenderRange>& Ranges() const { return m_ranges; }

private:
    std::vector<SenderRange> m_ranges;
};

// The stored list as the listener applies it: a value that does not read as a list (written by
// another program) allows nobody, never everyone.
bool IsSenderAllowed(std::string_view storedList, std::uint32_t address);
