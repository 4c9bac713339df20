// dusklamp-send: sends one remote command to many computers at once, for schedulers and scripts.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/LocalTime.h"
#include "net/CommandLog.h"
#include "net/CommandTable.h"
#include "net/ComputerList.h"
#include "send/SendOptions.h"
#include "send/SendSocket.h"
#include "send/Sender.h"

namespace {

const char kProgram[] = "dusklamp-send";

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using CFile = std::unique_ptr<std::FILE, CloseFile>;

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 2;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& reason)
{
    CFile file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        reason = std::strerror(errno);
        return false;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
        bytes.append(buffer, got);
    if (std::ferror(file.get())) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

// A list line without a comma runs into the next line's address, line end and all; the report
// still shows one line per computer.
std::string Printable(const std::string& text)
{
    std::string shown = text;
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    return shown;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    SendOptions options;
    std::string error;
    if (!ParseSendArguments(args, options, error))
        return UsageError(error);
    if (options.help) {
        std::fputs(kSendUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgram, DUSKLAMP_VERSION);
        return 0;
    }

    std::vector<SendTarget> targets = options.targets;
    if (!options.listFile.empty()) {
        std::string bytes;
        if (!ReadWholeFile(options.listFile, bytes, error))
            return UsageError("cannot read list '" + options.listFile + "': " + error);
        AppendListTargets(ParseComputerList(bytes), targets);
    }
    if (targets.empty())
        return UsageError("no computer in list '" + options.listFile + "'");

    // Binary mode: the log's records end in CR LF on every system, as the program writes them.
    CFile log;
    if (!options.logFile.empty()) {
        log.reset(std::fopen(options.logFile.c_str(), "ab"));
        // The commands still go out: a lab that stays lit is worse than a missing record.
        if (!log)
            std::fprintf(stderr, "%s: cannot open log '%s': %s\n", kProgram, options.logFile.c_str(),
                         std::strerror(errno));
    }

    CSocketLayer socketLayer;
    if (!socketLayer.IsReady()) {
        std::fprintf(stderr, "%s: cannot start the socket layer: %s\n", kProgram,
                     SocketErrorText(socketLayer.Error()).c_str());
        return 1;
    }

    const RemoteCommand& command = kRemoteCommands[options.command];
    SendRun run;
    run.wire = command.wire;
    run.timeoutMs = options.timeoutMs;
    run.jobs = CSocketLayer::SocketAllowance(options.jobs);
    run.beforeAttempt = [&](std::size_t index) {
        if (!log)
            return;
        const std::string record =
            FormatCommandLogRecord(LocalTimeText(), targets[index].host, targets[index].port, command.label);
        // Flushed at once: the record must be on disk before its attempt, as the program's log is.
        std::fwrite(record.data(), 1, record.size(), log.get());
        std::fflush(log.get());
    };
    run.report = [&](std::size_t index, const SendOutcome& outcome) {
        const std::string computer = Printable(targets[index].host) + ":" + Printable(targets[index].port);
        if (outcome.reached && !options.quiet)
            std::printf("%s reached\n", computer.c_str());
        else if (!outcome.reached)
            std::printf("%s failed: %s\n", computer.c_str(), outcome.reason.c_str());
        std::fflush(stdout);
    };
    return SendToAll(targets, run) ? 0 : 1;
}
