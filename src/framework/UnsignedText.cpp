// Unsigned decimal field check for dialog data exchange.
#include "framework/UnsignedText.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

UnsignedTextResult ParseUnsignedInRange(std::string_view text, unsigned min, unsigned max, unsigned& value)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    if (first == last)
        return UnsignedTextResult::NotUnsigned;

    // Anything past 32 bits is out of every range, so the number saturates instead of wrapping:
    // 4294967296 must not pass as 0.
    unsigned long long number = 0;
    bool tooLarge = false;
    for (std::size_t i = first; i < last; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return UnsignedTextResult::NotUnsigned;
        if (!tooLarge) {
            number = number * 10 + static_cast<unsigned>(c - '0');
            tooLarge = number > 0xFFFFFFFFull;
        }
    }
    if (tooLarge || number < min || number > max)
        return UnsignedTextResult::OutOfRange;
    value = static_cast<unsigned>(number);
    return UnsignedTextResult::Ok;
}
