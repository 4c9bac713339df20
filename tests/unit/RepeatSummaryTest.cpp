// Refused and silent connections summarized per address: one record per address and kind a
// period, however many come, each counting what it stands for.
#include <gtest/gtest.h>

#include "net/RepeatSummary.h"

namespace {

using Record = CRepeatSummary::Record;

TEST(RepeatSummaryTest, AFloodFromTwoAddressesIsOneRecordPerAddressAndKindAPeriodCountingEveryConnection)
{
    CRepeatSummary summary;
    // The first refusal of a quiet listener is due at once; the ones after it wait their period.
    summary.Add(2, 40000, "Refused");
    EXPECT_EQ(summary.DueAtMs(), 0u);
    EXPECT_EQ(summary.TakeDue(0), (std::vector<Record>{{2, 40000, "Refused"}}));
    for (unsigned long long now = 1; now < 3000; ++now) {
        summary.Add(2, 40000 + now % 100, "Refused");
        summary.Add(5, 50000, now % 2 ? "Refused" : "Silent");
        const auto records = summary.TakeDue(now);
        if (now % CRepeatSummary::kPeriodMs != 0) {
            EXPECT_TRUE(records.empty()) << "a record before its period was up, at " << now;
            continue;
        }
        // In the order the addresses first came; the port is the latest connection's.
        ASSERT_EQ(records.size(), 3u) << now;
        EXPECT_EQ(records[0], (Record{2, 40000 + static_cast<unsigned>(now % 100), "Refused 1000"}));
        EXPECT_EQ(records[1], (Record{5, 50000, "Refused 500"}));
        EXPECT_EQ(records[2], (Record{5, 50000, "Silent 500"}));
    }
    EXPECT_TRUE(summary.HasPending());
    EXPECT_EQ(summary.DueAtMs(), 3000u);
    EXPECT_EQ(summary.TakeDue(3000).size(), 3u);
    EXPECT_FALSE(summary.HasPending());
    EXPECT_TRUE(summary.TakeDue(99999).empty()) << "nothing pending, nothing written";
    // Long quiet: the next one is due at once again.
    summary.Add(9, 1, "Silent");
    EXPECT_EQ(summary.TakeDue(5000), (std::vector<Record>{{9, 1, "Silent"}}));
}

TEST(RepeatSummaryTest, AddressesPastTheTableAreCountedTogetherUnderTheUnspecifiedAddress)
{
    CRepeatSummary summary;
    const std::uint32_t many = CRepeatSummary::kMaxAddresses + 300;
    for (int round = 0; round < 2; ++round) {
        for (std::uint32_t address = 1; address <= many; ++address)
            summary.Add(address, address, "Refused");
    }
    // An unknown peer (reset before its address was read) joins the same record.
    summary.Add(0, 9, "Refused");
    const auto records = summary.TakeDue(0);
    ASSERT_EQ(records.size(), CRepeatSummary::kMaxAddresses + 1);
    EXPECT_EQ(records.front(), (Record{1, 1, "Refused 2"}));
    EXPECT_EQ(records[CRepeatSummary::kMaxAddresses - 1].what, "Refused 2");
    EXPECT_EQ(records.back(), (Record{0, 9, "Refused 601"}));
    // The table is free again for the next period.
    summary.Add(many, 1, "Refused");
    EXPECT_EQ(summary.TakeDue(1000), (std::vector<Record>{{many, 1, "Refused"}}));
}

}  // namespace
