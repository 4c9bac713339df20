// The wake guard's watchdog: when the hook thread counts as stalled, and that it is found in time.
#include <gtest/gtest.h>

#include <vector>

#include "ui/HookWatchdog.h"

namespace {

using Step = CHookWatchdog::Step;
const unsigned long long kWithin = CHookWatchdog::kAnswerWithinMs;

// A tick (with the step it must give), the answer to the last ping, the answer to the ping before it, or a new arming.
struct Event { enum { Tick, Answer, OldAnswer, Arm } what; unsigned long long atMs; Step expected = Step::Wait; };

TEST(HookWatchdog, StallsOnlyWhenTheCurrentPingGoesUnansweredPastItsDeadline)
{
    const struct { const char* what; std::vector<Event> events; } cases[] = {
        {"answered: the next tick pings again",
         {{Event::Tick, 0, Step::Ping}, {Event::Answer, 10}, {Event::Tick, 250, Step::Ping}}},
        {"unanswered: waits until the deadline, not a moment longer",
         {{Event::Tick, 0, Step::Ping}, {Event::Tick, 250, Step::Wait}, {Event::Tick, kWithin - 1, Step::Wait},
          {Event::Tick, kWithin, Step::Stalled}}},
        {"an answer to an earlier ping is no answer",
         {{Event::Tick, 0, Step::Ping}, {Event::Answer, 10}, {Event::Tick, 250, Step::Ping}, {Event::OldAnswer, 260},
          {Event::Tick, 250 + kWithin, Step::Stalled}}},
        {"an answer that outlived its arming does not count for the next",
         {{Event::Tick, 0, Step::Ping}, {Event::Arm, 100}, {Event::Tick, 200, Step::Ping}, {Event::OldAnswer, 210},
          {Event::Tick, 200 + kWithin, Step::Stalled}}},
        {"a guard held up itself finds the answer waiting: no stall",
         {{Event::Tick, 0, Step::Ping}, {Event::Answer, 5}, {Event::Tick, 60000, Step::Ping}}},
    };
    for (const auto& c : cases) {
        CHookWatchdog watchdog;
        watchdog.Start();
        unsigned last = 0, before = 0;
        for (const Event& e : c.events) {
            unsigned ping = 0;
            if (e.what == Event::Tick) {
                EXPECT_EQ(watchdog.Tick(e.atMs, ping), e.expected) << c.what << " at " << e.atMs;
                if (e.expected == Step::Ping) {
                    EXPECT_NE(ping, last) << c.what;
                    before = last;
                    last = ping;
                }
            } else if (e.what == Event::Arm) {
                watchdog.Start();
                before = last;
            } else {
                watchdog.OnAnswer(e.what == Event::Answer ? last : before);
            }
        }
    }
}

TEST(HookWatchdog, AThreadThatStopsAnsweringIsGivenUpWithinASecond)
{
    // The thread answers every ping at once until it stalls; wherever the stall falls between two
    // ticks, it is found within a second of its start.
    for (unsigned long long stallAt = 1000; stallAt < 1000 + 2 * CHookWatchdog::kTickMs; stallAt += 10) {
        CHookWatchdog watchdog;
        watchdog.Start();
        unsigned long long foundAt = 0;
        for (unsigned long long now = 0; now < 10000 && !foundAt; now += CHookWatchdog::kTickMs) {
            unsigned ping = 0;
            const Step step = watchdog.Tick(now, ping);
            if (step == Step::Stalled)
                foundAt = now;
            else if (step == Step::Ping && now < stallAt)
                watchdog.OnAnswer(ping);
        }
        ASSERT_NE(foundAt, 0u) << "stall at " << stallAt;
        EXPECT_GT(foundAt, stallAt);
        EXPECT_LE(foundAt, stallAt + 1000) << "stall at " << stallAt;
    }
}

}  // namespace
