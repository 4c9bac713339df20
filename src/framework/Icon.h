// Icons from the program's resources at the exact sizes the system asks for.
#pragma once

#include <windows.h>

// Shared with the system, so it needs no freeing and every window may load it again.
HICON LoadIconResource(UINT iconId, int size);
// Gives a window the icon as its large and small icon.
void SetWindowIcons(HWND window, UINT iconId);
