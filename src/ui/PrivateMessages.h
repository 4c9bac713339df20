// The main window's private messages: the interface between a second start and the running instance.
#pragma once

#include <windows.h>

// Fixed numbers (WM_USER + 1 to + 6, both parameters 0), sent by other instances of the program.
// On a dialog 0x401 and 0x402 also mean DM_SETDEFID and DM_REPOSITION: the main window takes
// them in its default procedure, passes UM_SHOWSETTINGS on to the dialog manager (a default id
// of 0 is harmless, the window has no default button) and keeps UM_DISPLAYOFF from it, so a
// display request never repositions the window.
const UINT UM_SHOWSETTINGS = WM_USER + 1;
const UINT UM_DISPLAYOFF = WM_USER + 2;
const UINT UM_SCHEDULE = WM_USER + 3;
const UINT UM_LOCKDISPLAYOFF = WM_USER + 4;
const UINT UM_NETWORK = WM_USER + 5;
const UINT UM_DISPLAYON = WM_USER + 6;

// Mouse notifications of the notification-area icon.
const UINT UM_TRAYNOTIFY = WM_USER + 300;

// A second start finds the running instance by this title; the main window's template carries
// the same text, and the two must never differ.
inline constexpr char kMainWindowTitle[] = "Settings - Dusklamp";
