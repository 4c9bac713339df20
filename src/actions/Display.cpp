// The display actions: monitor power off and on, and lock before power off.
#include "actions/Display.h"

#include <windows.h>

#include "framework/App.h"

namespace {

// The pause gives the user time to let go of the keys and mouse, whose input would wake the display again.
const DWORD kDelayBeforeBroadcastMs = 500;
const LPARAM kMonitorOff = 2;
const LPARAM kMonitorOn = -1;
// Each top-level window gets this long; a hung one is skipped rather than freezing the program.
const UINT kBroadcastTimeoutPerWindowMs = 1000;

void BroadcastMonitorPower(LPARAM power)
{
    ::Sleep(kDelayBeforeBroadcastMs);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, WM_SYSCOMMAND, SC_MONITORPOWER, power, SMTO_ABORTIFHUNG,
                          kBroadcastTimeoutPerWindowMs, &ignored);
}

}  // namespace

void TurnDisplayOff()
{
    BroadcastMonitorPower(kMonitorOff);
}

void TurnDisplayOn()
{
    BroadcastMonitorPower(kMonitorOn);
}

void LockAndTurnDisplayOff()
{
    if (::LockWorkStation()) {
        TurnDisplayOff();
        return;
    }
    // Only a notice, although it offers Yes and No: either answer just closes it.
    CWinApp::Current()->ShowMessage(nullptr, "Could not Lock WorkStation", MB_ICONQUESTION | MB_YESNO);
}
