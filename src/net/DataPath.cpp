// The data-file path rule.
#include "net/DataPath.h"

std::string ProgramDirectoryFromModulePath(std::string_view modulePath)
{
    const std::size_t slash = modulePath.rfind('\\');
    if (slash == std::string_view::npos)
        return std::string();
    return std::string(modulePath.substr(0, slash));
}

std::string DataFilePath(std::string_view programDirectory, std::string_view fileName)
{
    std::string joined(programDirectory);
    joined += '\\';
    joined.append(fileName);

    // The collapse covers the whole path, so a program started from \\server\share finds its files
    // under \server\share on the current drive. Existing installations keep their lists there: keep it.
    std::string path;
    path.reserve(joined.size());
    for (std::size_t i = 0; i < joined.size(); ++i) {
        path += joined[i];
        if (joined[i] == '\\' && i + 1 < joined.size() && joined[i + 1] == '\\')
            ++i;
    }
    return path;
}

bool UsesApplicationDataFolder(const RegistryValue& dataFolder)
{
    std::string text;
    return RegistryText(dataFolder, text) && text == kApplicationDataSetting;
}

std::vector<std::string> ApplicationDataFolders(std::string_view applicationData)
{
    std::string base(applicationData);
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    const std::string company = base + "\\Brightfen";
    return {company, company + "\\Dusklamp"};
}

std::string ApplicationDataFilePath(std::string_view applicationData, std::string_view fileName)
{
    std::string path = ApplicationDataFolders(applicationData).back();
    path += '\\';
    path.append(fileName);
    return path;
}
