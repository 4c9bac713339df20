// The port number a sender connects to, from the port text of the computer list. No Windows headers here.
#pragma once

#include <cstdint>
#include <string_view>

// The leading decimal digits as a number, 0 when there are none, cut to its low 16 bits.
std::uint16_t PortFromText(std::string_view text);
