// Counting refused and silent connections per source address until their record is due.
#include "net/RepeatSummary.h"

#include <algorithm>

void CRepeatSummary::Add(std::uint32_t address, unsigned port, const char* kind)
{
    std::pair<std::uint32_t, std::string> key(address, kind);
    if (address != 0 && m_addresses >= kMaxAddresses && m_pending.count(key) == 0)
        key.first = 0;
    const auto [found, added] = m_pending.try_emplace(std::move(key));
    Count& count = found->second;
    if (added) {
        count.order = m_nextOrder++;
        m_addresses += found->first.first != 0;
    }
    ++count.count;
    count.port = port;
}

std::vector<CRepeatSummary::Record> CRepeatSummary::TakeDue(unsigned long long nowMs)
{
    std::vector<Record> records;
    if (m_pending.empty() || nowMs < DueAtMs())
        return records;
    std::vector<std::pair<unsigned long long, Record>> ordered;
    ordered.reserve(m_pending.size());
    for (const auto& [key, count] : m_pending) {
        std::string what = key.second;
        if (count.count > 1)
            what += ' ' + std::to_string(count.count);
        ordered.push_back({count.order, Record{key.first, count.port, std::move(what)}});
    }
    std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& entry : ordered)
        records.push_back(std::move(entry.second));
    m_pending.clear();
    m_addresses = 0;
    m_lastGivenAtMs = nowMs;
    m_givenBefore = true;
    return records;
}
