// Folds what a stranger can repeat (refused and silent connections) into at most one record per
// source address and kind a second, so that a flood costs no file work of its own and writes
// little. No Windows headers here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

class CRepeatSummary {
public:
    struct Record {
        std::uint32_t address;  // host byte order; 0 for the addresses past kMaxAddresses
        unsigned port;          // of the latest connection it stands for
        std::string what;       // the kind, with how many when more than one: "Refused 912"

        bool operator==(const Record& other) const
        {
            return address == other.address && port == other.port && what == other.what;
        }
    };

    // Records are given out at most once a period.
    static constexpr unsigned long long kPeriodMs = 1000;
    // Addresses told apart within one period. A flood from more is still counted, under 0.0.0.0,
    // so that the table, and the records of one period, stay small whatever the flood.
    static constexpr std::size_t kMaxAddresses = 256;

    // One more connection of the kind (kReceivedRefused, say) from the address.
    void Add(std::uint32_t address, unsigned port, const char* kind);
    bool HasPending() const { return !m_pending.empty(); }
    // When TakeDue gives the pending records: at once after a quiet period, otherwise a period
    // after the last were given.
    unsigned long long DueAtMs() const { return m_givenBefore ? m_lastGivenAtMs + kPeriodMs : 0; }
    // The pending records in the order their addresses first came, once due; nothing before.
    std::vector<Record> TakeDue(unsigned long long nowMs);

private:
    struct Count {
        unsigned long long count = 0;
        unsigned port = 0;
        unsigned long long order = 0;
    };

    std::map<std::pair<std::uint32_t, std::string>, Count> m_pending;
    std::size_t m_addresses = 0;  // entries of m_pending other than the overflow ones
    unsigned long long m_nextOrder = 0;
    unsigned long long m_lastGivenAtMs = 0;
    bool m_givenBefore = false;
};
