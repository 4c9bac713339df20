// The network feature's files: the computer list and the commands logs.
#pragma once

#include <string>
#include <vector>

#include "net/CommandLog.h"
#include "net/ComputerList.h"

// Where a data file of the program lives: the executable's folder (never the working folder), or
// the user's application-data folder where the installation says so.
std::string DataFile(const char* fileName);

// The list as stored: empty when there is no file. False when a file exists but could not be
// read (locked by another program, say), so that nobody writes a partial list over it.
bool ReadComputerList(std::vector<ComputerEntry>& computers);
// Replaces the list in one step, so that a failed write never loses it; an empty list removes
// the file. False when the old file (if any) was left as it was.
bool WriteComputerList(const std::vector<ComputerEntry>& computers);

// One record per attempt, written before the attempt; a log that cannot be written is skipped.
void AppendCommandLog(const std::string& address, const std::string& port, const std::string& label);
// One record per connection from another computer: the command's label or switch, kReceivedRefused
// or kReceivedSilent. A log that cannot be written is skipped, and the command runs all the same.
void AppendReceivedLog(const std::string& address, unsigned port, const std::string& what);
struct ReceivedRecord {
    std::string address;
    unsigned port;
    std::string what;
};
// Several records with one opening of the file, all with the same time.
void AppendReceivedLog(const std::vector<ReceivedRecord>& records);
// Open the log in whatever program the system associates with its file type.
void OpenCommandsLog();
void OpenReceivedLog();
