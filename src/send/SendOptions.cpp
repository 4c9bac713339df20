// Reading dusklamp-send's command line.
#include "send/SendOptions.h"

#include <algorithm>
#include <iterator>

#include "net/CommandTable.h"

namespace {

enum class Option { List, Port, Timeout, Jobs, Log, Quiet, Help, Version };

struct OptionRow {
    char shortName;  // 0: long form only
    const char* longName;
    Option option;
    bool takesValue;
};

const OptionRow kOptions[] = {
    {'l', "list", Option::List, true},      {'p', "port", Option::Port, true},
    {'t', "timeout", Option::Timeout, true}, {'j', "jobs", Option::Jobs, true},
    {0, "log", Option::Log, true},          {'q', "quiet", Option::Quiet, false},
    {'h', "help", Option::Help, false},     {0, "version", Option::Version, false},
};

// In the order of kRemoteCommands: off sends the plain blank, lock the lock, on the wake-up.
const char* const kCommandNames[] = {"off", "lock", "on"};
static_assert(std::size(kCommandNames) == std::size(kRemoteCommands), "one name per remote command");

// Digits only: no sign, no blanks. Stops as soon as the value passes max, so no run of digits overflows.
bool ParseDecimal(std::string_view text, unsigned min, unsigned max, unsigned& value)
{
    if (text.empty())
        return false;
    unsigned long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > max)
            return false;
    }
    if (number < min)
        return false;
    value = static_cast<unsigned>(number);
    return true;
}

const OptionRow* FindOption(std::string_view arg, std::string_view& value, bool& hasValue)
{
    hasValue = false;
    if (arg.size() > 2 && arg[1] == '-') {
        std::string_view name = arg.substr(2);
        const std::size_t equals = name.find('=');
        if (equals != std::string_view::npos) {
            value = name.substr(equals + 1);
            hasValue = true;
            name = name.substr(0, equals);
        }
        for (const OptionRow& row : kOptions) {
            if (name == row.longName)
                return &row;
        }
        return nullptr;
    }
    for (const OptionRow& row : kOptions) {
        if (row.shortName != 0 && arg[1] == row.shortName) {
            // "-p1960" as well as "-p 1960"; a flag takes nothing after its letter.
            if (arg.size() > 2) {
                value = arg.substr(2);
                hasValue = true;
            }
            return &row;
        }
    }
    return nullptr;
}

bool ApplyOption(const OptionRow& row, const std::string& value, SendOptions& options, std::string& error)
{
    switch (row.option) {
    case Option::List:
        options.listFile = value;
        return true;
    case Option::Log:
        options.logFile = value;
        return true;
    case Option::Port:
        if (ParseDecimal(value, 1, 65535, options.port))
            return true;
        error = "bad port '" + value + "' (a number from 1 to 65535)";
        return false;
    case Option::Timeout:
        if (ParseDecimal(value, 1, kMaxTimeoutMs, options.timeoutMs))
            return true;
        error = "bad time-out '" + value + "' (milliseconds from 1 to " + std::to_string(kMaxTimeoutMs) + ")";
        return false;
    case Option::Jobs:
        if (ParseDecimal(value, 1, kMaxJobs, options.jobs))
            return true;
        error = "bad job count '" + value + "' (a number from 1 to " + std::to_string(kMaxJobs) + ")";
        return false;
    case Option::Quiet:
        options.quiet = true;
        return true;
    case Option::Help:
        options.help = true;
        return true;
    case Option::Version:
        options.version = true;
        return true;
    }
    return false;
}

bool ParseComputer(const std::string& arg, SendTarget& target, std::string& error)
{
    const std::size_t colon = arg.find(':');
    target.host = arg.substr(0, colon);
    if (target.host.empty()) {
        error = "bad computer '" + arg + "' (HOST or HOST:PORT)";
        return false;
    }
    if (colon == std::string::npos) {
        target.port.clear();  // the --port in force once every argument has been read
        return true;
    }
    target.port = arg.substr(colon + 1);
    std::uint16_t port = 0;
    if (!ParsePortText(target.port, port)) {
        error = "bad port in '" + arg + "' (a number from 1 to 65535)";
        return false;
    }
    return true;
}

}  // namespace

const char kSendUsage[] =
    "Usage: dusklamp-send [options] off|lock|on [HOST[:PORT]]...\n"
    "Turns the display off, locks the workstation and turns the display off, or turns the display\n"
    "on, on every computer given that runs Dusklamp with remote commands allowed.\n"
    "\n"
    "  -l, --list FILE     also send to every computer in FILE (\"address,port\" lines, as Clients.txt)\n"
    "  -p, --port N        port for hosts given without one (default 1960)\n"
    "  -t, --timeout MS    time-out per computer, name look-up included (default 3000)\n"
    "  -j, --jobs N        at most N computers tried at once (default 64)\n"
    "      --log FILE      append one record per attempt, as CommandsLog.csv\n"
    "  -q, --quiet         print only failures\n"
    "  -h, --help          show this text\n"
    "      --version       show the version\n"
    "\n"
    "Exit status: 0 when every computer was reached, 1 when any was not or the log, the report or the\n"
    "list could not be written or read to its end, 2 for a usage error or a list that cannot be read.\n";

bool ParsePortText(std::string_view text, std::uint16_t& port)
{
    unsigned value = 0;
    if (!ParseDecimal(text, 1, 65535, value))
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseSendArguments(const std::vector<std::string>& args, SendOptions& options, std::string& error)
{
    options = SendOptions();
    bool commandSeen = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            std::string_view inlineValue;
            bool hasValue = false;
            const OptionRow* row = FindOption(arg, inlineValue, hasValue);
            if (!row) {
                error = "unknown option '" + arg + "'";
                return false;
            }
            const std::string name = std::string(row->longName);
            std::string value(inlineValue);
            if (row->takesValue && !hasValue) {
                if (i + 1 == args.size()) {
                    error = "option '--" + name + "' needs a value";
                    return false;
                }
                value = args[++i];
            } else if (!row->takesValue && hasValue) {
                error = "option '--" + name + "' takes no value";
                return false;
            }
            if (!ApplyOption(*row, value, options, error))
                return false;
            if (options.help || options.version)
                return true;
            continue;
        }
        if (!commandSeen) {
            for (std::size_t command = 0; command < std::size(kCommandNames); ++command) {
                if (arg == kCommandNames[command]) {
                    options.command = command;
                    commandSeen = true;
                }
            }
            if (!commandSeen) {
                error = "unknown command '" + arg + "' (off, lock or on)";
                return false;
            }
            continue;
        }
        SendTarget target;
        if (!ParseComputer(arg, target, error))
            return false;
        options.targets.push_back(target);
    }
    if (!commandSeen) {
        error = "no command given (off, lock or on)";
        return false;
    }
    if (options.targets.empty() && options.listFile.empty()) {
        error = "no computer given (HOST[:PORT] or --list FILE)";
        return false;
    }
    for (SendTarget& target : options.targets) {
        if (target.port.empty())
            target.port = std::to_string(options.port);
    }
    return true;
}

bool HasControlBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}
