// Whole-file reads, appends and replacements for the program's small data files.
#pragma once

#include <string>

// The file's bytes; false when it could not be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Appends the bytes, creating the file when it does not exist.
bool AppendToFile(const std::string& path, const std::string& bytes);
// What of the older file to keep, at its start, when it is replaced.
using CarryOver = std::string (*)(const std::string& older);
// Appends the bytes as AppendToFile does; but first a file they would take past the limit is
// moved to olderPath, replacing what was there but what carryOver keeps of it, and a new one
// begins. False when nothing was written.
bool AppendToFileWithin(const std::string& path, const std::string& bytes, unsigned long long limit,
                        const std::string& olderPath, CarryOver carryOver = nullptr);
// Replaces the file's contents in one step: a new file is written beside it and moved over it, so
// a failure at any point leaves the old file exactly as it was.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);

// The full path of the running executable, as the system reports it.
std::string ModuleFileName();
