// The key rule of the wake guard: the first press of a key not held at arming.
#include "ui/WakeKeys.h"

bool CWakeKeys::OnKey(unsigned virtualKey, bool down)
{
    const std::size_t key = virtualKey & 0xFF;
    if (!down) {
        m_keysHeld.reset(key);
        return false;
    }
    return !m_keysHeld.test(key);
}
