// The hot key, tray icon and schedule values with their names and defaults, the data folder, the logon entry.
#include "settings/SettingsStore.h"

#include "settings/SettingsSection.h"

using namespace settings_section;

namespace {

const char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunName[] = "Dusklamp";
const char kInstallationPath[] = "Software\\Brightfen\\Dusklamp";

}  // namespace

StoredHotKey ReadHotKey()
{
    return {ReadIntInForce("Key", 0, kPolicyKeyRange).value, ReadIntInForce("Mod", 0, kPolicyModRange).value};
}

bool IsHotKeyManaged()
{
    return IsManaged("Key", kPolicyKeyRange) || IsManaged("Mod", kPolicyModRange);
}

bool WriteHotKeyKey(int key)
{
    return WriteIntUnlessManaged("Key", key, kPolicyKeyRange);
}

bool WriteHotKeyMod(int mod)
{
    return WriteIntUnlessManaged("Mod", mod, kPolicyModRange);
}

int ReadTrayIconShown()
{
    return ReadIntInForce("SysTray", 1).value;
}

bool IsTrayIconManaged()
{
    return IsManaged("SysTray");
}

void WriteTrayIconShown(int shown)
{
    WriteIntUnlessManaged("SysTray", shown);
}

int ReadKeepDarkUntilKey()
{
    return ReadIntInForce("KeepDarkUntilKey", 0).value;
}

bool IsKeepDarkUntilKeyManaged()
{
    return IsManaged("KeepDarkUntilKey");
}

void WriteKeepDarkUntilKey(int keep)
{
    WriteIntUnlessManaged("KeepDarkUntilKey", keep);
}

RegistryValue ReadInstallationDataFolder()
{
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, kInstallationPath, "DataFolder");
}

bool ReadUserStartupEntry(std::string& command)
{
    return RegistryText(ReadRegistryValue(HKEY_CURRENT_USER, kRunPath, kRunName), command);
}

bool IsMachineStartupEntryPresent()
{
    // The view this build of the program gets, which is the one its installer wrote.
    return ReadRegistryValue(HKEY_LOCAL_MACHINE, kRunPath, kRunName).state == RegistryValue::State::Present;
}

bool WriteUserStartupEntry(const std::string& command)
{
    return WriteRegistryString(HKEY_CURRENT_USER, kRunPath, kRunName, command);
}

bool DeleteUserStartupEntry()
{
    return DeleteRegistryValue(HKEY_CURRENT_USER, kRunPath, kRunName);
}

SchedulePresets ReadSchedulePresets()
{
    SchedulePresets presets;
    presets.displayOffNow = ReadInt("Dimnow", 1);
    presets.lastSchedule = ReadString("LastSchedule", "");
    presets.duration = ReadInt("Duration", 60);
    presets.action = ReadString("Action", "Shutdown");
    return presets;
}

void WriteScheduleAction(const std::string& action)
{
    WriteString("Action", action);
}

void WriteScheduleDuration(int minutes)
{
    WriteInt("Duration", minutes);
}

void WriteLastSchedule(const std::string& timeText)
{
    WriteString("LastSchedule", timeText);
}

void WriteScheduleDisplayOffNow(int displayOffNow)
{
    WriteInt("Dimnow", displayOffNow);
}
