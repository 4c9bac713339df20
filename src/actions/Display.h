// The display actions: monitor power off and on, and lock before power off.
#pragma once

#include "actions/BroadcastSchedule.h"
#include "framework/Wnd.h"

// Told of each power broadcast just before it goes out.
class IDisplayPowerObserver {
public:
    virtual void OnDisplayPowerBroadcast(DisplayPower power) = 0;

protected:
    ~IDisplayPowerObserver() = default;
};

// Turns the display off or on by a broadcast to every top-level window, half a second after the
// request. The pause is a timer of the object's own hidden window, so the thread goes on serving
// everything else meanwhile; how requests share a broadcast is CBroadcastSchedule's rule.
class CDisplayPower : public CWnd {
public:
    CDisplayPower();

    // Makes the window that carries the timer; false when the system could not.
    bool Create() { return CreateMessageWindow(); }

    void TurnDisplayOff();
    void TurnDisplayOn();
    // Locks the workstation and then turns the display off; tells the user when the lock is
    // refused. True when the workstation was locked.
    bool LockAndTurnDisplayOff();
    // The power-off broadcast at once, without the pause, for a display that woke while it was
    // to stay dark; the observer is not told.
    void TurnDisplayOffAgain();

    void SetObserver(IDisplayPowerObserver* observer) { m_observer = observer; }

    // Sends a broadcast that has fallen due. The timer message comes only when the thread's queue
    // holds nothing else, so a flood of posted messages could otherwise hold it back indefinitely.
    void BroadcastIfDue();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageEntry<CDisplayPower> kMessages[];

    LRESULT OnPauseOver(UINT, WPARAM, LPARAM);
    void Request(DisplayPower power);
    void ArmTimer(unsigned long long nowUs);

    CBroadcastSchedule m_schedule;
    IDisplayPowerObserver* m_observer = nullptr;
};
