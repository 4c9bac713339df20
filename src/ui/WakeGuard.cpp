// The wake guard on the main thread: arming and disarming, the re-blank timer and the watchdog over
// the hook thread.
#include "ui/WakeGuard.h"

#include "framework/Clock.h"
#include "settings/SettingsStore.h"
#include "ui/WakeGuardNames.h"

namespace {

const UINT_PTR kReblankTimer = 1;
const UINT_PTR kWatchdogTimer = 2;

unsigned long long NowMs()
{
    return MonotonicMicroseconds() / 1000;
}

}  // namespace

const MessageEntry<CWakeGuard> CWakeGuard::kMessages[] = {
    {WM_TIMER, kReblankTimer, &CWakeGuard::OnReblankCheck},
    {WM_TIMER, kWatchdogTimer, &CWakeGuard::OnWatchdogTick},
    {CWakeGuardHooks::kKeyPressed, 0, &CWakeGuard::OnArmingEnded},
    {CWakeGuardHooks::kHooksLost, 0, &CWakeGuard::OnArmingEnded},
    {CWakeGuardHooks::kMouseHeldBack, 0, &CWakeGuard::OnMouseHeldBack},
    {CWakeGuardHooks::kPingAnswered, 0, &CWakeGuard::OnPingAnswered},
};

bool CWakeGuard::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CWnd::OnMessage(message, wParam, lParam, result);
}

bool CWakeGuard::Create()
{
    if (!CreateMessageWindow(kWakeGuardClass))
        return false;
    // The hooks never run on this thread: it reads the registry, writes files and calls the
    // shell, and the system silently takes off a low-level hook that answers late.
    if (!m_hooks.Start(m_hWnd)) {
        m_hooks.Stop();
        DestroyWindow();
        return false;
    }
    return true;
}

void CWakeGuard::Close()
{
    Disarm();
    m_hooks.Stop();
}

void CWakeGuard::OnDisplayPowerBroadcast(DisplayPower power)
{
    const bool off = power == DisplayPower::Off;
    // Read at each blanking, as every setting is: the menu may have changed it meanwhile.
    const bool wanted = off && ReadKeepDarkUntilKey() != 0;
    if (m_rules.OnBroadcast(off, wanted)) {
        if (!m_hooks.Arm(m_arming)) {
            m_rules.OnDisarmingRequest();
            return;
        }
        m_watchdog.Start();
        ::SetTimer(m_hWnd, kWatchdogTimer, CHookWatchdog::kTickMs, nullptr);
        return;
    }
    if (!m_rules.IsArmed())
        ReleaseInput();
}

void CWakeGuard::Disarm()
{
    m_rules.OnDisarmingRequest();
    ReleaseInput();
}

void CWakeGuard::ReleaseInput()
{
    m_hooks.Disarm();
    if (m_hWnd) {
        ::KillTimer(m_hWnd, kReblankTimer);
        ::KillTimer(m_hWnd, kWatchdogTimer);
    }
}

LRESULT CWakeGuard::OnArmingEnded(UINT, WPARAM arming, LPARAM)
{
    // A key press or lost hooks of an earlier arming leave a guard armed again since then alone.
    if (arming == m_arming)
        Disarm();
    return 0;
}

LRESULT CWakeGuard::OnMouseHeldBack(UINT, WPARAM, LPARAM)
{
    m_hooks.TakeMouseNotice();
    const unsigned long long now = NowMs();
    if (m_rules.OnMouseInput(now))
        SetCheckTimer(now);
    return 0;
}

LRESULT CWakeGuard::OnWatchdogTick(UINT, WPARAM, LPARAM)
{
    // The mouse is the user's again within a second of the hook thread's stalling: the watchdog
    // finds a stall within a second, and the hooks are then taken off from this thread. Input
    // waiting on the stalled thread at that moment passes when the system stops waiting for it.
    // A hook the system took off on its own is put back at the next ping, a quarter of a second
    // later, or the guard disarms.
    unsigned ping = 0;
    switch (m_watchdog.Tick(NowMs(), ping)) {
    case CHookWatchdog::Step::Wait:
        break;
    case CHookWatchdog::Step::Ping:
        if (m_hooks.Ping(ping))
            break;
        [[fallthrough]];
    case CHookWatchdog::Step::Stalled:
        m_rules.OnDisarmingRequest();
        m_hooks.Abandon();
        ReleaseInput();
        break;
    }
    return 0;
}

LRESULT CWakeGuard::OnPingAnswered(UINT, WPARAM ping, LPARAM)
{
    m_watchdog.OnAnswer(static_cast<unsigned>(ping));
    return 0;
}

LRESULT CWakeGuard::OnReblankCheck(UINT, WPARAM, LPARAM)
{
    const unsigned long long now = NowMs();
    if (m_rules.TakeReblank(now)) {
        ::KillTimer(m_hWnd, kReblankTimer);
        m_display.TurnDisplayOffAgain();
    } else if (m_rules.InBurst()) {
        SetCheckTimer(now);
    } else {
        ::KillTimer(m_hWnd, kReblankTimer);
    }
    return 0;
}

void CWakeGuard::SetCheckTimer(unsigned long long nowMs)
{
    const unsigned long long due = m_rules.NextCheckMs();
    const UINT delay = due > nowMs ? static_cast<UINT>(due - nowMs) : USER_TIMER_MINIMUM;
    ::SetTimer(m_hWnd, kReblankTimer, delay, nullptr);
}
