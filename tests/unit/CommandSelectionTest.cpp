// The switch tables: which command a text selects, for a first start and for a second start, and
// the private messages that carry a second start's command to the running instance.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandSelection.h"
#include "ui/PrivateMessages.h"

namespace {

TEST(CommandSelection, FirstInstanceAndSecondStartPickByTheirOwnOrder)
{
    using C = Command;
    const struct { const char* text; Command firstInstance, forwarded; } cases[] = {
        // No switch, an empty text included, turns the display off.
        {"", C::DisplayOff, C::DisplayOff}, {"silent settings lock", C::DisplayOff, C::DisplayOff},
        {": lock", C::DisplayOff, C::DisplayOff}, {":loc", C::DisplayOff, C::DisplayOff},
        {":silent", C::Silent, C::Silent}, {":settings", C::ShowSettings, C::ShowSettings},
        {":shutdown", C::Schedule, C::Schedule}, {":lock", C::LockDisplayOff, C::LockDisplayOff},
        {":displayon", C::DisplayOn, C::DisplayOn}, {":network", C::Network, C::Network},
        {":SiLeNt", C::Silent, C::Silent}, {":DisplayOn", C::DisplayOn, C::DisplayOn},
        // Inside longer words and arguments.
        {"xx:lockyy", C::LockDisplayOff, C::LockDisplayOff}, {"/s:settingsfoo", C::ShowSettings, C::ShowSettings},
        {"\"C:\\Program Files\\x:networking\"", C::Network, C::Network},
        // The texts where the two orders disagree; position in the text never matters, only the table order.
        {":silent :settings", C::Silent, C::ShowSettings}, {":settings:silent", C::Silent, C::ShowSettings},
        {":shutdown :lock", C::Schedule, C::LockDisplayOff}, {":displayon :network", C::DisplayOn, C::Network},
        {":network :displayon", C::DisplayOn, C::Network}, {":displayon:lock", C::LockDisplayOff, C::LockDisplayOff},
        {":silent:settings:shutdown:lock:displayon:network", C::Silent, C::ShowSettings},
        {":shutdown:lock:displayon:network", C::Schedule, C::LockDisplayOff},
        // Bytes outside ASCII neither match nor break the search: this one only looks like a switch after a wrong
        // case mapping of high bytes.
        {"\xC0\xDA:\xCCock", C::DisplayOff, C::DisplayOff}, {"\xFF\xFE:displayon\x80", C::DisplayOn, C::DisplayOn}};
    for (const auto& c : cases) {
        EXPECT_EQ(SelectCommand(c.text), c.firstInstance) << '"' << c.text << '"';
        EXPECT_EQ(SelectForwardedCommand(c.text), c.forwarded) << '"' << c.text << '"';
    }
    EXPECT_EQ(SelectCommand(std::string("a\0:lock", 7)), C::LockDisplayOff);
}

TEST(ForwardedMessages, EveryCommandButSilentGoesThereAndBackUnchangedAndOtherMessagesAreNoCommand)
{
    for (const Command command : {Command::Silent, Command::ShowSettings, Command::Schedule, Command::LockDisplayOff,
                                  Command::DisplayOn, Command::Network, Command::DisplayOff}) {
        const unsigned message = ForwardedMessage(command);
        if (command == Command::Silent) {
            EXPECT_EQ(message, 0u) << "a second start with :silent sends nothing";
            continue;
        }
        EXPECT_GE(message, UM_SHOWSETTINGS);
        EXPECT_LE(message, UM_DISPLAYON);
        Command back = Command::Silent;
        ASSERT_TRUE(CommandForMessage(message, back));
        EXPECT_EQ(back, command);
    }
    Command command = Command::Silent;
    for (const unsigned message : {0u, 0x400u, 0x407u, UM_TRAYNOTIFY, 0xFFFFFFFFu})
        EXPECT_FALSE(CommandForMessage(message, command)) << message;
    EXPECT_EQ(command, Command::Silent);
}

}  // namespace
