// The wake guard on the main thread: arming and disarming, the re-blank timer, the watchdog over
// the hook thread, and the session's locks and disconnections.
#include "ui/WakeGuard.h"

#include <cstring>

#include "framework/Clock.h"
#include "settings/SettingsStore.h"
#include "ui/WakeGuardNames.h"

namespace {

const UINT_PTR kReblankTimer = 1;
const UINT_PTR kWatchdogTimer = 2;

// The session notification functions, looked up at run time (NOTIFY_FOR_THIS_SESSION is 0).
using RegisterSessionFunction = BOOL(WINAPI*)(HWND, DWORD);
using UnregisterSessionFunction = BOOL(WINAPI*)(HWND);
const DWORD kNotifyForThisSession = 0;
const char kSessionLibrary[] = "\\wtsapi32.dll";

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
    {WM_WTSSESSION_CHANGE, 0, &CWakeGuard::OnSessionChange},
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
    ListenForSessionChanges();
    return true;
}

void CWakeGuard::Close()
{
    Disarm();
    m_hooks.Stop();
    StopListeningForSessionChanges();
}

void CWakeGuard::ListenForSessionChanges()
{
    // Looked up rather than imported, so the program still starts where the library is missing,
    // and loaded from the system's folder by its full name, never from the program's. Without it
    // only Dusklamp's own lock disarms the guard.
    char path[MAX_PATH];
    const UINT length = ::GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof(kSessionLibrary) > sizeof(path))
        return;
    std::memcpy(path + length, kSessionLibrary, sizeof(kSessionLibrary));
    m_sessionLibrary = ::LoadLibraryA(path);
    if (!m_sessionLibrary)
        return;
    auto registerWindow = reinterpret_cast<RegisterSessionFunction>(
        reinterpret_cast<void*>(::GetProcAddress(m_sessionLibrary, "WTSRegisterSessionNotification")));
    if (!registerWindow || !registerWindow(m_hWnd, kNotifyForThisSession)) {
        ::FreeLibrary(m_sessionLibrary);
        m_sessionLibrary = nullptr;
    }
}

void CWakeGuard::StopListeningForSessionChanges()
{
    if (!m_sessionLibrary)
        return;
    auto unregisterWindow = reinterpret_cast<UnregisterSessionFunction>(
        reinterpret_cast<void*>(::GetProcAddress(m_sessionLibrary, "WTSUnRegisterSessionNotification")));
    if (unregisterWindow && m_hWnd)
        unregisterWindow(m_hWnd);
    ::FreeLibrary(m_sessionLibrary);
    m_sessionLibrary = nullptr;
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

LRESULT CWakeGuard::OnSessionChange(UINT, WPARAM event, LPARAM)
{
    // Keys typed at the lock screen or in another session never reach the hooks of this desktop:
    // the user would come back to a mouse held back after having typed all along. Whoever locked.
    switch (event) {
    case WTS_SESSION_LOCK:
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        Disarm();
        break;
    }
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
