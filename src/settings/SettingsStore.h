// The settings the program keeps between runs, one typed accessor each, read and written afresh
// in the current user's registry at every call (nothing is cached, no default is ever written).
// Where a policy sets a value, reads give the policy's and writes leave the user's own alone.
#pragma once

#include <string>

#include "framework/RegistryValue.h"

// The company key under HKEY_CURRENT_USER\Software; the application key is the program's name.
inline constexpr char kRegistryCompany[] = "Brightfen";

// The global hot key, as the system's registration takes it (see HotKeyFlags.h).
struct StoredHotKey {
    int key;  // "Key": virtual-key code, 0 for none
    int mod;  // "Mod": MOD_ flags
};
StoredHotKey ReadHotKey();
// Whether a policy sets "Key" or "Mod": the user cannot change the hot key then.
bool IsHotKeyManaged();
// "Key" alone: its result decides whether "Mod" is written at all.
bool WriteHotKeyKey(int key);
bool WriteHotKeyMod(int mod);

// "SysTray": 1 shows the notification-area icon, 0 hides it.
int ReadTrayIconShown();
bool IsTrayIconManaged();
void WriteTrayIconShown(int shown);

// "KeepDarkUntilKey": 1 keeps a display Dusklamp turned off dark until a key is pressed.
int ReadKeepDarkUntilKey();
bool IsKeepDarkUntilKeyManaged();
void WriteKeepDarkUntilKey(int keep);

// The schedule dialog's presets and its confirmed choice.
struct SchedulePresets {
    int displayOffNow;         // "Dimnow"
    std::string lastSchedule;  // "LastSchedule", empty when never confirmed
    int duration;              // "Duration", in minutes
    std::string action;        // "Action", a label or a prefix of one
};
SchedulePresets ReadSchedulePresets();
void WriteScheduleAction(const std::string& action);
void WriteScheduleDuration(int minutes);
void WriteLastSchedule(const std::string& timeText);
void WriteScheduleDisplayOffNow(int displayOffNow);

// "Dusklamp" under Software\Microsoft\Windows\CurrentVersion\Run, the command the system runs at
// logon: the user's own, which the program writes, and the machine's, which only an installer does.
// False when the user has none or it is no string.
bool ReadUserStartupEntry(std::string& command);
bool IsMachineStartupEntryPresent();
bool WriteUserStartupEntry(const std::string& command);
bool DeleteUserStartupEntry();

// "DataFolder" under HKEY_LOCAL_MACHINE\Software\Brightfen\Dusklamp, which the installer stores,
// in the registry view this build of the program gets.
RegistryValue ReadInstallationDataFolder();
