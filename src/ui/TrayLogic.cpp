// What each mouse notification of the icon does.
#include "ui/TrayLogic.h"

namespace {

bool SamePathIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

bool SendsVersionRequest(int shellMajorVersion)
{
    return shellMajorVersion >= 5;
}

TrayAction TrayActionFor(unsigned iconId, unsigned ourIconId, unsigned mouseMessage)
{
    if (iconId != ourIconId)
        return TrayAction::NotOurs;
    switch (mouseMessage) {
    case kMouseRightButtonUp:
        return TrayAction::ShowMenu;
    case kMouseLeftDoubleClick:
        return TrayAction::RunDefaultItem;
    }
    return TrayAction::Nothing;
}

std::string StartupCommandFor(std::string_view modulePath)
{
    return "\"" + std::string(modulePath) + "\" :silent";
}

bool StartupCommandStartsProgram(std::string_view command, std::string_view modulePath)
{
    if (modulePath.empty())
        return false;
    while (!command.empty() && IsBlank(command.front()))
        command.remove_prefix(1);
    std::string_view path;
    std::string_view rest;
    if (!command.empty() && command.front() == '"') {
        const std::size_t close = command.find('"', 1);
        if (close == std::string_view::npos)
            return false;
        path = command.substr(1, close - 1);
        rest = command.substr(close + 1);
    } else {
        path = command.substr(0, modulePath.size());
        rest = command.substr(path.size());
    }
    return SamePathIgnoringCase(path, modulePath) && (rest.empty() || IsBlank(rest.front()));
}
