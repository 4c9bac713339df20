// Keeps a display that Dusklamp turned off dark until a key is pressed, when the user asks for it:
// mouse input is held back, and a display that woke anyway is turned off again.
#pragma once

#include "actions/Display.h"
#include "framework/Wnd.h"
#include "ui/HookWatchdog.h"
#include "ui/WakeGuardHooks.h"
#include "ui/WakeGuardRules.h"

class CWakeGuard : public CWnd, public IDisplayPowerObserver {
public:
    explicit CWakeGuard(CDisplayPower& display) : m_display(display) {}
    ~CWakeGuard() override { Close(); }

    // Makes the window that carries the timers and hears the hook thread and the session's
    // changes, and starts the hook thread; false when either could not be had.
    bool Create();
    // The end of the program: disarms and ends the hook thread.
    void Close();

    // A plain display-off request: the guard arms at the broadcast that answers it.
    void OnDisplayOffRequested() { m_rules.OnDisplayOffRequested(); }
    // A display-on request, a lock, the user's change of mind or the end of the program.
    void Disarm();
    bool IsArmed() const { return m_rules.IsArmed(); }

    void OnDisplayPowerBroadcast(DisplayPower power) override;

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageEntry<CWakeGuard> kMessages[];

    LRESULT OnReblankCheck(UINT, WPARAM, LPARAM);
    LRESULT OnWatchdogTick(UINT, WPARAM, LPARAM);
    LRESULT OnArmingEnded(UINT, WPARAM arming, LPARAM);
    LRESULT OnMouseHeldBack(UINT, WPARAM, LPARAM);
    LRESULT OnPingAnswered(UINT, WPARAM ping, LPARAM);
    LRESULT OnSessionChange(UINT, WPARAM event, LPARAM);
    void ReleaseInput();
    void SetCheckTimer(unsigned long long nowMs);
    void ListenForSessionChanges();
    void StopListeningForSessionChanges();

    CDisplayPower& m_display;
    CWakeGuardRules m_rules;
    CWakeGuardHooks m_hooks;
    CHookWatchdog m_watchdog;
    // The arming under way, or the last one: reports of earlier ones are stale.
    WPARAM m_arming = 0;
    HMODULE m_sessionLibrary = nullptr;
};
