// Port text to number for the sender.
#include "net/PortText.h"

std::uint16_t PortFromText(std::string_view text)
{
    // Only the low 16 bits survive, so they are all that is kept at each step; a hand-edited list
    // with a long run of digits cannot overflow.
    std::uint32_t port = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        port = (port * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFFFFu;
    }
    return static_cast<std::uint16_t>(port);
}
