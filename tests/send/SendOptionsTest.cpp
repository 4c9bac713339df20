// dusklamp-send's command line: every option, its bounds, the computer forms and the list's place.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "send/SendOptions.h"

namespace {

// The whole result on one line, so that each case states everything it expects.
std::string Describe(const SendOptions& options)
{
    std::string text = "command " + std::to_string(options.command) + ":";
    for (const SendTarget& target : options.targets)
        text += " " + target.host + ":" + target.port;
    text += " t" + std::to_string(options.timeoutMs) + " j" + std::to_string(options.jobs);
    if (!options.listFile.empty())
        text += " list " + options.listFile;
    if (!options.logFile.empty())
        text += " log " + options.logFile;
    if (options.quiet)
        text += " quiet";
    if (options.help)
        text += " help";
    if (options.version)
        text += " version";
    return text;
}

struct Case {
    std::vector<std::string> args;
    const char* expected;  // Describe() of the result, or a part of the one-line usage error
};

void PrintTo(const Case& c, std::ostream* os)
{
    for (const std::string& arg : c.args)
        *os << '[' << arg << ']';
}

const Case kAccepted[] = {
    {{"off", "10.0.0.1"}, "command 0: 10.0.0.1:1960 t3000 j64"},
    {{"lock", "a:1", "b:65535", "c"}, "command 1: a:1 b:65535 c:1960 t3000 j64"},
    {{"on", "a:01960"}, "command 2: a:01960 t3000 j64"},
    // The default port holds for computers named before it too.
    {{"on", "a", "-p", "2000", "b:22"}, "command 2: a:2000 b:22 t3000 j64"},
    {{"on", "a", "-p2000"}, "command 2: a:2000 t3000 j64"},
    {{"--port=2000", "on", "a"}, "command 2: a:2000 t3000 j64"},
    {{"-t", "1", "-j", "1024", "off", "a"}, "command 0: a:1960 t1 j1024"},
    {{"--timeout", "3600000", "--jobs=1", "off", "a"}, "command 0: a:1960 t3600000 j1"},
    {{"-l", "lab.txt", "off"}, "command 0: t3000 j64 list lab.txt"},
    {{"off", "--list=lab.txt", "a"}, "command 0: a:1960 t3000 j64 list lab.txt"},
    {{"--log", "sent.csv", "-q", "off", "a"}, "command 0: a:1960 t3000 j64 log sent.csv quiet"},
    {{"--", "off", "-a"}, "command 0: -a:1960 t3000 j64"},
    // Help and version end the reading: what follows is not checked.
    {{"off", "--help", "a:0"}, "command 0: t3000 j64 help"},
    {{"-h"}, "command 0: t3000 j64 help"},
    {{"--version", "-x"}, "command 0: t3000 j64 version"},
};

const Case kRejected[] = {
    {{}, "no command given"},
    {{"a"}, "unknown command 'a'"},
    {{"OFF", "a"}, "unknown command 'OFF'"},
    {{"off"}, "no computer given"},
    {{"off", "a:0"}, "bad port in 'a:0'"},
    {{"off", "a:65536"}, "bad port in 'a:65536'"},
    {{"off", "a:"}, "bad port in 'a:'"},
    {{"off", "a:19x"}, "bad port in 'a:19x'"},
    {{"off", "a:+1"}, "bad port in 'a:+1'"},
    {{"off", "a:1:2"}, "bad port in 'a:1:2'"},
    {{"off", ":1960"}, "bad computer ':1960'"},
    {{"-p", "0", "off", "a"}, "bad port '0'"},
    {{"-p", " 1", "off", "a"}, "bad port ' 1'"},
    {{"-p", "99999999999999999999999", "off", "a"}, "bad port '99999999999999999999999'"},
    {{"-t", "0", "off", "a"}, "bad time-out '0'"},
    {{"-t", "3600001", "off", "a"}, "bad time-out '3600001'"},
    {{"-t", "-5", "off", "a"}, "bad time-out '-5'"},
    {{"-j", "0", "off", "a"}, "bad job count '0'"},
    {{"-j", "1025", "off", "a"}, "bad job count '1025'"},
    {{"-x", "off", "a"}, "unknown option '-x'"},
    {{"--ports", "1", "off", "a"}, "unknown option '--ports'"},
    {{"--quiet=yes", "off", "a"}, "option '--quiet' takes no value"},
    {{"-q1", "off", "a"}, "option '--quiet' takes no value"},
    {{"off", "a", "--log"}, "option '--log' needs a value"},
    {{"off", "a", "-t"}, "option '--timeout' needs a value"},
};

class AcceptedArguments : public ::testing::TestWithParam<Case> {};
class RejectedArguments : public ::testing::TestWithParam<Case> {};

TEST_P(AcceptedArguments, GiveTheseOptions)
{
    SendOptions options;
    std::string error;
    ASSERT_TRUE(ParseSendArguments(GetParam().args, options, error)) << error;
    EXPECT_EQ(Describe(options), GetParam().expected);
}

TEST_P(RejectedArguments, AreAUsageErrorOnOneLineNamingTheProblem)
{
    SendOptions options;
    std::string error;
    ASSERT_FALSE(ParseSendArguments(GetParam().args, options, error)) << Describe(options);
    EXPECT_NE(error.find(GetParam().expected), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(Send, AcceptedArguments, ::testing::ValuesIn(kAccepted));
INSTANTIATE_TEST_SUITE_P(Send, RejectedArguments, ::testing::ValuesIn(kRejected));

TEST(SendTargets, ListComputersFollowTheCommandLineWithTheirPortTextAsRead)
{
    SendOptions options;
    std::string error;
    ASSERT_TRUE(ParseSendArguments({"off", "first:1", "-l", "lab.txt"}, options, error)) << error;
    // LF alone, CR CR LF and a blank line read like CR LF; a line without a comma joins the next
    // line's address; a port the sender cannot use still stands as written, to be reported.
    const std::string list = "10.0.0.1,1960\n10.0.0.2,2000\r\r\n\r\nlost\r\n10.0.0.3,x9\r\n10.0.0.1,1960";
    std::vector<SendTarget> targets = options.targets;
    AppendListTargets(ParseComputerList(list), targets);
    std::string order;
    for (const SendTarget& target : targets)
        order += "[" + target.host + ":" + target.port + "]";
    EXPECT_EQ(order, "[first:1][10.0.0.1:1960][10.0.0.2:2000][lost\r\n10.0.0.3:x9][10.0.0.1:1960]");
}

TEST(SendTargets, OnlyDecimalPortsFromOneTo65535AreUsable)
{
    std::uint16_t port = 0;
    EXPECT_TRUE(ParsePortText("1", port) && port == 1);
    EXPECT_TRUE(ParsePortText("65535", port) && port == 65535);
    for (const char* bad : {"", "0", "65536", "1960 ", "x9", "4294969256", "-1"})
        EXPECT_FALSE(ParsePortText(bad, port)) << bad;
}

}  // namespace
