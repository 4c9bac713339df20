// IPv4 addresses as text, read by one strict rule wherever the program takes them. No Windows headers here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A decimal number of 1 to maxDigits digits, at most max, from the front of text, which loses it.
// A leading zero is refused rather than guessed at: the system's own readers take "010" as octal.
bool ReadDecimalPart(std::string_view& text, std::size_t maxDigits, unsigned max, unsigned& value);

// Four such numbers from 0 to 255 joined by dots, from the front of text, which loses them. The
// address is in host byte order.
bool ReadDottedAddress(std::string_view& text, std::uint32_t& address);

// The whole text is one address: "010.0.0.1", "10.1", "1.2.3.4." and "10.0.0.1 " are not.
bool ParseDottedAddress(std::string_view text, std::uint32_t& address);

// Whether a computer's text is meant as an address rather than a name: its last part is a number
// ("10.1", "0x0a000001", "10.0.0.010"), which is how the system's name look-up decides to read it
// as an address in one of its lenient forms. Such a text must pass ParseDottedAddress or be
// refused; only other texts are names to look up.
bool LooksLikeAddress(std::string_view text);

// The address as four decimal numbers joined by dots.
std::string DottedText(std::uint32_t address);
