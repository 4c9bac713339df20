// The wake guard's low-level input hooks, on a thread of their own that does nothing else.
#pragma once

#include <atomic>

#include "framework/Wnd.h"
#include "ui/WakeKeys.h"

// The object is the guard's handle on the thread: Start, Stop, Arm, Disarm, Ping and Abandon are
// called on the main thread, and but for Arm only post to the thread's window or let input pass
// at once; the window, the hook procedures and the key rule belong to the hook thread.
class CWakeGuardHooks : public CWnd {
public:
    // What the hook thread posts to the guard's window.
    // A key press has freed the mouse; wParam: the arming it ended.
    static constexpr UINT kKeyPressed = WM_APP + 1;
    // Mouse input was held back; one at a time, until TakeMouseNotice.
    static constexpr UINT kMouseHeldBack = WM_APP + 2;
    // The hooks could not be renewed; wParam: the arming it ended.
    static constexpr UINT kHooksLost = WM_APP + 3;
    // wParam: the number of the ping answered.
    static constexpr UINT kPingAnswered = WM_APP + 4;

    CWakeGuardHooks() = default;
    ~CWakeGuardHooks() override { Stop(); }

    // Starts the thread, reporting to the given window; false when it could not be had.
    bool Start(HWND reportTo);
    // Ends the thread, waiting a bounded time for it.
    void Stop();

    // Holds the mouse back until a key is pressed, once both hooks are in place; arming is the
    // number the reports of this arming carry. False when the hooks could not be had in time.
    bool Arm(WPARAM& arming);
    void Disarm();
    // Asks the thread to answer, and to renew its hooks meanwhile; false when it could not be asked.
    bool Ping(unsigned number);
    // Lets input pass and takes the hooks off from the calling thread, for a hook thread that has
    // stopped answering; Disarm still asks the thread to take off what it may put back later.
    void Abandon();
    void TakeMouseNotice() { m_mouseNoticePending = false; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static const MessageEntry<CWakeGuardHooks> kMessages[];

    static DWORD WINAPI RunThread(void* self);
    static LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam);

    LRESULT OnArm(UINT, WPARAM arming, LPARAM);
    LRESULT OnDisarm(UINT, WPARAM, LPARAM);
    LRESULT OnPing(UINT, WPARAM number, LPARAM);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM);
    bool RenewHooks();
    void RemoveHooks();
    void ReportLost();

    // Set before the thread runs and read-only afterwards.
    HWND m_reportTo = nullptr;
    // The main thread's own.
    HANDLE m_thread = nullptr;
    HANDLE m_ready = nullptr;
    WPARAM m_lastArming = 0;
    // Set once by the hook thread as it starts.
    std::atomic<HWND> m_threadWindow{nullptr};
    // Shared, each read and written whole: whether input is held back right now, whether a mouse
    // notice waits in the guard's queue, and the hooks, which either thread may take off.
    std::atomic<bool> m_armed{false};
    std::atomic<bool> m_mouseNoticePending{false};
    std::atomic<HHOOK> m_mouseHook{nullptr};
    std::atomic<HHOOK> m_keyboardHook{nullptr};
    // The hook thread's own.
    WPARAM m_arming = 0;
    CWakeKeys m_keys;
};
