// Reading, writing and matching the list of computers allowed to send commands.
#include "net/AllowedSenders.h"

#include <set>
#include <utility>

namespace {

std::uint32_t PrefixMask(unsigned prefix)
{
    return prefix == 0 ? 0 : ~std::uint32_t(0) << (32 - prefix);
}

bool IsSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal number of at most maxDigits digits up to max, without leading zeros: "010" is refused
// rather than guessed at, since the system's own address reader takes it as octal.
bool ReadNumber(std::string_view& text, std::size_t maxDigits, unsigned max, unsigned& value)
{
    std::size_t digits = 0;
    value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9' && digits <= maxDigits)
        value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
    if (digits == 0 || digits > maxDigits || value > max || (digits > 1 && text[0] == '0'))
        return false;
    text.remove_prefix(digits);
    return true;
}

bool ReadEntry(std::string_view entry, SenderRange& range)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        unsigned octet = 0;
        if (!ReadNumber(entry, 3, 255, octet))
            return false;
        address = address << 8 | octet;
        if (part < 3) {
            if (entry.empty() || entry[0] != '.')
                return false;
            entry.remove_prefix(1);
        }
    }
    unsigned prefix = 32;
    if (!entry.empty()) {
        if (entry[0] != '/')
            return false;
        entry.remove_prefix(1);
        if (!ReadNumber(entry, 2, 32, prefix) || !entry.empty())
            return false;
    }
    // 192.168.1.5/24 is taken as the range it lies in, which is what it can only mean.
    range = {address & PrefixMask(prefix), prefix};
    return true;
}

std::string DottedText(std::uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string(address >> shift & 0xFF);
        if (shift > 0)
            text += '.';
    }
    return text;
}

}  // namespace

bool CAllowedSenders::Parse(std::string_view text, std::string& badEntry)
{
    std::vector<SenderRange> ranges;
    std::set<std::pair<std::uint32_t, unsigned>> seen;
    std::size_t at = 0;
    while (at < text.size()) {
        if (IsSeparator(text[at])) {
            ++at;
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsSeparator(text[end]))
            ++end;
        const std::string_view entry = text.substr(at, end - at);
        SenderRange range = {};
        if (!ReadEntry(entry, range)) {
            badEntry.assign(entry);
            return false;
        }
        if (seen.insert({range.network, range.prefix}).second)
            ranges.push_back(range);
        at = end;
    }
    m_ranges = std::move(ranges);
    return true;
}

bool CAllowedSenders::Allows(std::uint32_t address) const
{
    if (m_ranges.empty())
        return true;
    for (const SenderRange& range : m_ranges) {
        if ((address & PrefixMask(range.prefix)) == range.network)
            return true;
    }
    return false;
}

std::string CAllowedSenders::Text() const
{
    std::string text;
    for (const SenderRange& range : m_ranges) {
        if (!text.empty())
            text += ", ";
        text += DottedText(range.network);
        if (range.prefix < 32)
            text += '/' + std::to_string(range.prefix);
    }
    return text;
}

bool IsSenderAllowed(std::string_view storedList, std::uint32_t address)
{
    CAllowedSenders senders;
    std::string badEntry;
    return senders.Parse(storedList, badEntry) && senders.Allows(address);
}
