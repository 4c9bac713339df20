// The command line of dusklamp-send: its options, the command and the computers. No platform headers here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One computer to send to, with its port as text: as typed, or exactly as the computer list holds it.
struct SendTarget {
    std::string host;
    std::string port;
};

inline constexpr unsigned kDefaultPort = 1960;
inline constexpr unsigned kMaxTimeoutMs = 3600000;
// Windows' select() takes at most this many sockets, as the sender builds it.
inline constexpr unsigned kMaxJobs = 1024;

struct SendOptions {
    std::size_t command = 0;           // index into kRemoteCommands
    std::vector<SendTarget> targets;   // the command line's computers, in the order given
    std::string listFile;
    std::string logFile;
    unsigned port = kDefaultPort;      // for computers given without one
    unsigned timeoutMs = 3000;
    unsigned jobs = 64;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program name. On a usage error returns false with a one-line reason.
// With --help or --version the rest is not looked at.
bool ParseSendArguments(const std::vector<std::string>& args, SendOptions& options, std::string& error);

// A port is a decimal number from 1 to 65535 and nothing else.
bool ParsePortText(std::string_view text, std::uint16_t& port);

// A computer named with a NUL or another control byte is a bad entry, never looked up or contacted.
bool HasControlBytes(std::string_view text);

extern const char kSendUsage[];
