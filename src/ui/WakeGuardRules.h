// When the wake guard arms and disarms, and when it turns the display off again: no Windows header.
#pragma once

// The guard keeps a display that Dusklamp turned off dark until a key is pressed. It arms at the
// broadcast that answers a plain display-off request (a lock-and-blank is no such request: input
// at a locked workstation goes to the system's own desktop, out of the guard's reach), and then
// only when the user wants it, and disarms at the first key pressed (which key counts is
// CWakeKeys's rule, kept on the hook thread). Mouse input comes in bursts; each burst, once it has
// settled, turns the display off once more.
class CWakeGuardRules {
public:
    // A burst is over after this long without mouse input.
    static constexpr unsigned kSettleMs = 250;
    // A burst that never settles (a mouse that keeps drifting) still re-blanks this often.
    static constexpr unsigned kLongestBurstMs = 1000;

    bool IsArmed() const { return m_armed; }

    void OnDisplayOffRequested() { m_armAtBroadcast = true; }
    // A key press, a display-on request, a lock, a stalled hook thread or the user's change of
    // mind: true when that disarms the guard.
    bool OnDisarmingRequest();
    // The power broadcast has gone out; true when the guard is to arm now.
    bool OnBroadcast(bool displayOff, bool wanted);

    // Mouse input while armed; true when the burst is new, which asks for a check at NextCheckMs.
    bool OnMouseInput(unsigned long long nowMs);
    // True once, when the burst under way is due for its re-blank.
    bool TakeReblank(unsigned long long nowMs);
    // When the burst under way is due; only meaningful while one is.
    unsigned long long NextCheckMs() const;
    bool InBurst() const { return m_inBurst; }

private:
    void Disarm();

    bool m_armed = false;
    bool m_armAtBroadcast = false;
    bool m_inBurst = false;
    unsigned long long m_burstStartMs = 0;
    unsigned long long m_lastInputMs = 0;
};
