// Case folding for matching switches and keywords, which are plain ASCII.
#include "app/Text.h"

std::string ToLowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}
