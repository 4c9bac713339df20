// When the display broadcasts go out: each request answered no sooner than the pause after it,
// requests that come while one is pending joining it, and no flood postponing it. No Windows headers here.
#pragma once

#include <cstdint>

enum class DisplayPower { Off, On };

// One broadcast is pending at a time. The first request while none is pending fixes when it goes
// out, one pause later; requests while it is pending join it (the latest power state wins) and
// never move it, so a flood cannot put it off. A broadcast that goes out carrying a request
// younger than the pause has not answered that request: one more follows, one pause after the
// youngest request it carried, with whatever state is latest by then. Every request is thus
// answered by a broadcast at least one pause and at most two pauses after it, and a steady flood
// gets about one broadcast per pause.
class CBroadcastSchedule {
public:
    explicit CBroadcastSchedule(std::uint64_t pause) : m_pause(pause) {}

    void Request(DisplayPower power, std::uint64_t now);
    // The broadcast that is due by now, if any; the schedule moves on to its follow-up or to idle.
    bool TakeDue(std::uint64_t now, DisplayPower& power);

    bool IsPending() const { return m_pending; }
    // When the pending broadcast goes out; meaningless while none is pending.
    std::uint64_t DueAt() const { return m_dueAt; }

private:
    std::uint64_t m_pause;
    bool m_pending = false;
    std::uint64_t m_dueAt = 0;
    std::uint64_t m_youngest = 0;
    DisplayPower m_power = DisplayPower::Off;
};
