// The pacing rule of the display broadcasts.
#include "actions/BroadcastSchedule.h"

void CBroadcastSchedule::Request(DisplayPower power, std::uint64_t now)
{
    if (!m_pending) {
        m_pending = true;
        m_dueAt = now + m_pause;
    }
    m_power = power;
    m_youngest = now;
}

bool CBroadcastSchedule::TakeDue(std::uint64_t now, DisplayPower& power)
{
    if (!m_pending || now < m_dueAt)
        return false;
    power = m_power;
    // Late timers (a busy thread, a flood of posted messages) are covered too: whatever is still
    // younger than the pause at the moment of the broadcast gets its follow-up.
    if (m_youngest + m_pause > now)
        m_dueAt = m_youngest + m_pause;
    else
        m_pending = false;
    return true;
}
