// Which session-end requests an action text makes, and when a countdown runs out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions/SessionEnd.h"
#include "ui/Countdown.h"

namespace {

struct Case {
    const char* text;
    std::vector<unsigned> flags;
};

void PrintTo(const Case& c, std::ostream* os)
{
    *os << '"' << c.text << '"';
}

class SessionEndTest : public ::testing::TestWithParam<Case> {};

TEST_P(SessionEndTest, TextGivesTheseRequestsInOrder)
{
    std::vector<unsigned> flags;
    for (const SessionEndRequest& request : SessionEndRequestsFor(GetParam().text))
        flags.push_back(SessionEndFlags(request.kind, request.forced));
    EXPECT_EQ(flags, GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, SessionEndTest,
    ::testing::Values(
        // The gentle labels ask applications to close; only "(Brute)" forces them.
        Case{"Shutdown", {0x1}}, Case{"Shutdown(Brute)", {0x5}}, Case{"Restart", {0x2}},
        Case{"Restart(Brute)", {0x6}}, Case{"Log Off", {0x0}},
        // Any case.
        Case{"SHUTDOWN", {0x1}}, Case{"restart(brute)", {0x6}}, Case{"lOG oFF", {0x0}}, Case{"ShutDown(BRUTE)", {0x5}},
        // No keyword: nothing at all.
        Case{"", {}}, Case{"Brute", {}}, Case{"Hibernate", {}}, Case{"Logoff", {}}, Case{"Shut down", {}},
        // Keywords are tested independently, restart before shutdown before log off.
        Case{"log off and restart", {0x2, 0x0}}, Case{"shutdown restart log off brute", {0x6, 0x5, 0x4}}));

TEST(Countdown, RunsOutOnTheTickAfterTheLastFullMinute)
{
    CCountdown countdown;
    countdown.Start(1);
    for (int tick = 1; tick <= 60; ++tick)
        ASSERT_FALSE(countdown.Tick()) << tick;
    EXPECT_TRUE(countdown.Tick());
    EXPECT_FALSE(countdown.IsRunning());
    EXPECT_FALSE(countdown.Tick()) << "it runs out once";
}

TEST(Countdown, NewStartCountsFromZeroWithTheNewMinutes)
{
    CCountdown countdown;
    countdown.Start(2);
    for (int tick = 0; tick < 100; ++tick)
        ASSERT_FALSE(countdown.Tick());
    countdown.Start(1);
    EXPECT_EQ(countdown.Ticks(), 0);
    for (int tick = 1; tick <= 60; ++tick)
        ASSERT_FALSE(countdown.Tick()) << tick;
    EXPECT_TRUE(countdown.Tick());
}

TEST(Countdown, TicksWithNothingPendingDoNothing)
{
    CCountdown countdown;
    EXPECT_FALSE(countdown.Tick());
    EXPECT_FALSE(countdown.IsRunning());
    EXPECT_EQ(countdown.Ticks(), 0);
}

}  // namespace
