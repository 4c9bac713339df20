// Loads the program icon from the resources, at the exact size of each use.
#include "ui/ProgramIcon.h"

#include "framework/App.h"
#include "resource.h"

HICON LoadProgramIcon(int size)
{
    return static_cast<HICON>(::LoadImageA(CWinApp::Current()->GetInstanceHandle(), MAKEINTRESOURCEA(IDI_DUSKLAMP),
                                           IMAGE_ICON, size, size, LR_SHARED));
}

void SetProgramIcons(HWND window)
{
    ::SendMessageA(window, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(::GetSystemMetrics(SM_CXICON))));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadProgramIcon(::GetSystemMetrics(SM_CXSMICON))));
}
