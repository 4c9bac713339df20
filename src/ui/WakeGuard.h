// Keeps a display that Dusklamp turned off dark until a key is pressed, when the user asks for it:
// mouse input is held back, and a display that woke anyway is turned off again.
#pragma once

#include "actions/Display.h"
#include "framework/Wnd.h"
#include "ui/WakeGuardRules.h"

class CWakeGuard : public CWnd, public IDisplayPowerObserver {
public:
    explicit CWakeGuard(CDisplayPower& display) : m_display(display) {}
    ~CWakeGuard() override;

    // Makes the window that carries the re-blank timer; false when the system could not.
    bool Create() { return CreateMessageWindow(); }

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

    // Low-level hooks run on this thread, between its messages: they must return at once.
    static LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);

    LRESULT OnReblankCheck(UINT, WPARAM, LPARAM);
    LRESULT OnKeyPressed(UINT, WPARAM, LPARAM);
    bool InstallHooks();
    void RemoveHooks();
    void SetCheckTimer(unsigned long long nowMs);

    CDisplayPower& m_display;
    CWakeGuardRules m_rules;
    HHOOK m_mouseHook = nullptr;
    HHOOK m_keyboardHook = nullptr;
};
