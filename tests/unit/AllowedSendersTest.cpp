// The allowed-senders list: what it reads, how it is stored, whom it lets in; and the names the
// log of received commands gives what a text asks for.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/CommandSelection.h"
#include "net/AllowedSenders.h"

namespace {

std::uint32_t Address(unsigned a, unsigned b, unsigned c, unsigned d)
{
    return a << 24 | b << 16 | c << 8 | d;
}

TEST(AllowedSenders, EntriesAreStoredInTheirShortestFormOnceEachInTheOrderGiven)
{
    const struct { const char* text; const char* stored; } cases[] = {
        {"", ""},
        {" ,\t\r\n,, ", ""},
        {"10.0.0.1", "10.0.0.1"},
        {"10.0.0.1/32", "10.0.0.1"},
        {"192.168.1.77/24", "192.168.1.0/24"},
        {"255.255.255.255/0", "0.0.0.0/0"},
        {"10.0.0.1,10.0.0.1 10.0.0.1/32", "10.0.0.1"},
        {"5.6.7.8\r\n1.2.3.4,,\t5.6.7.8/31", "5.6.7.8, 1.2.3.4, 5.6.7.8/31"},
        {"0.0.0.0 255.255.255.255", "0.0.0.0, 255.255.255.255"},
    };
    for (const auto& c : cases) {
        CAllowedSenders senders;
        std::string bad;
        ASSERT_TRUE(senders.Parse(c.text, bad)) << c.text << " refused at " << bad;
        EXPECT_EQ(senders.Text(), c.stored) << c.text;
    }
}

TEST(AllowedSenders, TheFirstMalformedEntryIsNamedAsWrittenAndTheListStaysAsItWas)
{
    const struct { std::string text; const char* bad; } cases[] = {
        {"10.0.0.256", "10.0.0.256"},
        {"1.2.3.1000", "1.2.3.1000"},
        {"10.0.0", "10.0.0"},
        {"10.0.0.1.5", "10.0.0.1.5"},
        {"1..2.3", "1..2.3"},
        {"1.2.3.4.", "1.2.3.4."},
        {"1.2.3.4/33", "1.2.3.4/33"},
        {"1.2.3.4/", "1.2.3.4/"},
        {"1.2.3.4/-1", "1.2.3.4/-1"},
        {"1.2.3.4/8/8", "1.2.3.4/8/8"},
        {"1.2.3.4/100", "1.2.3.4/100"},
        // Leading zeros: the system's own reader takes them as octal.
        {"010.0.0.1", "010.0.0.1"},
        {"1.2.3.4/08", "1.2.3.4/08"},
        {"0x7f.0.0.1", "0x7f.0.0.1"},
        {"4294967295", "4294967295"},
        {"lab-pc-7", "lab-pc-7"},
        {"+1.2.3.4", "+1.2.3.4"},
        {"::1", "::1"},
        {"1.2.3.4;5.6.7.8", "1.2.3.4;5.6.7.8"},
        {"1.2.3.4 5.6.7.8/24/1 x", "5.6.7.8/24/1"},
        {std::string("1.2.3.4\0", 8), "1.2.3.4"},  // named up to its NUL
        {"\xef\xbc\x91.2.3.4", "\xef\xbc\x91.2.3.4"},
    };
    for (const auto& c : cases) {
        CAllowedSenders senders;
        std::string bad;
        ASSERT_TRUE(senders.Parse("9.9.9.9", bad));
        EXPECT_FALSE(senders.Parse(c.text, bad)) << c.text;
        EXPECT_EQ(bad.substr(0, bad.find('\0')), c.bad) << c.text;
        EXPECT_EQ(senders.Text(), "9.9.9.9") << c.text;
    }
}

TEST(AllowedSenders, AnEmptyListLetsEveryoneInAndARangeExactlyItsAddresses)
{
    const struct { const char* list; std::uint32_t address; bool allowed; } cases[] = {
        {"", Address(203, 0, 113, 9), true},
        {"127.0.0.2", Address(127, 0, 0, 2), true},
        {"127.0.0.2", Address(127, 0, 0, 1), false},
        {"127.0.0.2", Address(127, 0, 0, 3), false},
        {"127.0.0.0/30", Address(127, 0, 0, 0), true},
        {"127.0.0.0/30", Address(127, 0, 0, 3), true},
        {"127.0.0.0/30", Address(127, 0, 0, 4), false},
        {"127.0.0.0/30", Address(126, 255, 255, 255), false},
        {"10.0.0.0/8 127.0.0.1", Address(10, 255, 0, 1), true},
        {"10.0.0.0/8 127.0.0.1", Address(127, 0, 0, 1), true},
        {"10.0.0.0/8 127.0.0.1", Address(11, 0, 0, 0), false},
        {"0.0.0.0/0", Address(255, 255, 255, 255), true},
        {"128.0.0.0/1", Address(127, 255, 255, 255), false},
        {"255.255.255.255", Address(255, 255, 255, 255), true},
        // A stored value that does not read as a list lets nobody in, its readable entries neither.
        {"127.0.0.1 localhost", Address(127, 0, 0, 1), false},
        {"garbage", Address(127, 0, 0, 1), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsSenderAllowed(c.list, c.address), c.allowed) << c.list << " " << std::hex << c.address;
}

TEST(ReceivedCommandName, TheSendersLabelForItsThreeCommandsAndTheSwitchForTheRest)
{
    const struct { const char* text; const char* name; } cases[] = {
        {" ", "Dusklamp"},
        {"", "Dusklamp"},
        {":LOCK", "Lock WorkStation & Dusklamp"},
        {":displayon", "Dawnlamp"},
        {":displayon:lock", "Lock WorkStation & Dusklamp"},
        {":silent:lock", ":silent"},
        {":Settings", ":settings"},
        {":shutdown", ":shutdown"},
        {"x:networky", ":network"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReceivedCommandName(SelectCommand(c.text)), c.name) << c.text;
}

}  // namespace
