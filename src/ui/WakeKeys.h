// Which key press lets the mouse go while the wake guard is armed: no Windows header.
#pragma once

#include <bitset>

// Kept by the thread that runs the keyboard hook. Keys held at arming (the hot key's, most likely)
// are still going up and down: their repeats are no press, but pressing one again after its
// release is.
class CWakeKeys {
public:
    void Arm(const std::bitset<256>& keysHeld) { m_keysHeld = keysHeld; }
    // A key event; true when it is a press that frees the mouse.
    bool OnKey(unsigned virtualKey, bool down);

private:
    std::bitset<256> m_keysHeld;
};
