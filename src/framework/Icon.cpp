// Loads icons from the resources, at the exact size of each use rather than scaled.
#include "framework/Icon.h"

#include "framework/App.h"

HICON LoadIconResource(UINT iconId, int size)
{
    return static_cast<HICON>(::LoadImageA(CWinApp::Current()->GetInstanceHandle(), MAKEINTRESOURCEA(iconId),
                                           IMAGE_ICON, size, size, LR_SHARED));
}

void SetWindowIcons(HWND window, UINT iconId)
{
    ::SendMessageA(window, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadIconResource(iconId, ::GetSystemMetrics(SM_CXICON))));
    ::SendMessageA(window, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(LoadIconResource(iconId, ::GetSystemMetrics(SM_CXSMICON))));
}
