// Summarizing repeated refusals and silent connections per source address.
#include "net/RepeatSummary.h"

#include <algorithm>

void CRepeatSummary::Add(std::uint32_t address, unsigned port, const char* kind, unsigned long long)
{
    Count& count = m_pending[{address, kind}];
    if (count.count == 0)
        count.order = m_nextOrder++;
    ++count.count;
    count.port = port;
}

unsigned long long CRepeatSummary::DueAtMs() const
{
    if (m_pending.size() >= kMaxPending || !m_givenBefore)
        return m_givenBefore ? m_lastGivenAtMs : 0;
    return m_lastGivenAtMs + kPeriodMs;
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
    m_lastGivenAtMs = nowMs;
    m_givenBefore = true;
    return records;
}
