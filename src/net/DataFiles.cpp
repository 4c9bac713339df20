// Reading and writing the computer list and the two commands logs, beside the executable or in
// the user's application-data folder.
#include "net/DataFiles.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include "framework/File.h"
#include "framework/LocalTime.h"
#include "net/CommandLog.h"
#include "net/DataPath.h"
#include "settings/SettingsStore.h"

namespace {

// Past this size the log of received commands starts afresh, so that a flood cannot fill the disk.
const unsigned long long kReceivedLogLimitBytes = 1024 * 1024;

// The commands of the older log stay when it is replaced, up to half the limit: only commands, never
// what strangers did, can push a command out.
std::string KeepReceivedCommands(const std::string& older)
{
    return CommandRecordsOf(older, kReceivedLogLimitBytes / 2);
}

// The user's application-data folder when the installation keeps the files there. Asked afresh each
// time, as the rest of the settings are. Without the folder they stay beside the program.
bool InstalledDataFolder(std::string& applicationData)
{
    if (!UsesApplicationDataFolder(ReadInstallationDataFolder()))
        return false;
    char folder[MAX_PATH] = "";
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return false;
    applicationData = folder;
    return true;
}

std::string BesideProgram(const char* fileName)
{
    return DataFilePath(ProgramDirectoryFromModulePath(ModuleFileName()), fileName);
}

// The path to write a data file to, with its folders made first: a new profile has none of them.
std::string DataFileToWrite(const char* fileName)
{
    std::string applicationData;
    if (!InstalledDataFolder(applicationData))
        return BesideProgram(fileName);
    for (const std::string& folder : ApplicationDataFolders(applicationData))
        ::CreateDirectoryA(folder.c_str(), nullptr);
    return ApplicationDataFilePath(applicationData, fileName);
}

void OpenInAssociatedProgram(const char* fileName)
{
    // Nothing is reported: before the first record there is no log, and nothing visible happens.
    ::ShellExecuteA(nullptr, "Open", DataFile(fileName).c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace

std::string DataFile(const char* fileName)
{
    std::string applicationData;
    if (InstalledDataFolder(applicationData))
        return ApplicationDataFilePath(applicationData, fileName);
    return BesideProgram(fileName);
}

bool ReadComputerList(std::vector<ComputerEntry>& computers)
{
    computers.clear();
    std::string bytes;
    if (ReadWholeFile(DataFile(kComputerListFile), bytes)) {
        computers = ParseComputerList(bytes);
        return true;
    }
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool WriteComputerList(const std::vector<ComputerEntry>& computers)
{
    const std::string path = DataFileToWrite(kComputerListFile);
    if (computers.empty())
        return ::DeleteFileA(path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND;
    return ReplaceFileContents(path, FormatComputerList(computers));
}

void AppendCommandLog(const std::string& address, const std::string& port, const std::string& label)
{
    AppendToFile(DataFileToWrite(kCommandsLogFile), FormatCommandLogRecord(LocalTimeText(), address, port, label));
}

void AppendReceivedLog(const std::string& address, unsigned port, const std::string& what)
{
    AppendReceivedLog({ReceivedRecord{address, port, what}});
}

void AppendReceivedLog(const std::vector<ReceivedRecord>& records)
{
    if (records.empty())
        return;
    const std::string time = LocalTimeText();
    std::string text;
    for (const ReceivedRecord& record : records)
        text += FormatCommandLogRecord(time, record.address, std::to_string(record.port), record.what);
    // The older file beside it: the folder is asked for once.
    const std::string path = DataFileToWrite(kReceivedLogFile);
    const std::string older = path.substr(0, path.find_last_of('\\') + 1) + kReceivedLogOlderFile;
    AppendToFileWithin(path, text, kReceivedLogLimitBytes, older, &KeepReceivedCommands);
}

void OpenCommandsLog()
{
    OpenInAssociatedProgram(kCommandsLogFile);
}

void OpenReceivedLog()
{
    OpenInAssociatedProgram(kReceivedLogFile);
}
