// Start-up, single-instance forwarding, the command executor and the message filter.
#include "app/DusklampApp.h"

#include <commctrl.h>

#include <algorithm>

#include "net/DataFiles.h"
#include "settings/SettingsStore.h"
#include "ui/HotKey.h"
#include "ui/PrivateMessages.h"

// The program's one global object; the framework's entry point finds it.
CDusklampApp g_app;

namespace {

// Held by the resident program for the user's session, so that starts at the same moment cannot
// all find no window and all stay. Older copies take no lock: the window title still decides
// between them and us.
const char kInstanceLockName[] = "Local\\Brightfen.Dusklamp.Resident";
// How long a start that finds the lock taken waits for the holder's window (the holder may still
// be starting), and how often it looks meanwhile.
const DWORD kWaitForRunningMs = 5000;
const DWORD kLookEveryMs = 50;

// The running instance answers at once and carries the request out afterwards: only a window that
// does not take its messages (a hung one, or a foreign one with our title) makes a start wait this long.
const UINT kForwardTimeoutMs = 10000;

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
    : m_instanceLock(kInstanceLockName), m_wakeGuard(m_display), m_listener(*this), m_mainDialog(*this)
{
}

bool CDusklampApp::InitInstance()
{
    SetRegistryKey(kRegistryCompany);

    if (ForwardToRunningInstance())
        return false;
    // Without its timer no display request could ever be carried out.
    if (!m_display.Create())
        return false;
    // Without its window the guard stays disarmed: the display is blanked as before.
    if (m_wakeGuard.Create())
        m_display.SetObserver(&m_wakeGuard);

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

bool CDusklampApp::FindRunningInstance(HWND& running)
{
    // Only this start waits here, before it has any window; the running instance is never held up.
    const DWORD startedAt = ::GetTickCount();
    for (;;) {
        running = ::FindWindowA(nullptr, kMainWindowTitle);
        if (::IsWindow(running))
            return true;
        if (m_instanceLock.TryTake(kLookEveryMs)) {
            // One more look, for an older copy that holds no lock.
            running = ::FindWindowA(nullptr, kMainWindowTitle);
            return ::IsWindow(running) != FALSE;
        }
        // The holder shows no window (a message box of its start-up may be waiting for the user):
        // this start ends rather than become a second resident, and its request is dropped.
        if (::GetTickCount() - startedAt >= kWaitForRunningMs) {
            running = nullptr;
            return true;
        }
    }
}

bool CDusklampApp::ForwardToRunningInstance()
{
    HWND running = nullptr;
    if (!FindRunningInstance(running))
        return false;
    if (!running)
        return true;

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
        m_mainDialog.OpenScheduleDialog(m_scheduleDialog, [this] { Execute(Command::DisplayOff); });
        break;
    case Command::LockDisplayOff:
        // Input at a locked workstation goes to the system's own desktop: there is nothing to guard.
        if (m_display.LockAndTurnDisplayOff())
            m_wakeGuard.Disarm();
        break;
    case Command::DisplayOn:
        m_wakeGuard.Disarm();
        m_display.TurnDisplayOn();
        break;
    case Command::Network:
        OpenNetworkSettings();
        break;
    case Command::DisplayOff:
        m_wakeGuard.OnDisplayOffRequested();
        m_display.TurnDisplayOff();
        break;
    }
}

void CDusklampApp::OnRequest(unsigned message)
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
    // A fresh dialog each time, filled from what is stored, beside any other dialog rather than
    // inside its loop; a second request while one is open brings that one forward.
    if (m_networkDialog && m_networkDialog->GetSafeHwnd() && !m_networkDialog->IsClosing()) {
        m_networkDialog->Open();
        return;
    }
    // The one before lives on until it is done with itself: a box it shows, or the attempt it lets
    // end before it closes, still runs its code.
    if (m_networkDialog)
        m_endingNetworkDialogs.push_back(std::move(m_networkDialog));
    const auto done = [](const std::unique_ptr<CNetworkDialog>& dialog) {
        return !dialog->GetSafeHwnd() && !dialog->IsHandlingMessage();
    };
    m_endingNetworkDialogs.erase(std::remove_if(m_endingNetworkDialogs.begin(), m_endingNetworkDialogs.end(), done),
                                 m_endingNetworkDialogs.end());
    m_networkDialog.reset(new CNetworkDialog(*this));
    m_networkDialog->Open();
}

void CDusklampApp::OpenCommandsLog()
{
    ::OpenCommandsLog();
}

void CDusklampApp::OpenReceivedLog()
{
    ::OpenReceivedLog();
}

void CDusklampApp::OnKeepDisplayOffChanged(bool keep)
{
    if (!keep)
        m_wakeGuard.Disarm();
}

void CDusklampApp::OnMainWindowDestroyed()
{
    // The program lives as long as its main window.
    ::PostQuitMessage(0);
}

int CDusklampApp::ExitInstance()
{
    m_wakeGuard.Close();
    m_listener.Shut();
    CAsyncSocket::ReleaseSocketLayer();
    return CWinApp::ExitInstance();
}

bool CDusklampApp::OnHotKey(const MSG& msg)
{
    if (msg.message != WM_HOTKEY)
        return false;
    Execute(Command::DisplayOff);
    return true;
}

bool CDusklampApp::ProcessMessageFilter(int, MSG* msg)
{
    // The system's loops (message boxes, the tray menu) would drop the hot key's message, which
    // has no window to go to. Ours never pass it on this far: PreTranslateMessage consumes it.
    m_display.BroadcastIfDue();
    return OnHotKey(*msg);
}

bool CDusklampApp::PreTranslateMessage(MSG* msg)
{
    m_display.BroadcastIfDue();
    // Registered without a window, the hot key reaches the thread's queue with no window to go to.
    if (OnHotKey(*msg))
        return true;
    // The session-end notice is normally sent to the main window, which handles it the same way.
    // Only a session that really ends takes the program with it: FALSE means the end was cancelled.
    if (msg->message == WM_ENDSESSION && msg->wParam)
        m_mainDialog.DestroyWindow();
    return CWinApp::PreTranslateMessage(msg);
}
