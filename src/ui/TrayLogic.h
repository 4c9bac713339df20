// Notification-area decisions that need no Windows header.
#pragma once

// The icon record's size field by the shell's major version: the newest form the shell understands.
unsigned NotifyIconRecordSize(int shellMajorVersion);
// Shells from version 5 on are told which notification behaviour we expect.
bool SendsVersionRequest(int shellMajorVersion);

inline constexpr unsigned kMouseLeftDoubleClick = 0x0203;  // WM_LBUTTONDBLCLK
inline constexpr unsigned kMouseRightButtonUp = 0x0205;    // WM_RBUTTONUP

enum class TrayAction {
    NotOurs,         // another icon's notification
    ShowMenu,        // the popup menu at the cursor
    RunDefaultItem,  // the menu's default command, at once
    Nothing,         // single clicks, moves and button-down messages
};
TrayAction TrayActionFor(unsigned iconId, unsigned ourIconId, unsigned mouseMessage);
