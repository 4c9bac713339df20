// Which command a command line, a received command text or a second start's message asks for.
// No Windows headers here.
#pragma once

#include <string>
#include <string_view>

enum class Command {
    Silent,          // nothing: just stay resident
    ShowSettings,    // show the settings window
    Schedule,        // open the schedule dialog
    LockDisplayOff,  // lock the workstation, then turn the display off
    DisplayOn,       // turn the display on
    Network,         // open the network settings dialog
    DisplayOff,      // no switch at all: turn the display off
};

// The switches, matched case-insensitively anywhere in the text.
inline constexpr char kSwitchSilent[] = ":silent";
inline constexpr char kSwitchSettings[] = ":settings";
inline constexpr char kSwitchShutdown[] = ":shutdown";
inline constexpr char kSwitchLock[] = ":lock";
inline constexpr char kSwitchDisplayOn[] = ":displayon";
inline constexpr char kSwitchNetwork[] = ":network";

// The running instance's own interpretation, shared by its command line and remote commands.
Command SelectCommand(std::string_view text);

// A second start's choice of what to hand to the running instance. The precedence differs from
// SelectCommand's, so a text with two switches can pick a different one.
Command SelectForwardedCommand(std::string_view text);

// What the log of received commands calls the command: the label the sender's log gives the three
// commands another Dusklamp sends, the switch for the others.
std::string ReceivedCommandName(Command command);

// The private message a second start sends for a command, or 0 for none (":silent").
unsigned ForwardedMessage(Command command);
// The command a second start's private message stands for; false for any other message.
bool CommandForMessage(unsigned message, Command& command);
