// The wake guard: low-level input hooks that exist only while it is armed, and the re-blank timer.
#include "ui/WakeGuard.h"

#include "framework/Clock.h"
#include "settings/SettingsStore.h"

namespace {

const UINT_PTR kReblankTimer = 1;
// Posted by the keyboard hook: hooks are removed outside their own procedure.
const UINT kKeyPressedMessage = WM_APP + 1;

// A low-level hook procedure has no context of its own; there is one guard.
CWakeGuard* g_guard = nullptr;

unsigned long long NowMs()
{
    return MonotonicMicroseconds() / 1000;
}

std::bitset<256> KeysHeldNow()
{
    std::bitset<256> held;
    for (int key = 1; key < 256; ++key) {
        if (::GetAsyncKeyState(key) & 0x8000)
            held.set(static_cast<std::size_t>(key));
    }
    return held;
}

}  // namespace

const MessageEntry<CWakeGuard> CWakeGuard::kMessages[] = {
    {WM_TIMER, kReblankTimer, &CWakeGuard::OnReblankCheck},
    {kKeyPressedMessage, 0, &CWakeGuard::OnKeyPressed},
};

CWakeGuard::~CWakeGuard()
{
    RemoveHooks();
}

bool CWakeGuard::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CWnd::OnMessage(message, wParam, lParam, result);
}

void CWakeGuard::OnDisplayPowerBroadcast(DisplayPower power)
{
    const bool off = power == DisplayPower::Off;
    // Read at each blanking, as every setting is: the menu may have changed it meanwhile.
    const bool wanted = off && ReadKeepDarkUntilKey() != 0;
    if (m_rules.OnBroadcast(off, wanted, wanted ? KeysHeldNow() : std::bitset<256>())) {
        if (!InstallHooks())
            m_rules.OnDisarmingRequest();
        return;
    }
    if (!m_rules.IsArmed())
        RemoveHooks();
}

void CWakeGuard::Disarm()
{
    m_rules.OnDisarmingRequest();
    RemoveHooks();
}

bool CWakeGuard::InstallHooks()
{
    if (!m_hWnd || g_guard)
        return false;
    g_guard = this;
    HINSTANCE module = ::GetModuleHandleA(nullptr);
    m_mouseHook = ::SetWindowsHookExA(WH_MOUSE_LL, &CWakeGuard::MouseHook, module, 0);
    m_keyboardHook = ::SetWindowsHookExA(WH_KEYBOARD_LL, &CWakeGuard::KeyboardHook, module, 0);
    // Half a guard would hold the mouse back with no key to let it go, or let it wake the display.
    if (!m_mouseHook || !m_keyboardHook) {
        RemoveHooks();
        return false;
    }
    return true;
}

void CWakeGuard::RemoveHooks()
{
    // Every input of the desktop passes through a low-level hook: none stays while disarmed.
    if (m_mouseHook)
        ::UnhookWindowsHookEx(m_mouseHook);
    if (m_keyboardHook)
        ::UnhookWindowsHookEx(m_keyboardHook);
    m_mouseHook = nullptr;
    m_keyboardHook = nullptr;
    if (g_guard == this)
        g_guard = nullptr;
    if (m_hWnd)
        ::KillTimer(m_hWnd, kReblankTimer);
}

LRESULT CALLBACK CWakeGuard::MouseHook(int code, WPARAM wParam, LPARAM lParam)
{
    CWakeGuard* guard = g_guard;
    if (code != HC_ACTION || !guard || !guard->m_rules.IsArmed())
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    const unsigned long long now = NowMs();
    if (guard->m_rules.OnMouseInput(now))
        guard->SetCheckTimer(now);
    // Movement, buttons and wheel alike: none of it reaches the desktop.
    return 1;
}

LRESULT CALLBACK CWakeGuard::KeyboardHook(int code, WPARAM wParam, LPARAM lParam)
{
    CWakeGuard* guard = g_guard;
    if (code == HC_ACTION && guard) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        const bool down = wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN;
        if (guard->m_rules.OnKey(key->vkCode, down))
            ::PostMessageA(guard->m_hWnd, kKeyPressedMessage, 0, 0);
    }
    // The key that lets the display come back reaches the desktop as usual.
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CWakeGuard::OnKeyPressed(UINT, WPARAM, LPARAM)
{
    // The rules have disarmed already; a guard armed again since then stays.
    if (!m_rules.IsArmed())
        RemoveHooks();
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
