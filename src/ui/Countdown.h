// The pending schedule's one-second countdown. No Windows headers here.
#pragma once

class CCountdown {
public:
    // Starts counting afresh for the given minutes, replacing whatever was pending.
    void Start(int minutes)
    {
        m_minutes = minutes;
        m_ticks = 0;
        m_running = true;
    }

    // Counts one second; true on the tick that passes minutes x 60, which also ends the countdown.
    // Ticks while nothing is pending count for nothing.
    bool Tick()
    {
        if (!m_running)
            return false;
        ++m_ticks;
        if (static_cast<long long>(m_minutes) * 60 >= m_ticks)
            return false;
        m_running = false;
        return true;
    }

    bool IsRunning() const { return m_running; }
    int Ticks() const { return m_ticks; }

private:
    int m_minutes = 0;
    int m_ticks = 0;
    bool m_running = false;
};
