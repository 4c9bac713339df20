// Names and defaults of the values in the program's one registry section. No Windows headers here.
#pragma once

inline constexpr char kRegistryCompany[] = "Brightfen";
inline constexpr char kSettingsSection[] = "Settings";

inline constexpr char kValueKey[] = "Key";
inline constexpr char kValueMod[] = "Mod";
inline constexpr char kValueSysTray[] = "SysTray";
inline constexpr char kValueDimNow[] = "Dimnow";
inline constexpr char kValueAction[] = "Action";
inline constexpr char kValueDuration[] = "Duration";
inline constexpr char kValueLastSchedule[] = "LastSchedule";
inline constexpr char kValueWorkAsClient[] = "WorkAsClient";
inline constexpr char kValueClientPort[] = "ClientPort";
inline constexpr char kValueWorkAsServer[] = "WorkAsServer";
inline constexpr char kValueLastCommand[] = "LastCommand";
inline constexpr char kValueIntroductionOfNetwork[] = "IntroductionOfNetwork";

inline constexpr int kDefaultKey = 0;
inline constexpr int kDefaultMod = 0;
inline constexpr int kDefaultSysTray = 1;
inline constexpr int kDefaultDimNow = 1;
inline constexpr int kDefaultDuration = 60;
inline constexpr char kDefaultAction[] = "Shutdown";
