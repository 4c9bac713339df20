// When the wake guard gives up on its hook thread: no Windows header.
#pragma once

// While the guard is armed it looks every kTickMs: with no ping outstanding it sends one, and a
// ping still unanswered kAnswerWithinMs after it went out means the hook thread has stalled.
// A stall that begins just after an answer is found at the latest one tick (the next ping) plus
// the answer time later: within a second.
class CHookWatchdog {
public:
    static constexpr unsigned kTickMs = 250;
    static constexpr unsigned kAnswerWithinMs = 700;

    enum class Step { Wait, Ping, Stalled };

    // At arming: the first tick pings at once. Numbers go on across armings, so an answer that
    // comes after its arming has ended never counts for the next one.
    void Start() { m_waiting = false; }
    // What to do at this tick; for Ping, the number to send is in ping.
    Step Tick(unsigned long long nowMs, unsigned& ping);
    void OnAnswer(unsigned ping);

private:
    unsigned m_lastPing = 0;
    bool m_waiting = false;
    unsigned long long m_sentMs = 0;
};
