// The pending schedule's countdown, by elapsed time on a monotonic millisecond clock. No Windows headers here.
#pragma once

#include <cstdint>

class CCountdown {
public:
    // Starts afresh for the given minutes, replacing whatever was pending.
    void Start(int minutes, std::uint32_t nowMs)
    {
        m_minutes = minutes;
        m_startMs = nowMs;
        m_running = true;
    }

    // True at the first tick after more than minutes x 60 s have passed, which also ends the
    // countdown; ticks while nothing is pending count for nothing. Elapsed time, not a tick
    // count: the system merges timer messages while the thread is busy (every display action
    // waits half a second), and a tick count would run late by every merged one. The half
    // second of slack makes an idle thread's ticks, which land just after each full second,
    // fire on the one after the last full minute, never on it.
    bool Tick(std::uint32_t nowMs)
    {
        if (!m_running)
            return false;
        // Unsigned difference: right across the clock's wrap, and a countdown is at most an hour.
        const std::uint32_t elapsedMs = nowMs - m_startMs;
        const std::uint64_t dueMs = static_cast<std::uint64_t>(m_minutes > 0 ? m_minutes : 0) * 60000u + kSlackMs;
        if (elapsedMs < dueMs)
            return false;
        m_running = false;
        return true;
    }

    bool IsRunning() const { return m_running; }

private:
    static constexpr std::uint32_t kSlackMs = 500;

    int m_minutes = 0;
    std::uint32_t m_startMs = 0;
    bool m_running = false;
};
