// Refused and silent connections summarized per address: one record per address and kind per
// period, however many come, and the count of what each stands for.
#include <gtest/gtest.h>

#include "net/DataFiles.h"
#include "net/RepeatSummary.h"

namespace {

using Record = CRepeatSummary::Record;

TEST(RepeatSummaryTest, AFloodFromTwoAddressesIsOneRecordPerAddressAndKindPerSecondCountingEveryConnection)
{
    CRepeatSummary summary;
    // The first refusal of a quiet listener is written at once; the ones after it wait their period.
    summary.Add(2, 40000, kReceivedRefused, 0);
    EXPECT_EQ(summary.TakeDue(0), (std::vector<Record>{{2, 40000, "Refused"}}));
    unsigned long long total = 1;
    for (unsigned long long now = 1; now < 3000; ++now) {
        summary.Add(2, 40000 + now % 100, kReceivedRefused, now);
        summary.Add(5, 50000, now % 2 ? kReceivedRefused : kReceivedSilent, now);
        ++total;
        const auto records = summary.TakeDue(now);
        if (now % CRepeatSummary::kPeriodMs != 0) {
            EXPECT_TRUE(records.empty()) << "a record before its period was up, at " << now;
            continue;
        }
        // Oldest address first; the port is the latest connection's.
        ASSERT_EQ(records.size(), 3u) << now;
        EXPECT_EQ(records[0], (Record{2, 40000 + static_cast<unsigned>(now % 100), "Refused 1000"}));
        EXPECT_EQ(records[1].what, "Refused 500");
        EXPECT_EQ(records[2].what, "Silent 500");
    }
    EXPECT_TRUE(summary.HasPending());
    EXPECT_EQ(summary.DueAtMs(), 3000u);
    EXPECT_EQ(summary.TakeDue(3000).size(), 3u);
    EXPECT_FALSE(summary.HasPending());
    EXPECT_TRUE(summary.TakeDue(99999).empty()) << "nothing pending, nothing written";
}

TEST(RepeatSummaryTest, AFullTableGivesItsRecordsOutAtOnceSoThatNoAddressIsLost)
{
    CRepeatSummary summary;
    summary.Add(1, 1, kReceivedSilent, 0);
    ASSERT_EQ(summary.TakeDue(0).size(), 1u);
    for (std::uint32_t address = 0; address < CRepeatSummary::kMaxPending; ++address)
        summary.Add(address, 7, kReceivedRefused, 10);
    EXPECT_EQ(summary.DueAtMs(), 0u);
    const auto records = summary.TakeDue(10);
    ASSERT_EQ(records.size(), CRepeatSummary::kMaxPending);
    EXPECT_EQ(records.back(), (Record{CRepeatSummary::kMaxPending - 1, 7, "Refused"}));
}

}  // namespace
