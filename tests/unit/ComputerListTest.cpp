// Reading and writing "Clients.txt" over raw bytes, hand-edited and hostile files included.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/ComputerList.h"

// Beside ComputerEntry, in the global namespace, where the comparisons and GoogleTest's printer look.
static bool operator==(const ComputerEntry& a, const ComputerEntry& b)
{
    return a.address == b.address && a.port == b.port;
}

static void PrintTo(const ComputerEntry& e, std::ostream* os)
{
    *os << '{' << ::testing::PrintToString(e.address) << ", " << ::testing::PrintToString(e.port) << '}';
}

namespace {

using Entries = std::vector<ComputerEntry>;

TEST(ComputerListRead, GivesTheseEntries)
{
    const std::string k51(51, 'a'), k11(11, '7');
    const struct { const char* name; std::string bytes; Entries entries; } cases[] = {
        {"Empty", "", {}}, {"OnlyWhiteSpace", " \r\n\t\r\n", {}},
        {"CrLf", "10.0.0.1,1960\r\n10.0.0.2,2000\r\n", {{"10.0.0.1", "1960"}, {"10.0.0.2", "2000"}}},
        {"LfAlone", "10.0.0.1,1960\n10.0.0.2,2000\n", {{"10.0.0.1", "1960"}, {"10.0.0.2", "2000"}}},
        {"CrCrLf", "10.0.0.1,1960\r\r\n10.0.0.2,2000\r\r\n", {{"10.0.0.1", "1960"}, {"10.0.0.2", "2000"}}},
        {"BlankLinesAndNoFinalLineEnd", "\r\n10.0.0.1,1960\r\n\r\n\n  \t\r\n10.0.0.2,2000",
         {{"10.0.0.1", "1960"}, {"10.0.0.2", "2000"}}},
        {"BlanksBeforeThePort", "host,\t \r\n1960\r\n", {{"host", "1960"}}},
        {"PortEndsAtWhiteSpace", "10.0.0.1,19 60\r\n", {{"10.0.0.1", "19"}}},
        {"LineWithoutCommaMergesWithNextAddress", "10.0.0.1\r\n10.0.0.2,2000\r\n", {{"10.0.0.1\r\n10.0.0.2", "2000"}}},
        {"PortKeepsCommasAndText", "a,1,2\r\nb,x9\r\n", {{"a", "1,2"}, {"b", "x9"}}},
        {"DuplicatesStay", "10.0.0.1,1960\r\n10.0.0.1,1960\r\n", {{"10.0.0.1", "1960"}, {"10.0.0.1", "1960"}}},
        {"LeadingCommaSkipsThatRecordOnly", ",1960\r\n10.0.0.2,2000\r\n", {{"10.0.0.2", "2000"}}},
        {"CommasOnly", ",,,,", {}}, {"FieldsAtTheirLimits", k51 + "," + k11 + "\r\n", {{k51, k11}}},
        {"FinalAddressWithCommaButNoPort", "10.0.0.1,1960\r\n10.0.0.2,\r\n", {{"10.0.0.1", "1960"}}},
        {"FinalAddressWithoutComma", "10.0.0.1,1960\r\n10.0.0.2\r\n", {{"10.0.0.1", "1960"}}},
        {"LongFieldsAreCutAndDoNotSpill", k51 + "bbb," + k11 + "99 rest,1\r\nnext,2\r\n",
         {{k51, k11}, {"rest", "1"}, {"next", "2"}}},
        {"NulIsAnOrdinaryByte", std::string("a\0b,1\0\r\n", 8), {{std::string("a\0b", 3), std::string("1\0", 2)}}}};
    for (const auto& c : cases)
        EXPECT_EQ(ParseComputerList(c.bytes), c.entries) << c.name;
}

TEST(ComputerListWrite, WritesExactBytesAndReadsThemBackAMergedAddressIncluded)
{
    const Entries entries = {{"10.0.0.1", "1960"}, {"10.0.0.2", "2000"}, {"10.0.0.1", "1960"}};
    EXPECT_EQ(FormatComputerList(entries), "10.0.0.1,1960\r\n10.0.0.2,2000\r\n10.0.0.1,1960\r\n");
    EXPECT_EQ(FormatComputerList({}), "");
    for (const Entries& read : {entries, ParseComputerList("first\nsecond,1\r\n")})
        EXPECT_EQ(ParseComputerList(FormatComputerList(read)), read);
}

}  // namespace
