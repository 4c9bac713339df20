// Folds what strangers can repeat (refused and silent connections) into at most one record per
// source address and kind per period, so that a flood costs no file work of its own and can never
// push the records of commands that acted out of the log. No Windows headers here.
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
        std::uint32_t address;  // host byte order
        unsigned port;          // of the latest connection it stands for
        std::string what;       // the kind, then how many when more than one: "Refused 912"

        bool operator==(const Record& other) const
        {
            return address == other.address && port == other.port && what == other.what;
        }
    };

    static constexpr unsigned long long kPeriodMs = 1000;
    // Addresses told apart within one period; a flood from more gives its records out early.
    static constexpr std::size_t kMaxPending = 256;

    // One more connection of the kind (kReceivedRefused, say) from the address.
    void Add(std::uint32_t address, unsigned port, const char* kind, unsigned long long nowMs);
    bool HasPending() const { return !m_pending.empty(); }
    // When the pending records are due: a period after the last ones were given out, or now when
    // the table is full.
    unsigned long long DueAtMs() const;
    // The pending records, oldest address first, once they are due; nothing before.
    std::vector<Record> TakeDue(unsigned long long nowMs);

private:
    struct Count {
        unsigned long long count = 0;
        unsigned port = 0;
        unsigned long long order = 0;
    };

    std::map<std::pair<std::uint32_t, std::string>, Count> m_pending;
    unsigned long long m_lastGivenAtMs = 0;
    bool m_givenBefore = false;
    unsigned long long m_nextOrder = 0;
};
