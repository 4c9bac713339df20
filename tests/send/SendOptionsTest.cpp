// dusklamp-send's command line: every option, its bounds, the computer forms.
#include <gtest/gtest.h>

#include <string>
#include <utility>
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
    text += (options.listFile.empty() ? "" : " list " + options.listFile) +
            (options.logFile.empty() ? "" : " log " + options.logFile);
    return text + (options.quiet ? " quiet" : "") + (options.help ? " help" : "") + (options.version ? " version" : "");
}

// The arguments, and Describe() of the result or a part of the one-line usage error.
using Case = std::pair<std::vector<std::string>, std::string>;

const Case kAccepted[] = {
    {{"off", "10.0.0.1"}, "command 0: 10.0.0.1:1960 t3000 j64"}, {{"on", "a:01960"}, "command 2: a:01960 t3000 j64"},
    {{"lock", "a:1", "b:65535", "c"}, "command 1: a:1 b:65535 c:1960 t3000 j64"},
    // The default port holds for computers named before it too.
    {{"on", "a", "-p", "2000", "b:22"}, "command 2: a:2000 b:22 t3000 j64"},
    {{"-t1", "-j", "1024", "off", "a"}, "command 0: a:1960 t1 j1024"},
    {{"--timeout", "3600000", "--jobs=1", "off", "a"}, "command 0: a:1960 t3600000 j1"},
    {{"-l", "lab.txt", "off"}, "command 0: t3000 j64 list lab.txt"},
    {{"off", "--list=lab.txt", "a"}, "command 0: a:1960 t3000 j64 list lab.txt"},
    {{"--log", "sent.csv", "-q", "off", "a"}, "command 0: a:1960 t3000 j64 log sent.csv quiet"},
    {{"--", "off", "-a"}, "command 0: -a:1960 t3000 j64"},
    // Help and version end the reading: what follows is not checked.
    {{"off", "--help", "a:0"}, "command 0: t3000 j64 help"}, {{"-h"}, "command 0: t3000 j64 help"},
    {{"--version", "-x"}, "command 0: t3000 j64 version"}};

// Numbers are digits only, within bounds, and never wrap: 4294969256 is 2^32 + 1960.
const Case kRejected[] = {
    {{}, "no command given"}, {{"a"}, "unknown command 'a'"}, {{"OFF", "a"}, "unknown command 'OFF'"},
    {{"off"}, "no computer given"}, {{"off", "a:0"}, "bad port in 'a:0'"},
    {{"off", "a:65536"}, "bad port in 'a:65536'"}, {{"off", "a:"}, "bad port in 'a:'"},
    {{"off", "a:+1"}, "bad port in 'a:+1'"}, {{"off", "a:1960 "}, "bad port in 'a:1960 '"},
    {{"off", "a:1:2"}, "bad port in 'a:1:2'"}, {{"off", ":1960"}, "bad computer ':1960'"},
    {{"-p", "0", "off", "a"}, "bad port '0'"}, {{"-p", "4294969256", "off", "a"}, "bad port '4294969256'"},
    {{"-t", "0", "off", "a"}, "bad time-out '0'"}, {{"-t", "3600001", "off", "a"}, "bad time-out '3600001'"},
    {{"-j", "0", "off", "a"}, "bad job count '0'"}, {{"-j", "1025", "off", "a"}, "bad job count '1025'"},
    {{"-x", "off", "a"}, "unknown option '-x'"}, {{"--ports", "1", "off", "a"}, "unknown option '--ports'"},
    {{"--quiet=yes", "off", "a"}, "option '--quiet' takes no value"},
    {{"-q1", "off", "a"}, "option '--quiet' takes no value"}, {{"off", "a", "--log"}, "option '--log' needs a value"},
};

TEST(SendArguments, AcceptedGiveTheseOptions)
{
    for (const auto& [args, expected] : kAccepted) {
        SendOptions options;
        std::string error;
        ASSERT_TRUE(ParseSendArguments(args, options, error)) << expected << ": " << error;
        EXPECT_EQ(Describe(options), expected);
    }
}

TEST(SendArguments, RejectedAreAUsageErrorOnOneLineNamingTheProblem)
{
    for (const auto& [args, expected] : kRejected) {
        SendOptions options;
        std::string error;
        ASSERT_FALSE(ParseSendArguments(args, options, error)) << expected << ": " << Describe(options);
        EXPECT_NE(error.find(expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
}

TEST(SendTargets, ControlBytesMakeABadComputer)
{
    for (const std::string& bad : {std::string("a\0b", 3), std::string("a\nb"), std::string("\x7f"), std::string("\t")})
        EXPECT_TRUE(HasControlBytes(bad)) << bad;
    for (const char* good : {"lab-pc-7", "10.0.0.1", "\xc3\xa9" "cole", " "})
        EXPECT_FALSE(HasControlBytes(good)) << good;
}

}  // namespace
