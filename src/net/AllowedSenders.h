// Which computers may send this one commands: IPv4 addresses and CIDR ranges. No Windows headers here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/NetworkValues.h"

// The addresses whose first prefix bits are the network's. Addresses are in host byte order.
struct SenderRange {
    std::uint32_t network;
    unsigned prefix;  // 0 to 32
};

// Parsed once, asked for every connection: a look costs about the same for one entry as for ten
// thousand.
class CAllowedSenders {
public:
    // Entries such as 192.168.1.5 or 192.168.1.0/24, separated by blanks, line ends or commas. A
    // prefix of 0 is taken only in 0.0.0.0/0, which says "everyone" on purpose. False at the first
    // entry that is none of these, which is given back as written; the list is then left as it was.
    bool Parse(std::string_view text, std::string& badEntry);
    // The list as the listener applies the stored value: one that is absent or empty lets everyone
    // in; one that cannot be read, is not a string, or does not read as a list of at least one
    // entry (written by another program, or by hand) lets nobody in, never everyone. False then.
    bool Load(const StoredAllowedSenders& stored);
    // An empty parsed list allows everyone; a list loaded from an unusable value nobody.
    bool Allows(std::uint32_t address) const;
    // Each entry in its shortest form, a repeated one once, in the order first given.
    std::string Text() const;
    const std::vector<SenderRange>& Ranges() const { return m_ranges; }

private:
    // The allowed addresses from first to last, both included.
    struct Span {
        std::uint32_t first;
        std::uint32_t last;
    };

    void AllowNobody();

    std::vector<SenderRange> m_ranges;
    // The ranges in address order, overlapping and adjacent ones merged, for a binary search.
    std::vector<Span> m_spans;
    bool m_nobody = false;
};

// Whether the stored value lets the address in, by the rule of CAllowedSenders::Load. The text
// form is a value stored as a string.
bool IsSenderAllowed(const StoredAllowedSenders& stored, std::uint32_t address);
bool IsSenderAllowed(std::string_view storedText, std::uint32_t address);
