// The program icon at the sizes the system asks for.
#pragma once

#include <windows.h>

// Shared with the system, so it needs no freeing and every dialog may load it again.
HICON LoadProgramIcon(int size);
// Gives a window the program icon as its large and small icon.
void SetProgramIcons(HWND window);
