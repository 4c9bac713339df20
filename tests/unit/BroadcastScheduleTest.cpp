// The pacing of the display broadcasts: never sooner than the pause after a request, requests
// joining a pending broadcast with the latest state winning, and no flood putting it off.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "actions/BroadcastSchedule.h"

namespace {

const std::uint64_t kPause = 500;

struct Event {
    std::uint64_t at;
    DisplayPower power;
};

// Drives a schedule as the program does: each request first lets a due broadcast out, and the
// timer comes at the due time or, on a busy thread, late by up to the given lag.
class Driver {
public:
    explicit Driver(std::uint64_t maxLag, unsigned seed = 1) : m_maxLag(maxLag), m_random(seed) {}

    void Request(DisplayPower power, std::uint64_t at)
    {
        RunTimersUntil(at);
        Take(at);
        m_schedule.Request(power, at);
        m_requests.push_back({at, power});
    }
    // Lets every timer fire that falls due before the given time.
    void RunTimersUntil(std::uint64_t end)
    {
        while (m_schedule.IsPending()) {
            const std::uint64_t fire = m_schedule.DueAt() + (m_maxLag ? m_random() % (m_maxLag + 1) : 0);
            if (fire >= end)
                return;
            Take(fire);
            ASSERT_GT(m_broadcasts.size(), 0u);
        }
    }
    void Finish() { RunTimersUntil(UINT64_MAX); }

    const std::vector<Event>& Requests() const { return m_requests; }
    const std::vector<Event>& Broadcasts() const { return m_broadcasts; }

private:
    void Take(std::uint64_t now)
    {
        DisplayPower power;
        if (m_schedule.TakeDue(now, power))
            m_broadcasts.push_back({now, power});
    }

    CBroadcastSchedule m_schedule{kPause};
    std::uint64_t m_maxLag;
    std::mt19937 m_random;
    std::vector<Event> m_requests;
    std::vector<Event> m_broadcasts;
};

// Every request is answered: the first broadcast at least a pause after it comes within two
// pauses (plus the timer's lag) and carries the state of the latest request before it.
void ExpectEveryRequestAnswered(const Driver& driver, std::uint64_t maxLag)
{
    for (const Event& request : driver.Requests()) {
        const Event* answer = nullptr;
        for (const Event& broadcast : driver.Broadcasts()) {
            if (broadcast.at >= request.at + kPause) {
                answer = &broadcast;
                break;
            }
        }
        ASSERT_NE(answer, nullptr) << "request at " << request.at << " never answered";
        EXPECT_LE(answer->at, request.at + 2 * kPause + 2 * maxLag) << "request at " << request.at;
        const Event* latest = nullptr;
        for (const Event& other : driver.Requests()) {
            if (other.at < answer->at)
                latest = &other;
        }
        EXPECT_EQ(answer->power, latest->power) << "broadcast at " << answer->at;
    }
}

TEST(BroadcastSchedule, OneRequestGoesOutExactlyOnePauseLaterOnce)
{
    CBroadcastSchedule schedule(kPause);
    DisplayPower power = DisplayPower::Off;
    schedule.Request(DisplayPower::On, 1000);
    EXPECT_FALSE(schedule.TakeDue(1499, power));
    ASSERT_TRUE(schedule.TakeDue(1500, power));
    EXPECT_EQ(power, DisplayPower::On);
    EXPECT_FALSE(schedule.IsPending());
    EXPECT_FALSE(schedule.TakeDue(5000, power));
}

TEST(BroadcastSchedule, ALaterRequestJoinsWithItsStateAndIsFollowedUpAPauseAfterIt)
{
    Driver driver(0);
    driver.Request(DisplayPower::Off, 0);
    driver.Request(DisplayPower::On, 100);
    driver.Finish();
    ASSERT_EQ(driver.Broadcasts().size(), 2u);
    EXPECT_EQ(driver.Broadcasts()[0].at, 500u) << "the first request fixed the time";
    EXPECT_EQ(driver.Broadcasts()[0].power, DisplayPower::On) << "the later state wins";
    EXPECT_EQ(driver.Broadcasts()[1].at, 600u) << "the joined request is answered a pause after it";
    EXPECT_EQ(driver.Broadcasts()[1].power, DisplayPower::On);
}

TEST(BroadcastSchedule, AStarvedTimerIsCaughtUpByTheNextRequestWithoutAFollowUp)
{
    // A flood of other messages kept the timer away; the next request lets the old one out first.
    CBroadcastSchedule schedule(kPause);
    schedule.Request(DisplayPower::Off, 0);
    DisplayPower power = DisplayPower::On;
    ASSERT_TRUE(schedule.TakeDue(2000, power));
    EXPECT_EQ(power, DisplayPower::Off);
    EXPECT_FALSE(schedule.IsPending());
    schedule.Request(DisplayPower::On, 2000);
    EXPECT_EQ(schedule.DueAt(), 2500u);
}

TEST(BroadcastSchedule, AFloodGetsAboutOneBroadcastPerPauseAndIsNeverPutOff)
{
    Driver driver(0);
    for (std::uint64_t at = 0; at < 10000; at += 10)
        driver.Request(at % 20 ? DisplayPower::Off : DisplayPower::On, at);
    driver.Finish();
    EXPECT_EQ(driver.Broadcasts().front().at, kPause);
    EXPECT_LE(driver.Broadcasts().size(), 10000 / (kPause - 10) + 2);
    ExpectEveryRequestAnswered(driver, 0);
}

TEST(BroadcastSchedule, RandomRequestsAndLateTimersAreAllAnsweredInTime)
{
    for (unsigned seed = 1; seed <= 50; ++seed) {
        SCOPED_TRACE(seed);
        const std::uint64_t maxLag = seed % 2 ? 0 : 300;
        Driver driver(maxLag, seed);
        std::mt19937 random(seed);
        std::uint64_t at = 0;
        for (int i = 0; i < 200; ++i) {
            at += random() % (seed % 3 ? 200 : 1200);
            driver.Request(random() % 2 ? DisplayPower::Off : DisplayPower::On, at);
        }
        driver.Finish();
        ExpectEveryRequestAnswered(driver, maxLag);
    }
}

}  // namespace
