// Checking an unsigned decimal typed into a dialog field against its range. No Windows headers here.
#pragma once

#include <string_view>

enum class UnsignedTextResult { Ok, NotUnsigned, OutOfRange };

// Blanks and tabs around the digits are allowed. Empty text, a sign or any other character gives
// NotUnsigned; a number outside min..max, however many digits it has, gives OutOfRange.
// value is set only for Ok.
UnsignedTextResult ParseUnsignedInRange(std::string_view text, unsigned min, unsigned max, unsigned& value);
