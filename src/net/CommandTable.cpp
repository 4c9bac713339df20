// Label look-up for the commands log and the receiver's text rule.
#include "net/CommandTable.h"

#include <algorithm>

namespace {

char FoldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

std::string FindCommandLabel(std::string_view wire)
{
    for (const RemoteCommand& command : kRemoteCommands) {
        if (EqualIgnoringAsciiCase(command.wire, wire))
            return command.label;
    }
    return std::string();
}

std::string CommandTextFromBytes(const char* data, std::size_t size)
{
    if (data == nullptr)
        return std::string();
    std::string_view bytes(data, std::min(size, kMaxCommandBytes));
    // The dispatcher takes a C string, so a peer's NUL ends the command and anything after it is ignored.
    return std::string(bytes.substr(0, bytes.find('\0')));
}
