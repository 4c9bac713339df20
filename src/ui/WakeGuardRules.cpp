// The wake guard's rules: arming, disarming and the re-blank after each burst of mouse input.
#include "ui/WakeGuardRules.h"

#include <algorithm>

bool CWakeGuardRules::OnDisarmingRequest()
{
    m_armAtBroadcast = false;
    const bool wasArmed = m_armed;
    Disarm();
    return wasArmed;
}

bool CWakeGuardRules::OnBroadcast(bool displayOff, bool wanted)
{
    if (!displayOff) {
        m_armAtBroadcast = false;
        Disarm();
        return false;
    }
    const bool arm = m_armAtBroadcast && wanted && !m_armed;
    m_armAtBroadcast = false;
    if (!arm)
        return false;
    m_armed = true;
    m_inBurst = false;
    return true;
}

bool CWakeGuardRules::OnMouseInput(unsigned long long nowMs)
{
    if (!m_armed)
        return false;
    m_lastInputMs = nowMs;
    if (m_inBurst)
        return false;
    m_inBurst = true;
    m_burstStartMs = nowMs;
    return true;
}

unsigned long long CWakeGuardRules::NextCheckMs() const
{
    return std::min(m_lastInputMs + kSettleMs, m_burstStartMs + kLongestBurstMs);
}

bool CWakeGuardRules::TakeReblank(unsigned long long nowMs)
{
    if (!m_armed || !m_inBurst || nowMs < NextCheckMs())
        return false;
    m_inBurst = false;
    return true;
}

void CWakeGuardRules::Disarm()
{
    m_armed = false;
    m_inBurst = false;
}
