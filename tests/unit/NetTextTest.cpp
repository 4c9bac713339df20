// The small text rules of the network feature: command table, received text, data paths, log records, ports,
// addresses.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "framework/UnsignedText.h"
#include "net/AddressText.h"
#include "net/CommandLog.h"
#include "net/CommandTable.h"
#include "net/DataPath.h"
#include "net/PortText.h"

namespace {

TEST(CommandTable, LabelIsFoundIgnoringCaseAndOnlyForWholeWireText)
{
    const std::pair<const char*, const char*> cases[] = {
        {" ", "Dusklamp"}, {":lock", "Lock WorkStation & Dusklamp"}, {":LoCk", "Lock WorkStation & Dusklamp"},
        {":DISPLAYON", "Dawnlamp"}, {"", ""}, {"  ", ""}, {":lock ", ""}, {":loc", ""}, {"lock", ""},
        {":displayoff", ""}, {"Dusklamp", ""}};
    for (const auto& [text, label] : cases)
        EXPECT_EQ(FindCommandLabel(text), label) << '"' << text << '"';
}

TEST(CommandTable, ReceivedTextIsCutAtNulAndAtTheReadLimit)
{
    const std::string longText = std::string(99, 'x') + ":lock", exact(100, 'y');
    const struct { std::string bytes, text; } cases[] = {
        {"", ""}, {":lock", ":lock"}, {std::string(":lock\0:displayon", 16), ":lock"}, {std::string("\0:lock", 6), ""},
        {longText, std::string(99, 'x') + ":"}, {exact, exact}};
    EXPECT_EQ(CommandTextFromBytes(nullptr, 0), "");
    for (const auto& c : cases)
        EXPECT_EQ(CommandTextFromBytes(c.bytes.data(), c.bytes.size()), c.text) << c.bytes;
}

TEST(DataPath, ProgramDirectoryEndsBeforeTheLastBackslashAndEveryDoubledBackslashCollapsesLeftToRight)
{
    const std::pair<const char*, const char*> directories[] = {
        {"C:\\Tools\\app.exe", "C:\\Tools"}, {"C:\\app.exe", "C:"},
        {"\\\\server\\share\\app.exe", "\\\\server\\share"}, {"app.exe", ""}};
    for (const auto& [module, directory] : directories)
        EXPECT_EQ(ProgramDirectoryFromModulePath(module), directory) << module;
    // A network path loses its leading pair too; pairs are taken one after another, not collapsed until single.
    const struct { const char* directory; const char* file; const char* path; } paths[] = {
        {"C:\\Tools", kComputerListFile, "C:\\Tools\\Clients.txt"}, {"C:", kCommandsLogFile, "C:\\CommandsLog.csv"},
        {"\\\\server\\share", kComputerListFile, "\\server\\share\\Clients.txt"},
        {"C:\\Tools\\", kComputerListFile, "C:\\Tools\\Clients.txt"}, {"A\\\\\\B", "f", "A\\\\B\\f"},
        {"A\\\\\\\\B", "f", "A\\\\B\\f"}};
    for (const auto& c : paths)
        EXPECT_EQ(DataFilePath(c.directory, c.file), c.path) << c.directory;
}

TEST(DataPath, OnlyTheStringAppDataMovesTheFilesAndNothingThereIsCollapsed)
{
    using State = RegistryValue::State;
    const struct { RegistryValue value; bool moves; } cases[] = {
        {{State::Present, kRegistryString, std::string("AppData\0", 8)}, true},
        {{State::Present, kRegistryString, "AppData"}, true},
        {{State::Present, kRegistryExpandString, "AppData"}, true},
        {{State::Present, kRegistryString, "appdata"}, false}, {{State::Present, kRegistryString, "AppData "}, false},
        {{State::Present, kRegistryString, ""}, false}, {{State::Present, kRegistryDword, "AppD"}, false},
        {{State::Present, 7 /* multi-string */, std::string("AppData\0\0", 9)}, false},
        {{State::Absent, 0, ""}, false}, {{State::Unreadable, 0, ""}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(UsesApplicationDataFolder(c.value), c.moves) << '"' << c.value.data << '"';
    EXPECT_EQ(ApplicationDataFilePath("C:\\Users\\u\\AppData\\Roaming", kReceivedLogOlderFile),
              "C:\\Users\\u\\AppData\\Roaming\\Brightfen\\Dusklamp\\CommandsReceived.1.csv");
    // A profile redirected to a server keeps its leading pair.
    EXPECT_EQ(ApplicationDataFilePath("\\\\server\\profiles\\u\\", kComputerListFile),
              "\\\\server\\profiles\\u\\Brightfen\\Dusklamp\\Clients.txt");
    EXPECT_EQ(ApplicationDataFolders("C:\\"), (std::vector<std::string>{"C:\\Brightfen", "C:\\Brightfen\\Dusklamp"}));
}

TEST(CommandLog, RecordIsFourUnquotedFieldsAndCrLf)
{
    EXPECT_EQ(FormatCommandLogRecord("01/02/2024 10:00:00 PM", "10.0.0.1", "1960", "Lock WorkStation & Dusklamp"),
              "01/02/2024 10:00:00 PM,10.0.0.1,1960,Lock WorkStation & Dusklamp\r\n");
    EXPECT_EQ(FormatCommandLogRecord("", "", "", ""), ",,,\r\n");
}

TEST(CommandLog, AFreshStartKeepsTheNewestCommandRecordsThatFitAndNoneAboutPeers)
{
    const std::string log = "t,10.0.0.1,5,Dawnlamp\r\n"
                            "t,10.0.0.2,6,Refused\r\n"
                            "t,10.0.0.2,7,Refused 912\n"
                            "t,10.0.0.3,8,Silent 3\r\n"
                            "\r\n"
                            "7, 2026,10.0.0.1,9,:displayon\r\n"  // a time with a comma of its own
                            "t,10.0.0.4,1,Refused x\r\n"         // no count: a label, whatever it says
                            "t,10.0.0.4,2,Silent \n"
                            "t,10.0.0.5,3,Lock WorkStation";      // cut short by a full disk
    const std::string commands = "t,10.0.0.1,5,Dawnlamp\r\n7, 2026,10.0.0.1,9,:displayon\r\n"
                                 "t,10.0.0.4,1,Refused x\r\nt,10.0.0.4,2,Silent \r\nt,10.0.0.5,3,Lock WorkStation\r\n";
    EXPECT_EQ(CommandRecordsOf(log, 1000), commands);
    // Only whole records, the newest first to stay; nothing for a log of peers alone.
    EXPECT_EQ(CommandRecordsOf(log, commands.size() - 1), commands.substr(commands.find("7, 2026")));
    EXPECT_EQ(CommandRecordsOf(log, 10), "");
    EXPECT_EQ(CommandRecordsOf("t,1,2,Refused\r\nt,1,2,Silent 40\r\n\n\n", 1000), "");
}

TEST(AddressText, OnlyFourPlainDecimalsAreAnAddressAndTextEndingInANumberIsNeverLookedUp)
{
    enum Reading { Name, Malformed, Address };
    const struct { const char* text; Reading reading; std::uint32_t address = 0; } cases[] = {
        {"10.0.0.1", Address, 0x0A000001}, {"0.0.0.0", Address, 0}, {"255.255.255.255", Address, 0xFFFFFFFF},
        {"192.168.100.200", Address, 0xC0A864C8},
        // The system's lenient forms: octal, short, one number, hexadecimal, a final dot, and an
        // address cut short by a blank. Each would reach a computer the text does not name.
        {"010.0.0.1", Malformed}, {"0177.0.0.1", Malformed}, {"10.1", Malformed}, {"127.1", Malformed},
        {"167772161", Malformed}, {"0x0a000001", Malformed}, {"0X7F.0.0.1", Malformed}, {"10.0.0.0x1", Malformed},
        {"0x", Malformed}, {"10.0.0.1.", Malformed}, {"10.0.0.1 ", Malformed}, {"10.0.0.1 x", Malformed},
        {"10.0.0.1\t", Malformed}, {"10.0.0.256", Malformed}, {"1.2.3.4.5", Malformed}, {"10..0.1", Malformed},
        {".1", Malformed}, {"-1.2.3.4", Malformed}, {"lab.7", Malformed}, {"99999999999999999999", Malformed},
        // Names, whatever digits they hold, are the name look-up's to find or not.
        {"lab-pc-7", Name}, {"7pc", Name}, {"localhost", Name}, {"host.example.", Name}, {"10.0.0.1x", Name},
        {"0x1g", Name}, {"1e3", Name}, {"::1", Name}, {"", Name}, {".", Name}, {"pc 10.0.0.1", Name}};
    for (const auto& c : cases) {
        EXPECT_EQ(LooksLikeAddress(c.text), c.reading != Name) << '"' << c.text << '"';
        std::uint32_t address = 0x01020304;
        EXPECT_EQ(ParseDottedAddress(c.text, address), c.reading == Address) << '"' << c.text << '"';
        EXPECT_EQ(address, c.reading == Address ? c.address : 0x01020304) << '"' << c.text << '"';
        if (c.reading == Address)
            EXPECT_EQ(DottedText(address), c.text);
    }
}

TEST(PortText, LeadingDigitsInRangeOrNoPortAtAll)
{
    // Port 0 is none, which the sender reports. Only leading digits count: no blanks, no sign. Past the highest
    // port nothing is cut down to a port somebody else may listen on.
    const struct { const char* text; std::uint16_t port; } cases[] = {
        {"", 0}, {"abc", 0}, {" 1960", 0}, {"+1960", 0}, {"0", 0}, {"1960x", 1960}, {"19 60", 19}, {"1", 1},
        {"00065535", 65535}, {"65536", 0}, {"65537", 0}, {"4294969256", 0}, {"123456789012345678901234567890", 0}};
    for (const auto& c : cases) {
        std::uint16_t port = 0;
        EXPECT_EQ(PortFromText(c.text, port), c.port != 0) << '"' << c.text << '"';
        EXPECT_EQ(port, c.port) << '"' << c.text << '"';
    }
}

TEST(UnsignedText, OnlyPlainNumbersInRangeAreTakenTheWholeUnsignedRangeIncluded)
{
    using R = UnsignedTextResult;
    // The port field's range unless a case says otherwise; 2^64 + 5 would wrap a 64-bit accumulator to 5.
    const struct { const char* text; R result; unsigned value, low = 1, high = 65535; } cases[] = {
        {"1960", R::Ok, 1960}, {" \t1960\t ", R::Ok, 1960}, {"1", R::Ok, 1}, {"65535", R::Ok, 65535},
        {"0001960", R::Ok, 1960},
        {"", R::NotUnsigned, 0}, {" \t ", R::NotUnsigned, 0}, {"+1960", R::NotUnsigned, 0},
        {"-1", R::NotUnsigned, 0}, {"19 60", R::NotUnsigned, 0}, {"1960x", R::NotUnsigned, 0},
        {"0x10", R::NotUnsigned, 0}, {"\r\n1960", R::NotUnsigned, 0},
        {"0", R::OutOfRange, 0}, {"65536", R::OutOfRange, 0}, {"4294967295", R::OutOfRange, 0},
        {"4294967296", R::OutOfRange, 0}, {"99999999999999999999999", R::OutOfRange, 0},
        {"0", R::Ok, 0, 0, 0xFFFFFFFFu}, {"4294967295", R::Ok, 0xFFFFFFFFu, 0, 0xFFFFFFFFu},
        {"4294967296", R::OutOfRange, 0, 0, 0xFFFFFFFFu}, {"18446744073709551621", R::OutOfRange, 0, 0, 10}};
    for (const auto& c : cases) {
        unsigned value = 12345;
        EXPECT_EQ(ParseUnsignedInRange(c.text, c.low, c.high, value), c.result) << '"' << c.text << '"';
        EXPECT_EQ(value, c.result == R::Ok ? c.value : 12345u) << '"' << c.text << '"';
    }
}

}  // namespace
