// The pacing of the display broadcasts: never sooner than the pause after a request, requests
// joining a pending broadcast with the latest state winning, and no flood putting it off.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "actions/BroadcastSchedule.h"

namespace {

const std::uint64_t kPause = 500;

struct Event { std::uint64_t at; DisplayPower power; };

// Runs requests (in time order) as the program does: a due broadcast goes out before each request,
// and the timer comes at the due time or, on a busy thread, late by up to maxLag.
std::vector<Event> Broadcasts(const std::vector<Event>& requests, std::uint64_t maxLag = 0, unsigned seed = 1)
{
    CBroadcastSchedule schedule(kPause);
    std::mt19937 random(seed);
    std::vector<Event> broadcasts;
    const auto take = [&](std::uint64_t now) {
        DisplayPower power;
        if (schedule.TakeDue(now, power))
            broadcasts.push_back({now, power});
    };
    for (std::size_t i = 0; i <= requests.size(); ++i) {
        const std::uint64_t until = i < requests.size() ? requests[i].at : UINT64_MAX;
        while (schedule.IsPending()) {
            const std::uint64_t fire = schedule.DueAt() + (maxLag ? random() % (maxLag + 1) : 0);
            if (fire >= until)
                break;
            take(fire);
        }
        if (i < requests.size()) {
            take(until);
            schedule.Request(requests[i].power, until);
        }
    }
    return broadcasts;
}

// Each request's answer, the first broadcast at least a pause after it, comes within two pauses
// (plus the timer's lag) and carries the state of the latest request before it.
void ExpectEveryRequestAnswered(const std::vector<Event>& requests, const std::vector<Event>& broadcasts,
                                std::uint64_t maxLag)
{
    for (const Event& request : requests) {
        auto answer = broadcasts.begin();
        while (answer != broadcasts.end() && answer->at < request.at + kPause)
            ++answer;
        ASSERT_NE(answer, broadcasts.end()) << "request at " << request.at << " never answered";
        EXPECT_LE(answer->at, request.at + 2 * kPause + 2 * maxLag) << "request at " << request.at;
        auto latest = requests.begin();
        while (latest + 1 != requests.end() && (latest + 1)->at < answer->at)
            ++latest;
        EXPECT_EQ(answer->power, latest->power) << "broadcast at " << answer->at;
    }
}

TEST(BroadcastSchedule, ALaterRequestJoinsWithItsStateAndIsFollowedUpAPauseAfterIt)
{
    const auto broadcasts = Broadcasts({{0, DisplayPower::Off}, {100, DisplayPower::On}, {2000, DisplayPower::Off}});
    ASSERT_EQ(broadcasts.size(), 3u);
    EXPECT_EQ(broadcasts[0].at, 500u) << "the first request fixes the time";
    EXPECT_EQ(broadcasts[0].power, DisplayPower::On) << "the later state wins";
    EXPECT_EQ(broadcasts[1].at, 600u) << "the joined request is answered a pause after it";
    EXPECT_EQ(broadcasts[2].at, 2500u);
    EXPECT_EQ(broadcasts[2].power, DisplayPower::Off);
}

TEST(BroadcastSchedule, AFloodGetsAboutOneBroadcastPerPauseAndIsNeverPutOff)
{
    std::vector<Event> requests;
    for (std::uint64_t at = 0; at < 10000; at += 10)
        requests.push_back({at, at % 20 ? DisplayPower::Off : DisplayPower::On});
    const auto broadcasts = Broadcasts(requests);
    EXPECT_EQ(broadcasts.front().at, kPause);
    EXPECT_LE(broadcasts.size(), 10000 / (kPause - 10) + 2);
    ExpectEveryRequestAnswered(requests, broadcasts, 0);
}

TEST(BroadcastSchedule, RandomRequestsAndLateTimersAreAllAnsweredInTime)
{
    for (unsigned seed = 1; seed <= 50; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        std::vector<Event> requests;
        std::uint64_t at = 0;
        for (int i = 0; i < 200; ++i) {
            at += random() % (seed % 3 ? 200 : 1200);
            requests.push_back({at, random() % 2 ? DisplayPower::Off : DisplayPower::On});
        }
        const std::uint64_t maxLag = seed % 2 ? 0 : 300;
        ExpectEveryRequestAnswered(requests, Broadcasts(requests, maxLag, seed), maxLag);
    }
}

}  // namespace
