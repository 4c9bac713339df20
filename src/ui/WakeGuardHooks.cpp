// The hook thread: its message loop, the low-level hook procedures and the requests it takes.
#include "ui/WakeGuardHooks.h"

#include <bitset>

#include "ui/WakeGuardNames.h"

namespace {

// Requests to the hook thread's window, from the guard on the main thread.
const UINT kArmRequest = WM_APP + 1;
const UINT kDisarmRequest = WM_APP + 2;
const UINT kPingRequest = WM_APP + 3;

// How long the main thread waits for the hook thread to make its window, and to end.
const DWORD kStartWaitMs = 5000;
const DWORD kStopWaitMs = 2000;
// How long arming waits for the hooks to be in place.
const UINT kArmWaitMs = 1000;

// A low-level hook procedure has no context of its own; there is one guard.
CWakeGuardHooks* g_hooks = nullptr;

std::bitset<256> KeysHeldNow()
{
    std::bitset<256> held;
    for (int key = 1; key < 256; ++key) {
        if (::GetAsyncKeyState(key) & 0x8000)
            held.set(static_cast<std::size_t>(key));
    }
    return held;
}

// Puts a new hook in the place of the old one, which goes.
void ReplaceHook(std::atomic<HHOOK>& place, HHOOK hook)
{
    // An old hook the system has taken off already fails to unhook, harmlessly.
    if (HHOOK old = place.exchange(hook))
        ::UnhookWindowsHookEx(old);
}

}  // namespace

const MessageEntry<CWakeGuardHooks> CWakeGuardHooks::kMessages[] = {
    {kArmRequest, 0, &CWakeGuardHooks::OnArm},
    {kDisarmRequest, 0, &CWakeGuardHooks::OnDisarm},
    {kPingRequest, 0, &CWakeGuardHooks::OnPing},
    {WM_DESTROY, 0, &CWakeGuardHooks::OnDestroy},
};

bool CWakeGuardHooks::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CWnd::OnMessage(message, wParam, lParam, result);
}

bool CWakeGuardHooks::Start(HWND reportTo)
{
    if (m_thread)
        return m_threadWindow.load() != nullptr;
    m_reportTo = reportTo;
    g_hooks = this;
    m_ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_ready)
        return false;
    m_thread = ::CreateThread(nullptr, 0, &CWakeGuardHooks::RunThread, this, 0, nullptr);
    if (!m_thread)
        return false;
    // Making a message window takes no time; a thread that has none by then is of no use.
    ::WaitForSingleObject(m_ready, kStartWaitMs);
    return m_threadWindow.load() != nullptr;
}

void CWakeGuardHooks::Stop()
{
    if (m_thread) {
        // The hooks go from here, in case the thread does not answer; the thread takes off any
        // it put back meanwhile as it ends.
        Abandon();
        if (HWND window = m_threadWindow.load())
            ::PostMessageA(window, WM_CLOSE, 0, 0);
        // A thread that does not end in time has stalled: it holds nothing back any more, and the
        // end of the process takes it.
        ::WaitForSingleObject(m_thread, kStopWaitMs);
        ::CloseHandle(m_thread);
        m_thread = nullptr;
        m_threadWindow = nullptr;
    }
    if (m_ready) {
        ::CloseHandle(m_ready);
        m_ready = nullptr;
    }
}

DWORD WINAPI CWakeGuardHooks::RunThread(void* param)
{
    auto* self = static_cast<CWakeGuardHooks*>(param);
    // Every input event of the desktop waits for this thread while the hooks are in place.
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    const bool created = self->CreateMessageWindow(kWakeGuardHooksClass);
    self->m_threadWindow = created ? self->m_hWnd : nullptr;
    ::SetEvent(self->m_ready);
    if (!created)
        return 0;
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageA(&msg);
    self->RemoveHooks();
    return 0;
}

bool CWakeGuardHooks::Arm(WPARAM& arming)
{
    arming = ++m_lastArming;
    HWND window = m_threadWindow.load();
    if (!window)
        return false;
    // The hooks are in place before the display goes dark. The thread does nothing slow, so the
    // wait is short; the thread never sends to this one, so it cannot turn into a deadlock.
    DWORD_PTR armed = FALSE;
    if (::SendMessageTimeoutA(window, kArmRequest, arming, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, kArmWaitMs, &armed))
        return armed != FALSE;
    // The request is still queued and comes before the disarming posted after it.
    Abandon();
    Disarm();
    return false;
}

