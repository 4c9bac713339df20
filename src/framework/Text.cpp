// Case folding for matching switches, keywords and command texts, which are plain ASCII.
#include "framework/Text.h"

std::string ToLowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}
