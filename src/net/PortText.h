// The port number a sender connects to, from the port text of the computer list. No Windows headers here.
#pragma once

#include <cstdint>
#include <string_view>

// The leading decimal digits as a port; false when there are none or they are outside 1 to
// 65535, which no computer can be reached at (a larger number is never cut to a smaller port).
bool PortFromText(std::string_view text, std::uint16_t& port);
