// The allowed-senders list: what it reads, how it is stored, whom it lets in; and the names the
// log of received commands gives what a text asks for.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "app/CommandSelection.h"
#include "net/AllowedSenders.h"

namespace {

TEST(AllowedSenders, EntriesAreStoredInTheirShortestFormOnceEachInTheOrderGiven)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""}, {" ,\t\r\n,, ", ""}, {"10.0.0.1/32", "10.0.0.1"}, {"192.168.1.77/24", "192.168.1.0/24"},
        {"0.0.0.0/0", "0.0.0.0/0"}, {"10.0.0.1,10.0.0.1 10.0.0.1/32", "10.0.0.1"},
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
    // system's own reader takes them as octal. A /0 lets everyone in, so only 0.0.0.0/0 may say it:
    // 10.0.0.1/0 is a slip for /30 or so.
    const std::string cases[] = {
        "10.0.0.256", "1.2.3.1000", "10.0.0", "10.0.0.1.5", "1..2.3", "1.2.3.4.", "1.2.3.4/33", "1.2.3.4/",
        "1.2.3.4/-1", "1.2.3.4/8/8", "1.2.3.4/100", "010.0.0.1", "1.2.3.4/08", "0x7f.0.0.1", "4294967295",
        "lab-pc-7", "+1.2.3.4", "::1", "1.2.3.4;5.6.7.8", "\xef\xbc\x91.2.3.4",
        "1.2.3.4 5.6.7.8/24/1 x", std::string("1.2.3.4\0", 8), "10.0.0.1/0", "255.255.255.255/0", "0.0.0.0/00",
        "00.0.0.0/0", "0.0.0.0/0/0"};
    for (const std::string& text : cases) {
        CAllowedSenders senders;
        std::string bad;
        ASSERT_TRUE(senders.Parse("9.9.9.9", bad));
        EXPECT_FALSE(senders.Parse(text, bad)) << text;
        EXPECT_EQ(bad, &text == &cases[20] ? "5.6.7.8/24/1" : text) << text;
        EXPECT_EQ(senders.Text(), "9.9.9.9") << text;
    }
}

TEST(AllowedSenders, OnlyAMissingOrEmptyValueLetsEveryoneInAndARangeExactlyItsAddresses)
{
    using Kind = StoredAllowedSenders::Kind;
    const auto T = Kind::Text;
    const struct { Kind kind; const char* list; std::uint32_t address; bool allowed; } cases[] = {
        {Kind::Absent, "", 0xCB007109, true}, {Kind::Empty, "", 0xCB007109, true}, {T, "", 0xCB007109, true},
        {T, "127.0.0.2", 0x7F000002, true}, {T, "127.0.0.2", 0x7F000001, false}, {T, "127.0.0.2", 0x7F000003, false},
        {T, "127.0.0.0/30", 0x7F000000, true}, {T, "127.0.0.0/30", 0x7F000003, true},
        {T, "127.0.0.0/30", 0x7F000004, false}, {T, "127.0.0.0/30", 0x7EFFFFFF, false},
        {T, "0.0.0.0/0", 0xFFFFFFFF, true}, {T, "10.0.0.0/8 127.0.0.1", 0x0AFF0001, true},
        {T, "10.0.0.0/8 127.0.0.1", 0x7F000001, true}, {T, "10.0.0.0/8 127.0.0.1", 0x0B000000, false},
        {T, "128.0.0.0/1", 0x7FFFFFFF, false}, {T, "255.255.255.255", 0xFFFFFFFF, true},
        {T, "255.255.255.254", 0xFFFFFFFF, false}, {T, "0.0.0.0", 0, true}, {T, "0.0.0.0", 1, false},
        // Merged spans: nested, overlapping, adjacent, the whole space's two ends.
        {T, "10.0.0.0/24 10.0.0.128/25 10.0.1.0/24", 0x0A0001FF, true}, {T, "10.0.0.0/24 10.0.1.0/24", 0x0A000200, false},
        {T, "0.0.0.0/1 128.0.0.0/1", 0xFFFFFFFF, true}, {T, "255.255.255.255 0.0.0.0/1", 0x80000000, false},
        // A stored value that does not read as a list lets nobody in, its readable entries neither:
        // written by another program, by hand, or with a slip the dialog would have refused.
        {T, "127.0.0.1 localhost", 0x7F000001, false}, {T, "garbage", 0x7F000001, false},
        {T, "10.0.0.1/0", 0x0A000001, false}, {T, " , ,", 0x7F000001, false}, {T, "\r\n", 0x7F000001, false},
        // There but not a string (a number, say), or refused to the reader: nobody either.
        {Kind::Unreadable, "", 0x7F000001, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(IsSenderAllowed({c.kind, c.list}, c.address), c.allowed)
            << static_cast<int>(c.kind) << " \"" << c.list << "\" " << std::hex << c.address;
    }
}

TEST(AllowedSenders, TenThousandEntriesLetInWhatTheirRangesCoverAtTheCostOfOne)
{
    // Overlapping, nested, adjacent and repeated ranges in no order, in a space small enough for
    // some of it to stay uncovered.
    std::uint32_t seed = 1960;
    const auto random = [&] { return (seed = seed * 1103515245u + 12345u) >> 8; };
    std::string text;
    for (int i = 0; i < 10000; ++i) {
        const unsigned prefix = 24 + random() % 9;
        text += "10." + std::to_string(random() % 16) + "." + std::to_string(random() % 256) + "."
            + std::to_string(random() % 256) + "/" + std::to_string(prefix) + (i % 2 ? "," : "\n");
    }
    CAllowedSenders senders;
    std::string bad;
    ASSERT_TRUE(senders.Parse(text, bad)) << bad;
    std::vector<std::uint32_t> addresses = {0, 0xFFFFFFFF, 0x09FFFFFF, 0x0A100000};
    for (std::size_t i = 0; i < 500; ++i) {
        const SenderRange& range = senders.Ranges()[i * senders.Ranges().size() / 500];
        const std::uint32_t last = range.network | (range.prefix == 32 ? 0 : 0xFFFFFFFF >> range.prefix);
        addresses.insert(addresses.end(), {range.network - 1, range.network, last, last + 1});
    }
    for (int i = 0; i < 2000; ++i)
        addresses.push_back(0x0A000000 | random() % 0x100000);
    std::size_t allowed = 0;
    for (const std::uint32_t address : addresses) {
        const bool covered = std::any_of(senders.Ranges().begin(), senders.Ranges().end(), [&](const SenderRange& r) {
            return r.prefix == 0 || (address ^ r.network) >> (32 - r.prefix) == 0;
        });
        ASSERT_EQ(senders.Allows(address), covered) << std::hex << address;
        allowed += covered;
    }
    // Neither answer is rare, or a list that let everyone or nobody in would pass.
    EXPECT_GT(allowed, addresses.size() / 4);
    EXPECT_LT(allowed, addresses.size() * 3 / 4);

    // A scan of the entries would take up to 10^9 steps for these looks, a search under 2 * 10^6.
    const auto start = std::chrono::steady_clock::now();
    std::size_t let = 0;
    for (std::uint32_t i = 0; i < 100000; ++i)
        let += senders.Allows(0x0A000000 | (i * 7919) % 0x100000);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GT(let, 0u);
    EXPECT_LT(took, std::chrono::milliseconds(500));
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
