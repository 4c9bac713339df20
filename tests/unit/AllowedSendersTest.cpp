// The allowed-senders list: what it reads, how it is stored, whom it lets in; and the names the
// log of received commands gives what a text asks for.
#include <gtest/gtest.h>

#include <string>

#include "app/CommandSelection.h"
#include "net/AllowedSenders.h"

namespace {

TEST(AllowedSenders, EntriesAreStoredInTheirShortestFormOnceEachInTheOrderGiven)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {" ,\t\r\n,, ", ""}, {"10.0.0.1/32", "10.0.0.1"}, {"192.168.1.77/24", "192.168.1.0/24"},
        {"255.255.255.255/0", "0.0.0.0/0"}, {"10.0.0.1,10.0.0.1 10.0.0.1/32", "10.0.0.1"},
        {"5.6.7.8\r\n1.2.3.4,,\t5.6.7.8/31", "5.6.7.8, 1.2.3.4, 5.6.7.8/31"},
        {"0.0.0.0 255.255.255.255", "0.0.0.0, 255.255.255.255"}};
    for (const auto& [text, stored] : cases) {
        CAllowedSenders senders;
        std::string bad;
        ASSERT_TRUE(senders.Parse(text, bad)) << text << " refused at " << bad;
        EXPECT_EQ(senders.Text(), stored) << text;
    }
}

TEST(AllowedSenders, TheFirstMalformedEntryIsNamedAsWrittenAndTheListStaysAsItWas)
{
    // Each text is its own bad entry, but for the list of three. Leading zeros are refused: the
    // system's own reader takes them as octal.
    const std::string cases[] = {
        "10.0.0.256", "1.2.3.1000", "10.0.0", "10.0.0.1.5", "1..2.3", "1.2.3.4.", "1.2.3.4/33", "1.2.3.4/",
        "1.2.3.4/-1", "1.2.3.4/8/8", "1.2.3.4/100", "010.0.0.1", "1.2.3.4/08", "0x7f.0.0.1", "4294967295",
        "lab-pc-7", "+1.2.3.4", "::1", "1.2.3.4;5.6.7.8", "\xef\xbc\x91.2.3.4",
        "1.2.3.4 5.6.7.8/24/1 x", std::string("1.2.3.4\0", 8)};
    for (const std::string& text : cases) {
        CAllowedSenders senders;
        std::string bad;
        ASSERT_TRUE(senders.Parse("9.9.9.9", bad));
        EXPECT_FALSE(senders.Parse(text, bad)) << text;
        EXPECT_EQ(bad, &text == &cases[20] ? "5.6.7.8/24/1" : text) << text;
        EXPECT_EQ(senders.Text(), "9.9.9.9") << text;
    }
}

TEST(AllowedSenders, AnEmptyListLetsEveryoneInAndARangeExactlyItsAddresses)
{
    const struct { const char* list; std::uint32_t address; bool allowed; } cases[] = {
        {"", 0xCB007109, true}, {"127.0.0.2", 0x7F000002, true}, {"127.0.0.2", 0x7F000001, false},
        {"127.0.0.2", 0x7F000003, false}, {"127.0.0.0/30", 0x7F000000, true}, {"127.0.0.0/30", 0x7F000003, true},
        {"127.0.0.0/30", 0x7F000004, false}, {"127.0.0.0/30", 0x7EFFFFFF, false}, {"0.0.0.0/0", 0xFFFFFFFF, true},
        {"10.0.0.0/8 127.0.0.1", 0x0AFF0001, true}, {"10.0.0.0/8 127.0.0.1", 0x7F000001, true},
        {"10.0.0.0/8 127.0.0.1", 0x0B000000, false}, {"128.0.0.0/1", 0x7FFFFFFF, false},
        // A stored value that does not read as a list lets nobody in, its readable entries neither.
        {"127.0.0.1 localhost", 0x7F000001, false}, {"garbage", 0x7F000001, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsSenderAllowed(c.list, c.address), c.allowed) << c.list << " " << std::hex << c.address;
}

TEST(ReceivedCommandName, TheSendersLabelForItsThreeCommandsAndTheSwitchForTheRest)
{
    const std::pair<const char*, const char*> cases[] = {
        {" ", "Dusklamp"}, {"", "Dusklamp"}, {":LOCK", "Lock WorkStation & Dusklamp"}, {":displayon", "Dawnlamp"},
        {":displayon:lock", "Lock WorkStation & Dusklamp"}, {":silent:lock", ":silent"}, {":Settings", ":settings"},
        {":shutdown", ":shutdown"}, {"x:networky", ":network"}};
    for (const auto& [text, name] : cases)
        EXPECT_EQ(ReceivedCommandName(SelectCommand(text)), name) << text;
}

}  // namespace
