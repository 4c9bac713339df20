// The hot key, tray icon and schedule values, with their names and defaults.
#include "settings/SettingsStore.h"

#include "settings/SettingsSection.h"

using namespace settings_section;

StoredHotKey ReadHotKey()
{
    return {ReadInt("Key", 0), ReadInt("Mod", 0)};
}

bool WriteHotKeyKey(int key)
{
    return WriteInt("Key", key);
}

bool WriteHotKeyMod(int mod)
{
    return WriteInt("Mod", mod);
}

int ReadTrayIconShown()
{
    return ReadInt("SysTray", 1);
}

void WriteTrayIconShown(int shown)
{
    WriteInt("SysTray", shown);
}

int ReadKeepDarkUntilKey()
{
    return ReadInt("KeepDarkUntilKey", 0);
}

void WriteKeepDarkUntilKey(int keep)
{
    WriteInt("KeepDarkUntilKey", keep);
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
