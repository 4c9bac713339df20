// Reading, writing and matching the list of computers allowed to send commands.
#include "net/AllowedSenders.h"

#include <algorithm>
#include <set>
#include <utility>

#include "net/AddressText.h"

namespace {

// The one entry whose prefix may be 0. Any other /0 is far likelier a slip (for /30, say) than a
// wish to let every computer in, and is refused.
const std::string_view kEveryone = "0.0.0.0/0";

std::uint32_t PrefixMask(unsigned prefix)
{
    return prefix == 0 ? 0 : ~std::uint32_t(0) << (32 - prefix);
}

bool IsSeparator(char c)
{
    return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n';
}

bool ReadEntry(std::string_view entry, SenderRange& range)
{
    std::string_view rest = entry;
    std::uint32_t address = 0;
    if (!ReadDottedAddress(rest, address))
        return false;
    unsigned prefix = 32;
    if (!rest.empty()) {
        if (rest[0] != '/')
            return false;
        rest.remove_prefix(1);
        if (!ReadDecimalPart(rest, 2, 32, prefix) || !rest.empty())
            return false;
        if (prefix == 0 && entry != kEveryone)
            return false;
    }
    // 192.168.1.5/24 is taken as the range it lies in, which is what it can only mean.
    range = {address & PrefixMask(prefix), prefix};
    return true;
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

    std::vector<Span> spans;
    spans.reserve(ranges.size());
    for (const SenderRange& range : ranges)
        spans.push_back({range.network, range.network | ~PrefixMask(range.prefix)});
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.first < b.first; });
    std::vector<Span> merged;
    for (const Span& span : spans) {
        // Adjacent as well as overlapping; the last address cannot be passed, so +1 never wraps then.
        if (!merged.empty() && (merged.back().last == 0xFFFFFFFF || span.first <= merged.back().last + 1))
            merged.back().last = std::max(merged.back().last, span.last);
        else
            merged.push_back(span);
    }

    m_ranges = std::move(ranges);
    m_spans = std::move(merged);
    m_nobody = false;
    return true;
}

bool CAllowedSenders::Load(const StoredAllowedSenders& stored)
{
    using Kind = StoredAllowedSenders::Kind;
    std::string badEntry;
    if (stored.kind == Kind::Absent || stored.kind == Kind::Empty
        || (stored.kind == Kind::Text && stored.text.empty()))
        return Parse("", badEntry);
    // Separators alone are no list the program ever stored: it stores an empty list as "".
    if (stored.kind == Kind::Text && Parse(stored.text, badEntry) && !m_ranges.empty())
        return true;
    AllowNobody();
    return false;
}

void CAllowedSenders::AllowNobody()
{
    m_ranges.clear();
    m_spans.clear();
    m_nobody = true;
}

bool CAllowedSenders::Allows(std::uint32_t address) const
{
    if (m_nobody)
        return false;
    if (m_spans.empty())
        return true;
    // Only the last span that starts at or below the address can hold it.
    const auto after = std::upper_bound(m_spans.begin(), m_spans.end(), address,
                                        [](std::uint32_t value, const Span& span) { return value < span.first; });
    return after != m_spans.begin() && address <= std::prev(after)->last;
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

bool IsSenderAllowed(const StoredAllowedSenders& stored, std::uint32_t address)
{
    CAllowedSenders senders;
    senders.Load(stored);
    return senders.Allows(address);
}

bool IsSenderAllowed(std::string_view storedText, std::uint32_t address)
{
    using Kind = StoredAllowedSenders::Kind;
    return IsSenderAllowed({storedText.empty() ? Kind::Empty : Kind::Text, std::string(storedText)}, address);
}
