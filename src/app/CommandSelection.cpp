// The two switch tables with their orders of precedence, and the private messages between instances.
#include "app/CommandSelection.h"

#include "framework/Text.h"
#include "net/CommandTable.h"
#include "ui/PrivateMessages.h"

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

struct MessageRow {
    Command command;
    unsigned message;
};

// ":silent" has no message: a second start with it sends nothing.
const MessageRow kMessages[] = {
    {Command::ShowSettings, UM_SHOWSETTINGS}, {Command::DisplayOff, UM_DISPLAYOFF},
    {Command::Schedule, UM_SCHEDULE},         {Command::LockDisplayOff, UM_LOCKDISPLAYOFF},
    {Command::Network, UM_NETWORK},           {Command::DisplayOn, UM_DISPLAYON},
};

}  // namespace

Command SelectCommand(std::string_view text)
{
    return FirstPresent(kFirstInstanceOrder, text);
}

Command SelectForwardedCommand(std::string_view text)
{
    return FirstPresent(kForwardingOrder, text);
}

std::string ReceivedCommandName(Command command)
{
    switch (command) {
    case Command::Silent:
        return kSwitchSilent;
    case Command::ShowSettings:
        return kSwitchSettings;
    case Command::Schedule:
        return kSwitchShutdown;
    case Command::LockDisplayOff:
        return FindCommandLabel(kSwitchLock);
    case Command::DisplayOn:
        return FindCommandLabel(kSwitchDisplayOn);
    case Command::Network:
        return kSwitchNetwork;
    case Command::DisplayOff:
        break;
    }
    return FindCommandLabel(" ");
}

unsigned ForwardedMessage(Command command)
{
    for (const MessageRow& row : kMessages) {
        if (row.command == command)
            return row.message;
    }
    return 0;
}

bool CommandForMessage(unsigned message, Command& command)
{
    for (const MessageRow& row : kMessages) {
        if (row.message == message) {
            command = row.command;
            return true;
        }
    }
    return false;
}
