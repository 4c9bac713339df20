// The two switch tables and their orders of precedence.
#include "app/CommandSelection.h"

#include "app/Text.h"

namespace {

struct SwitchRow {
    const char* text;
    Command command;
};

const SwitchRow kFirstInstanceOrder[] = {
    {kSwitchSilent, Command::Silent},
    {kSwitchSettings, Command::ShowSettings},
    {kSwitchShutdown, Command::Schedule},
    {kSwitchLock, Command::LockDisplayOff},
    {kSwitchDisplayOn, Command::DisplayOn},
    {kSwitchNetwork, Command::Network},
};

const SwitchRow kForwardingOrder[] = {
    {kSwitchSettings, Command::ShowSettings},
    {kSwitchSilent, Command::Silent},
    {kSwitchLock, Command::LockDisplayOff},
    {kSwitchShutdown, Command::Schedule},
    {kSwitchNetwork, Command::Network},
    {kSwitchDisplayOn, Command::DisplayOn},
};

template <std::size_t N>
Command FirstPresent(const SwitchRow (&rows)[N], std::string_view text)
{
    const std::string lower = ToLowerAscii(text);
    for (const SwitchRow& row : rows) {
        if (lower.find(row.text) != std::string::npos)
            return row.command;
    }
    return Command::DisplayOff;
}

}  // namespace

Command SelectCommand(std::string_view text)
{
    return FirstPresent(kFirstInstanceOrder, text);
}

Command SelectForwardedCommand(std::string_view text)
{
    return FirstPresent(kForwardingOrder, text);
}