void CWakeGuardHooks::Disarm()
{
    // Input passes at once; the hooks go when the thread takes the request.
    m_armed = false;
    if (HWND window = m_threadWindow.load())
        ::PostMessageA(window, kDisarmRequest, 0, 0);
}

bool CWakeGuardHooks::Ping(unsigned number)
{
    HWND window = m_threadWindow.load();
    return window && ::PostMessageA(window, kPingRequest, number, 0);
}

void CWakeGuardHooks::Abandon()
{
    m_armed = false;
    // A global hook may be taken off by any thread of its desktop, so a stalled hook thread holds
    // back no input that comes after this. Should the system refuse, the hook is left for the
    // thread, which lets everything pass now and takes it off when it runs again.
    for (std::atomic<HHOOK>* place : {&m_mouseHook, &m_keyboardHook}) {
        HHOOK hook = place->exchange(nullptr);
        HHOOK none = nullptr;
        if (hook && !::UnhookWindowsHookEx(hook))
            place->compare_exchange_strong(none, hook);
    }
}

LRESULT CWakeGuardHooks::OnArm(UINT, WPARAM arming, LPARAM)
{
    m_arming = arming;
    m_keys.Arm(KeysHeldNow());
    // Half a guard would hold the mouse back with no key to let it go, or let it wake the display.
    if (!RenewHooks())
        return FALSE;
    m_armed = true;
    return TRUE;
}

LRESULT CWakeGuardHooks::OnDisarm(UINT, WPARAM, LPARAM)
{
    m_armed = false;
    RemoveHooks();
    return 0;
}

LRESULT CWakeGuardHooks::OnPing(UINT, WPARAM number, LPARAM)
{
    // The system takes off a low-level hook that answered late without a word, and a keyboard hook
    // gone would leave no key to free the mouse: each ping puts a fresh pair in place.
    if (m_armed && !RenewHooks() && m_armed.exchange(false))
        ::PostMessageA(m_reportTo, kHooksLost, m_arming, 0);
    ::PostMessageA(m_reportTo, kPingAnswered, number, 0);
    return 0;
}

LRESULT CWakeGuardHooks::OnDestroy(UINT, WPARAM, LPARAM)
{
    ::PostQuitMessage(0);
    return 0;
}

bool CWakeGuardHooks::RenewHooks()
{
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    HHOOK mouse = ::SetWindowsHookExA(WH_MOUSE_LL, &CWakeGuardHooks::MouseHook, module, 0);
    HHOOK keyboard = ::SetWindowsHookExA(WH_KEYBOARD_LL, &CWakeGuardHooks::KeyboardHook, module, 0);
    if (!mouse || !keyboard) {
        if (mouse)
            ::UnhookWindowsHookEx(mouse);
        if (keyboard)
            ::UnhookWindowsHookEx(keyboard);
        RemoveHooks();
        return false;
    }
    ReplaceHook(m_mouseHook, mouse);
    ReplaceHook(m_keyboardHook, keyboard);
    return true;
}

void CWakeGuardHooks::RemoveHooks()
{
    // Every input of the desktop passes through a low-level hook: none stays while disarmed.
    ReplaceHook(m_mouseHook, nullptr);
    ReplaceHook(m_keyboardHook, nullptr);
}

LRESULT CALLBACK CWakeGuardHooks::MouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    CWakeGuardHooks* hooks = g_hooks;
    if (code != HC_ACTION || !hooks || !hooks->m_armed)
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    // One notice at a time: a moving mouse must not flood the main thread's queue.
    if (!hooks->m_mouseNoticePending.exchange(true) && !::PostMessageA(hooks->m_reportTo, kMouseHeldBack, 0, 0))
        hooks->m_mouseNoticePending = false;
    // Movement, buttons and wheel alike: none of it reaches the desktop.
    return 1;
}

LRESULT CALLBACK CWakeGuardHooks::KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    CWakeGuardHooks* hooks = g_hooks;
    if (code == HC_ACTION && hooks && hooks->m_armed) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        // The mouse is free from this event on, whenever the main thread hears of it.
        if (hooks->m_keys.OnKey(key->vkCode, down) && hooks->m_armed.exchange(false))
            ::PostMessageA(hooks->m_reportTo, kKeyPressed, hooks->m_arming, 0);
    }
    // The key that lets the display come back reaches the desktop as usual.
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
