// Small text helpers for the single-byte text the program works with. No Windows headers here.
#pragma once

#include <string>
#include <string_view>

// Lower-cases the ASCII letters only; other bytes are left as they are.
std::string ToLowerAscii(std::string_view text);
