// The switch tables: which command a text selects, for a first start and for a second start, and
// the private messages that carry a second start's command to the running instance.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "app/CommandSelection.h"
#include "ui/PrivateMessages.h"

namespace {

struct Case { const char* text; Command firstInstance, forwarded; };

const Case kCases[] = {
    // No switch, an empty text included, turns the display off.
    {"", Command::DisplayOff, Command::DisplayOff}, {"silent settings lock", Command::DisplayOff, Command::DisplayOff},
    {": lock", Command::DisplayOff, Command::DisplayOff}, {":loc", Command::DisplayOff, Command::DisplayOff},
    // Each switch alone.
    {":silent", Command::Silent, Command::Silent}, {":settings", Command::ShowSettings, Command::ShowSettings},
    {":shutdown", Command::Schedule, Command::Schedule}, {":lock", Command::LockDisplayOff, Command::LockDisplayOff},
    {":displayon", Command::DisplayOn, Command::DisplayOn}, {":network", Command::Network, Command::Network},
    // Any mix of case.
    {":SiLeNt", Command::Silent, Command::Silent}, {":DisplayOn", Command::DisplayOn, Command::DisplayOn},
    // Inside longer words and arguments.
    {"xx:lockyy", Command::LockDisplayOff, Command::LockDisplayOff},
    {"\"C:\\Program Files\\x:networking\"", Command::Network, Command::Network},
    {"/s:settingsfoo", Command::ShowSettings, Command::ShowSettings},
    // The three texts where the two orders disagree.
    {":silent :settings", Command::Silent, Command::ShowSettings},
    {":settings:silent", Command::Silent, Command::ShowSettings},
    {":shutdown :lock", Command::Schedule, Command::LockDisplayOff},
    {":displayon :network", Command::DisplayOn, Command::Network},
    // Position in the text never matters, only the table order.
    {":network :displayon", Command::DisplayOn, Command::Network},
    {":displayon:lock", Command::LockDisplayOff, Command::LockDisplayOff},
    {":silent:settings:shutdown:lock:displayon:network", Command::Silent, Command::ShowSettings},
    {":shutdown:lock:displayon:network", Command::Schedule, Command::LockDisplayOff},
};

void PrintTo(const Case& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class CommandSelectionTest : public ::testing::TestWithParam<Case> {};

TEST_P(CommandSelectionTest, FirstInstanceAndSecondStartPickByTheirOwnOrder)
{
    EXPECT_EQ(SelectCommand(GetParam().text), GetParam().firstInstance) << GetParam().text;
    EXPECT_EQ(SelectForwardedCommand(GetParam().text), GetParam().forwarded) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, CommandSelectionTest, ::testing::ValuesIn(kCases));

TEST(CommandSelection, BytesOutsideAsciiNeitherMatchNorBreakTheSearch)
{
    // A text that only looks like a switch after a wrong case mapping of high bytes.
    EXPECT_EQ(SelectCommand("\xC0\xDA:\xCCock"), Command::DisplayOff);
    EXPECT_EQ(SelectCommand(std::string("a\0:lock", 7)), Command::LockDisplayOff);
    EXPECT_EQ(SelectCommand("\xFF\xFE:displayon\x80"), Command::DisplayOn);
}

TEST(ForwardedMessages, EveryCommandButSilentGoesThereAndBackUnchanged)
{
    const Command all[] = {Command::Silent,         Command::ShowSettings, Command::Schedule, Command::LockDisplayOff,
                           Command::DisplayOn,      Command::Network,      Command::DisplayOff};
    for (const Command command : all) {
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
}

TEST(ForwardedMessages, OtherMessagesAreNoCommand)
{
    Command command = Command::Silent;
    for (const unsigned message : {0u, 0x400u, 0x407u, UM_TRAYNOTIFY, 0xFFFFFFFFu})
        EXPECT_FALSE(CommandForMessage(message, command)) << message;
    EXPECT_EQ(command, Command::Silent);
}

}  // namespace
