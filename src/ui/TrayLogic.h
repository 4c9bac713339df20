// Notification-area decisions that need no Windows header.
#pragma once

#include <string>
#include <string_view>

// The icon record's size field by the shell's major version: the newest form the shell understands.
// The record holds a window and an icon handle, so its forms are larger in a 64-bit program.
constexpr unsigned NotifyIconRecordSize(int shellMajorVersion, unsigned pointerSize = sizeof(void*))
{
    // cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon, with the 64-bit form's alignment padding.
    const unsigned head = pointerSize == 8 ? 40 : 24;
    const unsigned firstForm = head + 64;             // a 64-character tip
    const unsigned secondForm = firstForm + 400;      // 128-character tip, state, balloon texts
    const unsigned thirdForm = secondForm + 16;       // the icon's GUID
    if (shellMajorVersion >= 6)
        return thirdForm;
    if (shellMajorVersion == 5)
        return secondForm;
    return firstForm;
}
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

// The logon command "Start with Windows" stores: the program's path quoted, to start without a window.
std::string StartupCommandFor(std::string_view modulePath);
// Whether a stored logon command starts this very program, so that the menu item shows ticked. The
// path is taken quoted, or unquoted up to a blank that follows the whole module path (a path with
// blanks may be stored unquoted, and the system still finds it); paths compare ignoring case.
bool StartupCommandStartsProgram(std::string_view command, std::string_view modulePath);
