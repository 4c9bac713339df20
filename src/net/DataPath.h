// Where the network feature's files live: beside the executable, or for an installed copy in the
// user's application-data folder. No Windows headers here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/RegistryValue.h"

inline constexpr char kComputerListFile[] = "Clients.txt";
inline constexpr char kCommandsLogFile[] = "CommandsLog.csv";
inline constexpr char kReceivedLogFile[] = "CommandsReceived.csv";
// Where the received log's older records go when it starts afresh.
inline constexpr char kReceivedLogOlderFile[] = "CommandsReceived.1.csv";

// The module path cut before its last backslash, so with no trailing separator; empty when it has none.
std::string ProgramDirectoryFromModulePath(std::string_view modulePath);

// The directory, a backslash and the file name, with every doubled backslash collapsed to one.
std::string DataFilePath(std::string_view programDirectory, std::string_view fileName);

// What the installer stores as the installation's "DataFolder" for a copy in a folder that its
// users cannot write to.
inline constexpr char kApplicationDataSetting[] = "AppData";

// Only that exact string moves the files; anything else, or nothing, keeps them beside the
// program, as every copy that was never installed has always kept them.
bool UsesApplicationDataFolder(const RegistryValue& dataFolder);

// The folders a write must find there, outermost first: Brightfen, then Dusklamp in it, which
// holds the files. Nothing is collapsed: the folder may be redirected to \\server\share.
std::vector<std::string> ApplicationDataFolders(std::string_view applicationData);
std::string ApplicationDataFilePath(std::string_view applicationData, std::string_view fileName);
