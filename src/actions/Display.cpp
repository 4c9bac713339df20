// The display actions: monitor power off and on, and lock before power off.
#include "actions/Display.h"

#include "framework/App.h"
#include "framework/Clock.h"

namespace {

// The pause gives the user time to let go of the keys and mouse, whose input would wake the display again.
const unsigned long long kPauseBeforeBroadcastUs = 500000;
const UINT_PTR kPauseTimer = 1;
const LPARAM kMonitorOff = 2;
const LPARAM kMonitorOn = -1;
// Each top-level window gets this long; a hung one is skipped rather than freezing the program.
const UINT kBroadcastTimeoutPerWindowMs = 1000;

void BroadcastMonitorPower(DisplayPower power)
{
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER,
                          power == DisplayPower::Off ? kMonitorOff : kMonitorOn, SMTO_ABORTIFHUNG,
                          kBroadcastTimeoutPerWindowMs, &ignored);
}

}  // namespace

const MessageEntry<CDisplayPower> CDisplayPower::kMessages[] = {
    {WM_TIMER, kPauseTimer, &CDisplayPower::OnPauseOver},
};

CDisplayPower::CDisplayPower()
    : m_schedule(kPauseBeforeBroadcastUs)
{
}

bool CDisplayPower::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CWnd::OnMessage(message, wParam, lParam, result);
}

void CDisplayPower::TurnDisplayOff()
{
    Request(DisplayPower::Off);
}

void CDisplayPower::TurnDisplayOn()
{
    Request(DisplayPower::On);
}

bool CDisplayPower::LockAndTurnDisplayOff()
{
    // The lock is requested at once, so it always comes before its blanking.
    if (::LockWorkStation()) {
        TurnDisplayOff();
        return true;
    }
    // Only a notice, although it offers Yes and No: either answer just closes it.
    CWinApp::Current()->ShowMessage(nullptr, "Could not Lock WorkStation", MB_ICONQUESTION | MB_YESNO);
    return false;
}

void CDisplayPower::TurnDisplayOffAgain()
{
    BroadcastMonitorPower(DisplayPower::Off);
}

void CDisplayPower::Request(DisplayPower power)
{
    // One that fell due while the timer was held back goes out first, with its own state.
    BroadcastIfDue();
    const unsigned long long now = MonotonicMicroseconds();
    m_schedule.Request(power, now);
    ArmTimer(now);
}

void CDisplayPower::BroadcastIfDue()
{
    if (!m_schedule.IsPending())
        return;
    const unsigned long long now = MonotonicMicroseconds();
    DisplayPower power;
    if (m_schedule.TakeDue(now, power)) {
        // The schedule has moved on before the broadcast, which lets in the messages other
        // threads send meanwhile, requests among them.
        ArmTimer(now);
        // Told first: the broadcast takes a while to pass every window, and input meanwhile
        // already meets a display that is going dark.
        if (m_observer)
            m_observer->OnDisplayPowerBroadcast(power);
        BroadcastMonitorPower(power);
    }
}

LRESULT CDisplayPower::OnPauseOver(UINT, WPARAM, LPARAM)
{
    BroadcastIfDue();
    // A timer may come a little early; it is set again for the rest.
    if (m_schedule.IsPending())
        ArmTimer(MonotonicMicroseconds());
    return 0;
}

void CDisplayPower::ArmTimer(unsigned long long nowUs)
{
    if (!m_schedule.IsPending()) {
        ::KillTimer(m_hWnd, kPauseTimer);
        return;
    }
    const unsigned long long dueUs = m_schedule.DueAt();
    const unsigned long long leftUs = dueUs > nowUs ? dueUs - nowUs : 0;
    ::SetTimer(m_hWnd, kPauseTimer, static_cast<UINT>((leftUs + 999) / 1000), nullptr);
}
