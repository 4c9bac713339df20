// The main window's private messages and title: the interface between a second start and the
// running instance. No Windows headers here, so that tests can share the numbers.
#pragma once

// Fixed numbers (WM_USER + 1 to + 6, both parameters 0), sent by other instances of the program.
// On a dialog 0x401 and 0x402 also mean DM_SETDEFID and DM_REPOSITION: the main window passes
// UM_SHOWSETTINGS on to the dialog manager (a default id of 0 is harmless, the window has no
// default button) and keeps UM_DISPLAYOFF from it, so a display request never repositions it.
inline constexpr unsigned UM_SHOWSETTINGS = 0x401;
inline constexpr unsigned UM_DISPLAYOFF = 0x402;
inline constexpr unsigned UM_SCHEDULE = 0x403;
inline constexpr unsigned UM_LOCKDISPLAYOFF = 0x404;
inline constexpr unsigned UM_NETWORK = 0x405;
inline constexpr unsigned UM_DISPLAYON = 0x406;

// Mouse notifications of the notification-area icon (WM_USER + 300).
inline constexpr unsigned UM_TRAYNOTIFY = 0x52C;

// A second start finds the running instance by this title; the main window's template carries
// the same text, and the two must never differ.
inline constexpr char kMainWindowTitle[] = "Settings - Dusklamp";
