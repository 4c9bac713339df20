// Start-up, single-instance forwarding, command interpretation and the message filter.
#include "app/DusklampApp.h"

#include <commctrl.h>

#include "app/CommandSelection.h"
#include "settings/HotKeyFlags.h"
#include "settings/Settings.h"
#include "ui/NotifyAreaIcon.h"
#include "ui/PrivateMessages.h"

// The program-wide objects, built in this order and destroyed in reverse: the icon goes before
// the application whose window it belongs to.
const UINT g_taskbarCreatedMessage = ::RegisterWindowMessageA("TaskbarCreated");
CDusklampApp g_app;
CNotifyAreaIcon g_trayIcon;

namespace {

const int kHotKeyId = 1;

UINT ForwardedMessage(Command command)
{
    switch (command) {
    case Command::ShowSettings:
        return UM_SHOWSETTINGS;
    case Command::Silent:
        return 0;
    case Command::LockDisplayOff:
        return UM_LOCKDISPLAYOFF;
    case Command::Schedule:
        return UM_SCHEDULE;
    case Command::Network:
        return UM_NETWORK;
    case Command::DisplayOn:
        return UM_DISPLAYON;
    case Command::DisplayOff:
        break;
    }
    return UM_DISPLAYOFF;
}

void InitCommonDialogControls()
{
    // The extended call is looked up rather than imported: systems before it only know the old one.
    using InitExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE comctl = ::GetModuleHandleA("comctl32.dll");
    auto initEx = comctl ? reinterpret_cast<InitExFunction>(
                               reinterpret_cast<void*>(::GetProcAddress(comctl, "InitCommonControlsEx")))
                         : nullptr;
    if (initEx) {
        INITCOMMONCONTROLSEX init = {sizeof(init), ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES};
        if (initEx(&init))
            return;
    }
    ::InitCommonControls();
}

}  // namespace

bool CDusklampApp::InitInstance()
{
    SetRegistryKey(kRegistryCompany);

    if (ForwardToRunningInstance())
        return false;

    RegisterStoredHotKey();

    InitCommonDialogControls();
    SetMainWnd(&m_mainDialog);
    // Without its window the program could never be reached again, so it does not stay.
    if (!m_mainDialog.Create())
        return false;

    DispatchCommand(CommandLineTail());
    return true;
}

bool CDusklampApp::ForwardToRunningInstance()
{
    HWND running = ::FindWindowA(nullptr, kMainWindowTitle);
    if (!::IsWindow(running))
        return false;

    const UINT message = ForwardedMessage(SelectForwardedCommand(CommandLineTail()));
    if (message == 0)
        return true;
    // We were just started by the user, so we may hand the foreground on to the window or
    // dialog the running instance opens for us.
    DWORD processId = 0;
    ::GetWindowThreadProcessId(running, &processId);
    ::AllowSetForegroundWindow(processId);
    ::SendMessageA(running, message, 0, 0);
    return true;
}

void CDusklampApp::DispatchCommand(std::string text)
{
    switch (SelectCommand(text)) {
    case Command::Silent:
        break;
    case Command::ShowSettings:
        m_mainDialog.ShowWindow(SW_SHOW);
        break;
    case Command::Schedule:
        m_mainDialog.RunScheduleDialog(m_scheduleDialog);
        break;
    case Command::LockDisplayOff:
        LockAndTurnDisplayOff();
        break;
    case Command::DisplayOn:
        TurnDisplayOn();
        break;
    case Command::Network:
        m_mainDialog.OnNetworkSettings();
        break;
    case Command::DisplayOff:
        TurnDisplayOff();
        break;
    }
}

bool CDusklampApp::PreTranslateMessage(MSG* msg)
{
    // Registered without a window, the hot key reaches the thread's queue and only this filter sees it.
    if (msg->message == WM_HOTKEY) {
        TurnDisplayOff();
        return true;
    }
    // The session-end notice is normally sent to the main window, which handles it the same way.
    if (msg->message == WM_ENDSESSION && msg->wParam)
        m_mainDialog.DestroyWindow();
    return CWinApp::PreTranslateMessage(msg);
}

void CDusklampApp::RegisterStoredHotKey()
{
    const HotKeyRegistration hotKey = RegistrationFromStored(GetProfileInt(kSettingsSection, kValueKey, kDefaultKey),
                                                             GetProfileInt(kSettingsSection, kValueMod, kDefaultMod));
    if (!hotKey.registers)
        return;
    if (!::RegisterHotKey(nullptr, kHotKeyId, hotKey.modifiers, hotKey.key))
        ShowMessage(nullptr, "Could not Register Hot Key for Dusklamp", MB_ICONINFORMATION);
}

void CDusklampApp::UnregisterStoredHotKey()
{
    ::UnregisterHotKey(nullptr, kHotKeyId);
}
