// Reading and writing IPv4 addresses as dotted decimal text.
#include "net/AddressText.h"

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

}  // namespace

bool ReadDecimalPart(std::string_view& text, std::size_t maxDigits, unsigned max, unsigned& value)
{
    std::size_t digits = 0;
    value = 0;
    // One digit past the most allowed is enough to refuse, and no run of digits can overflow.
    while (digits < text.size() && digits <= maxDigits && IsDigit(text[digits]))
        value = value * 10 + static_cast<unsigned>(text[digits++] - '0');
    if (digits == 0 || digits > maxDigits || value > max || (digits > 1 && text[0] == '0'))
        return false;
    text.remove_prefix(digits);
    return true;
}

bool ReadDottedAddress(std::string_view& text, std::uint32_t& address)
{
    std::string_view rest = text;
    std::uint32_t read = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (rest.empty() || rest[0] != '.')
                return false;
            rest.remove_prefix(1);
        }
        unsigned octet = 0;
        if (!ReadDecimalPart(rest, 3, 255, octet))
            return false;
        read = read << 8 | octet;
    }
    text = rest;
    address = read;
    return true;
}

bool ParseDottedAddress(std::string_view text, std::uint32_t& address)
{
    std::uint32_t read = 0;
    if (!ReadDottedAddress(text, read) || !text.empty())
        return false;
    address = read;
    return true;
}

bool LooksLikeAddress(std::string_view text)
{
    // What follows a blank is no part of a name, but a lenient reader may stop there and take the
    // address in front; a final dot only marks a name as complete.
    text = text.substr(0, text.find_first_of(" \t"));
    if (!text.empty() && text.back() == '.')
        text.remove_suffix(1);
    const std::size_t dot = text.rfind('.');
    std::string_view last = dot == std::string_view::npos ? text : text.substr(dot + 1);
    if (last.empty())
        return false;
    bool (*isPartDigit)(char) = &IsDigit;
    if (last.size() >= 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X')) {
        last.remove_prefix(2);
        isPartDigit = &IsHexDigit;
    }
    for (char c : last) {
        if (!isPartDigit(c))
            return false;
    }
    return true;
}

std::string DottedText(std::uint32_t address)
{
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        text += std::to_string(address >> shift & 0xFF);
        if (shift > 0)
            text += '.';
    }
    return text;
}
