// The wake guard's watchdog rule: one ping at a time, and a deadline for its answer.
#include "ui/HookWatchdog.h"

CHookWatchdog::Step CHookWatchdog::Tick(unsigned long long nowMs, unsigned& ping)
{
    if (m_waiting)
        return nowMs - m_sentMs >= kAnswerWithinMs ? Step::Stalled : Step::Wait;
    ping = ++m_lastPing;
    m_waiting = true;
    m_sentMs = nowMs;
    return Step::Ping;
}

void CHookWatchdog::OnAnswer(unsigned ping)
{
    if (m_waiting && ping == m_lastPing)
        m_waiting = false;
}
