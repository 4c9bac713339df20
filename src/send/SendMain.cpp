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
#include "send/ListStream.h"
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

// One line on standard error for the first failure of a stream; the round goes on without the stream.
void SayWriteFailed(bool& failed, const std::string& what, int error)
{
    if (failed)
        return;
    failed = true;
    std::fprintf(stderr, "%s: cannot write %s: %s\n", kProgram, what.c_str(), std::strerror(error));
}

// The list file, read a piece at a time as its computers are taken, so a list of any size fits in
// memory, and never waited for once the round has begun.
class CListFile {
public:
    // Reads the first piece too, so that a list that cannot be read stops the run before anything is sent.
    bool Open(const std::string& path, std::string& reason)
    {
        if (m_stream.Open(path)) {
            ReadPiece(true);
            if (m_error == 0)
                return true;
        }
        reason = std::strerror(m_stream.IsOpen() ? m_error : errno);
        return false;
    }

    NextTarget Next(SendTarget& target)
    {
        while (m_taken == m_entries.size()) {
            if (!m_stream.IsOpen() || m_ended)
                return NextTarget::NoneLeft;
            if (!ReadPiece(false))
                return NextTarget::NotYet;
        }
        ComputerEntry& entry = m_entries[m_taken++];
        target = {std::move(entry.address), std::move(entry.port)};
        return NextTarget::Taken;
    }

    // True when the pieces read so far hold no computer and there is nothing more to read.
    bool IsExhausted() const { return m_taken == m_entries.size() && (!m_stream.IsOpen() || m_ended); }
    // The system's error number when the list could not be read to its end.
    int Error() const { return m_error; }

private:
    // False when nothing has come yet.
    bool ReadPiece(bool wait)
    {
        const long got = m_stream.Read(m_buffer, sizeof(m_buffer), wait);
        if (got == CListStream::kNotYet)
            return false;
        m_entries.clear();
        m_taken = 0;
        if (got > 0) {
            m_reader.Feed(std::string_view(m_buffer, static_cast<std::size_t>(got)), m_entries);
            return true;
        }
        m_ended = true;
        if (got < 0)
            m_error = errno != 0 ? errno : EIO;
        else
            m_reader.Finish(m_entries);
        return true;
    }

    CListStream m_stream;
    CComputerListReader m_reader;
    std::vector<ComputerEntry> m_entries;  // the records of the last piece read
    std::size_t m_taken = 0;
    bool m_ended = false;
    int m_error = 0;
    char m_buffer[64 * 1024];
};

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
    // Before anything opens a descriptor that could take the place of a closed standard one.
    if (!SecureStandardStreams()) {
        std::fprintf(stderr, "%s: cannot open the null device for a closed standard stream\n", kProgram);
        return 1;
    }
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

    auto list = std::make_unique<CListFile>();
    if (!options.listFile.empty() && !list->Open(options.listFile, error))
        return UsageError("cannot read list '" + options.listFile + "': " + error);

    const std::string listName = "list '" + options.listFile + "'";
    // Told before the log is touched, as long as the list's first piece shows it; else after the round.
    if (options.targets.empty() && list->IsExhausted())
        return UsageError("no computer in " + listName);

    // Binary mode: the log's records end in CR LF on every system, as the program writes them.
    CFile log;
    bool logFailed = false;
    const std::string logName = "log '" + options.logFile + "'";
    if (!options.logFile.empty()) {
        log.reset(std::fopen(options.logFile.c_str(), "ab"));
        // The commands still go out: a lab that stays lit is worse than a missing record.
        if (!log) {
            std::fprintf(stderr, "%s: cannot open %s: %s\n", kProgram, logName.c_str(), std::strerror(errno));
            logFailed = true;
        }
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
    run.jobs = CSocketLayer::SocketAllowance(options.jobs, run.lookupThreads);
    if (run.jobs < options.jobs)
        std::fprintf(stderr, "%s: at most %u computers at once: the limit of open files allows no more\n", kProgram,
                     run.jobs);

    std::size_t given = 0, taken = 0;
    run.next = [&](SendTarget& target) {
        NextTarget next = NextTarget::Taken;
        if (given < options.targets.size())
            target = options.targets[given++];
        else
            next = list->Next(target);
        if (next == NextTarget::Taken)
            ++taken;
        return next;
    };
    run.beforeAttempt = [&](const SendTarget& target) {
        if (!log || logFailed)
            return;
        // Written as reported: a control byte in a bad entry must not split the record or start another.
        const std::string record =
            FormatCommandLogRecord(LocalTimeText(), Printable(target.host), Printable(target.port), command.label);
        // Flushed at once: the record must be on disk before its attempt, as the program's log is.
        if (std::fwrite(record.data(), 1, record.size(), log.get()) != record.size() || std::fflush(log.get()) != 0)
            SayWriteFailed(logFailed, logName, errno);
    };
    bool outputFailed = false;
    run.report = [&](const SendTarget& target, const SendOutcome& outcome) {
        if (outputFailed || (outcome.reached && options.quiet))
            return;
        const std::string computer = Printable(target.host) + ":" + Printable(target.port);
        if (outcome.reached)
            std::printf("%s reached\n", computer.c_str());
        else
            std::printf("%s failed: %s\n", computer.c_str(), outcome.reason.c_str());
    };
    // Once per batch rather than per line: a list of a million bad entries is not a million writes.
    run.reportsGiven = [&] {
        // The error flag also keeps a failed printf() whose bytes the flush no longer holds.
        if (!outputFailed && (std::fflush(stdout) != 0 || std::ferror(stdout)))
            SayWriteFailed(outputFailed, "the report to standard output", errno != 0 ? errno : EIO);
    };

    // Every failure below is exit status 1, though every computer has still been tried.
    const bool allReached = SendToAll(run);
    if (list->Error() != 0) {
        const std::string reason = std::strerror(list->Error());
        if (taken == 0)
            return UsageError("cannot read " + listName + ": " + reason);
        std::fprintf(stderr, "%s: cannot read %s to its end: %s\n", kProgram, listName.c_str(), reason.c_str());
    }
    if (taken == 0)
        return UsageError("no computer in " + listName);
    if (log && std::fclose(log.release()) != 0)
        SayWriteFailed(logFailed, logName, errno);
    return allReached && !logFailed && !outputFailed && list->Error() == 0 ? 0 : 1;
}
