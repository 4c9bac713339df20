// Start-up, single-instance forwarding, the command executor and the message filter.
#include "app/DusklampApp.h"

#include <commctrl.h>

#include "actions/Display.h"
#include "net/DataFiles.h"
#include "settings/SettingsStore.h"
#include "ui/HotKey.h"
#include "ui/PrivateMessages.h"

// The program's one global object; the framework's entry point finds it.
CDusklampApp g_app;

namespace {

// "Until handled" in practice: a forwarded ":shutdown" keeps the second start waiting for as
// long as the user leaves the schedule dialog open. Only a hung receiver ends the wait early.
const UINT kForwardTimeoutMs = 0x7FFFFFFF;

// The common control classes the dialogs use: hot key, list view and IP address controls.
void InitCommonControlClasses()
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

CDusklampApp::CDusklampApp()
    : m_listener(*this), m_mainDialog(*this)
{
}

bool CDusklampApp::InitInstance()
{
    SetRegistryKey(kRegistryCompany);

    if (ForwardToRunningInstance())
        return false;

    if (!StartCommandListener())
        ShowMessage(nullptr, "Could not wait for Commands from Remote Dusklamp.", MB_ICONERROR);

    RegisterStoredHotKey();

    InitCommonControlClasses();
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

    const unsigned message = ForwardedMessage(SelectForwardedCommand(CommandLineTail()));
    if (message == 0)
        return true;
    // We were just started by the user, so we may hand the foreground on to the window or
    // dialog the running instance opens for us.
    DWORD processId = 0;
    ::GetWindowThreadProcessId(running, &processId);
    ::AllowSetForegroundWindow(processId);
    // A hung receiver (or a foreign window that took our title and stopped answering) must not
    // hang every later start as well.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutA(running, message, 0, 0, SMTO_ABORTIFHUNG, kForwardTimeoutMs, &ignored);
    return true;
}

void CDusklampApp::DispatchCommand(std::string text)
{
    Execute(SelectCommand(text));
}

void CDusklampApp::Execute(Command command)
{
    switch (command) {
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
        OpenNetworkSettings();
        break;
    case Command::DisplayOff:
        TurnDisplayOff();
        break;
    }
}

void CDusklampApp::OnForwardedRequest(unsigned message)
{
    Command command;
    if (CommandForMessage(message, command))
        Execute(command);
}

void CDusklampApp::ExecuteReceived(const std::string& text)
{
    DispatchCommand(text);
}

std::string CDusklampApp::NameReceived(const std::string& text) const
{
    return ReceivedCommandName(SelectCommand(text));
}

bool CDusklampApp::StartCommandListener()
{
    return ::StartCommandListener(m_listener);
}

void CDusklampApp::OpenNetworkSettings()
{
    // A fresh dialog each time, filled from what is stored; a second request while one is open
    // brings that one forward.
    CNetworkDialog dialog(*this);
    dialog.DoModal();
}

void CDusklampApp::OpenCommandsLog()
{
    ::OpenCommandsLog();
}

void CDusklampApp::OpenReceivedLog()
{
    ::OpenReceivedLog();
}

int CDusklampApp::ExitInstance()
{
    m_listener.Close();
    CAsyncSocket::ReleaseSocketLayer();
    return CWinApp::ExitInstance();
}

bool CDusklampApp::PreTranslateMessage(MSG* msg)
{
    // Registered without a window, the hot key reaches the thread's queue and only this filter sees it.
    if (msg->message == WM_HOTKEY) {
        TurnDisplayOff();
        return true;
    }
    // The session-end notice is normally sent to the main window, which handles it the same way.
    // Only a session that really ends takes the program with it: FALSE means the end was cancelled.
    if (msg->message == WM_ENDSESSION && msg->wParam)
        m_mainDialog.DestroyWindow();
    return CWinApp::PreTranslateMessage(msg);
}
