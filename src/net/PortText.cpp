// Port text to number for the sender.
#include "net/PortText.h"

#include "settings/NetworkValues.h"

bool PortFromText(std::string_view text, std::uint16_t& port)
{
    // Counting stops past the highest port, so a long run of digits cannot overflow.
    std::uint32_t number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        number = number * 10 + static_cast<std::uint32_t>(c - '0');
        if (number > kHighestPort)
            return false;
    }
    if (number < kLowestPort)
        return false;
    port = static_cast<std::uint16_t>(number);
    return true;
}
