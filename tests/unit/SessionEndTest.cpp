// Which session-end requests an action text makes, and when a countdown runs out.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "actions/SessionEnd.h"
#include "ui/Countdown.h"

namespace {

TEST(SessionEnd, TextGivesTheseRequestsInOrder)
{
    // Only "(Brute)" forces applications to close; keywords are found in any case and independently, restart
    // before shutdown before log off.
    const struct { const char* text; std::vector<unsigned> flags; } cases[] = {
        {"Shutdown", {0x1}}, {"Shutdown(Brute)", {0x5}}, {"Restart", {0x2}}, {"Restart(Brute)", {0x6}},
        {"Log Off", {0x0}}, {"SHUTDOWN", {0x1}}, {"restart(brute)", {0x6}}, {"lOG oFF", {0x0}},
        {"ShutDown(BRUTE)", {0x5}},
        {"", {}}, {"Brute", {}}, {"Hibernate", {}}, {"Logoff", {}}, {"Shut down", {}},
        {"log off and restart", {0x2, 0x0}}, {"shutdown restart log off brute", {0x6, 0x5, 0x4}}};
    for (const auto& c : cases) {
        std::vector<unsigned> flags;
        for (const SessionEndRequest& request : SessionEndRequestsFor(c.text))
            flags.push_back(SessionEndFlags(request.kind, request.forced));
        EXPECT_EQ(flags, c.flags) << '"' << c.text << '"';
    }
}

// Ticks as an idle thread's timer delivers them: just after each full second.
TEST(Countdown, RunsOutOnTheTickAfterTheLastFullMinuteNeverOnIt)
{
    for (const std::uint32_t jitterMs : {0u, 1u, 16u}) {
        CCountdown countdown;
        countdown.Start(1, 5000);
        for (std::uint32_t tick = 1; tick <= 60; ++tick)
            ASSERT_FALSE(countdown.Tick(5000 + tick * 1000 + jitterMs)) << tick;
        EXPECT_TRUE(countdown.Tick(5000 + 61000 + jitterMs));
        EXPECT_FALSE(countdown.Tick(5000 + 62000)) << "it runs out once";
    }
}

TEST(Countdown, GoesByElapsedTimeNotByHowManyTicksCame)
{
    CCountdown countdown;
    countdown.Start(1, 1000);
    // Forged ticks, however many, never run it out early.
    for (int forged = 0; forged < 1000; ++forged)
        ASSERT_FALSE(countdown.Tick(1000 + 60000));
    // A busy thread's merged ticks do not delay it: two in the whole minute are enough.
    EXPECT_TRUE(countdown.Tick(1000 + 60600));
    EXPECT_FALSE(countdown.Tick(0x7FFFFFFF)) << "nothing pending any more";
}

TEST(Countdown, NewStartCountsAfreshAcrossTheClocksWrap)
{
    CCountdown countdown;
    countdown.Start(2, 0xFFFFF000u);
    EXPECT_FALSE(countdown.Tick(0xFFFFF000u + 100000u));
    countdown.Start(1, 0xFFFFF000u + 100000u);
    EXPECT_FALSE(countdown.Tick(0xFFFFF000u + 160000u));
    EXPECT_TRUE(countdown.Tick(0xFFFFF000u + 161000u));
}

}  // namespace
