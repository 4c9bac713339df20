// Where the network feature's files live: beside the executable. No Windows headers here.
#pragma once

#include <string>
#include <string_view>

inline constexpr char kComputerListFile[] = "Clients.txt";
inline constexpr char kCommandsLogFile[] = "CommandsLog.csv";
inline constexpr char kReceivedLogFile[] = "CommandsReceived.csv";
// Where the received log's older records go when it starts afresh.
inline constexpr char kReceivedLogOlderFile[] = "CommandsReceived.1.csv";

// The module path cut before its last backslash, so with no trailing separator; empty when it has none.
std::string ProgramDirectoryFromModulePath(std::string_view modulePath);

// The directory, a backslash and the file name, with every doubled backslash collapsed to one.
std::string DataFilePath(std::string_view programDirectory, std::string_view fileName);
