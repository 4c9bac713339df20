// Main window: the settings window, the private messages, the countdown and the routing of menu commands.
#include "ui/MainDialog.h"

#include <shellapi.h>

#include "actions/SessionRequest.h"
#include "framework/App.h"
#include "framework/File.h"
#include "framework/Icon.h"
#include "resource.h"
#include "settings/HotKeyFlags.h"
#include "settings/SettingsStore.h"
#include "ui/AboutDialog.h"
#include "ui/HotKey.h"
#include "ui/PrivateMessages.h"
#include "ui/ScheduleDialog.h"
#include "ui/TrayLogic.h"

namespace {

const char kWebSite[] = "https://www.brightfen.example/dusklamp/";
const char kSupportMail[] = "mailto:support@brightfen.example?subject=Dusklamp";
const char kTrayTip[] = "Dusklamp";
const UINT_PTR kCountdownTimer = 1;
const UINT kCountdownPeriodMs = 1000;

// The tray menu's items that ask what a second start can ask, and the request each one makes.
const struct {
    UINT item;
    unsigned request;
} kTrayRequests[] = {
    {ID_TRAY_DISPLAYOFF, UM_DISPLAYOFF}, {ID_TRAY_LOCKDISPLAYOFF, UM_LOCKDISPLAYOFF},
    {ID_TRAY_SCHEDULE, UM_SCHEDULE},     {ID_TRAY_HOTKEY, UM_SHOWSETTINGS},
    {ID_TRAY_NETWORK, UM_NETWORK},
};

}  // namespace

const MessageEntry<CMainDialog> CMainDialog::kMessages[] = {
    {WM_SYSCOMMAND, 0, &CMainDialog::OnSysCommand},
    {WM_PAINT, 0, &CMainDialog::OnPaint},
    {WM_QUERYDRAGICON, 0, &CMainDialog::OnQueryDragIcon},
    {WM_CLOSE, 0, &CMainDialog::OnClose},
    {WM_ENDSESSION, 0, &CMainDialog::OnEndSession},
    {WM_TIMER, kCountdownTimer, &CMainDialog::OnCountdownTick},
    {UM_TRAYNOTIFY, 0, &CMainDialog::OnTrayNotify},
    {UM_SHOWSETTINGS, 0, &CMainDialog::OnForwardedRequest},
    {UM_DISPLAYOFF, 0, &CMainDialog::OnForwardedRequest},
    {UM_SCHEDULE, 0, &CMainDialog::OnForwardedRequest},
    {UM_LOCKDISPLAYOFF, 0, &CMainDialog::OnForwardedRequest},
    {UM_NETWORK, 0, &CMainDialog::OnForwardedRequest},
    {UM_DISPLAYON, 0, &CMainDialog::OnForwardedRequest},
    {WM_COMMAND, ID_FILE_CLOSE, &CMainDialog::OnClose},
    {WM_COMMAND, ID_HELP_WEBSITE, &CMainDialog::OnHelpWebSite},
    {WM_COMMAND, ID_HELP_SUPPORT, &CMainDialog::OnHelpSupport},
    {WM_COMMAND, ID_TRAY_DISPLAYOFF, &CMainDialog::OnTrayRequest},
    {WM_COMMAND, ID_TRAY_LOCKDISPLAYOFF, &CMainDialog::OnTrayRequest},
    {WM_COMMAND, ID_TRAY_SCHEDULE, &CMainDialog::OnTrayRequest},
    {WM_COMMAND, ID_TRAY_HOTKEY, &CMainDialog::OnTrayRequest},
    {WM_COMMAND, ID_TRAY_NETWORK, &CMainDialog::OnTrayRequest},
    {WM_COMMAND, ID_TRAY_COMMANDSLOG, &CMainDialog::OnTrayCommandsLog},
    {WM_COMMAND, ID_TRAY_RECEIVEDLOG, &CMainDialog::OnTrayReceivedLog},
    {WM_COMMAND, ID_TRAY_REMOTESHUTDOWN, &CMainDialog::OnTrayRemoteShutdown},
    {WM_COMMAND, ID_TRAY_EXIT, &CMainDialog::OnTrayExit},
    {WM_COMMAND, ID_TRAY_KEEPDARK, &CMainDialog::OnTrayKeepDark},
    {WM_COMMAND, ID_TRAY_STARTWITHWINDOWS, &CMainDialog::OnTrayStartWithWindows},
    {WM_SHOWWINDOW, 0, &CMainDialog::OnShowWindow},
    {WM_INITMENUPOPUP, 0, &CMainDialog::OnInitMenuPopup},
    {WM_COMMAND, IDC_CHANGE, &CMainDialog::OnChangeHotKey},
    {WM_COMMAND, IDC_CLEAR, &CMainDialog::OnClearHotKey},
    {WM_COMMAND, IDC_SYSTRAY, &CMainDialog::OnSysTrayClicked},
};

CMainDialog::CMainDialog(IMainDialogHost& host)
    : CDialog(IDD_DUSKLAMP_DIALOG), m_host(host)
{
}

bool CMainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // The icon sees every message first: the taskbar's re-creation and our own destruction
    // concern it, and it never consumes a message.
    m_trayIcon.FilterMessage(message);
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CDialog::OnMessage(message, wParam, lParam, result);
}

bool CMainDialog::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_HOTKEY, m_hotKey);
    return true;
}

bool CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_icon = LoadIconResource(IDI_DUSKLAMP, ::GetSystemMetrics(SM_CXICON));

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char about[128] = "";
        if (::LoadStringA(CWinApp::Current()->GetInstanceHandle(), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetWindowIcons(m_hWnd, IDI_DUSKLAMP);

    ShowStoredHotKey();

    const int trayIconShown = ReadTrayIconShown();
    ::SendDlgItemMessageA(m_hWnd, IDC_SYSTRAY, BM_SETCHECK, static_cast<WPARAM>(trayIconShown), 0);
    ShowManagedSettings(false);

    m_trayImage = LoadIconResource(IDI_DUSKLAMP, ::GetSystemMetrics(SM_CXSMICON));
    m_trayIconCreated = m_trayIcon.Create(this, IDR_TRAYMENU, kTrayTip, m_trayImage, UM_TRAYNOTIFY);
    if (m_trayIconCreated) {
        m_trayIcon.SetDefaultItem(ID_TRAY_DISPLAYOFF, false);
        if (trayIconShown == 0)
            m_trayIcon.Hide();
    }
    return true;
}

LRESULT CMainDialog::OnForwardedRequest(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The display requests share numbers with DM_REPOSITION and the like: the dialog manager
    // must not see them. The others go on to it, as they always have.
    const bool display = message == UM_DISPLAYOFF || message == UM_LOCKDISPLAYOFF || message == UM_DISPLAYON;
    const LRESULT result = display ? 1 : DefWindowProc(message, wParam, lParam);
    // A second start that sent this waits for the answer: it has it before the request is carried
    // out, so that neither a dialog the request opens nor one already open ever holds it up.
    if (::InSendMessage())
        ::ReplyMessage(result);
    m_host.OnRequest(message);
    if (message == UM_SHOWSETTINGS) {
        // The second start allowed us the foreground; without it the window would open behind.
        ::SetForegroundWindow(m_hWnd);
        ::SetActiveWindow(m_hWnd);
    }
    return result;
}

LRESULT CMainDialog::OnCountdownTick(UINT, WPARAM, LPARAM)
{
    // The countdown goes on while any dialog or message box of ours is open.
    if (m_countdown.Tick(::GetTickCount())) {
        ::KillTimer(m_hWnd, kCountdownTimer);
        RequestSessionEnd(m_scheduledAction);
    }
    return 0;
}

LRESULT CMainDialog::OnSysCommand(UINT message, WPARAM command, LPARAM lParam)
{
    // The low four bits of a system command are the system's own.
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDialog about(this);
        about.DoModal();
        return 0;
    }
    return DefWindowProc(message, command, lParam);
}

LRESULT CMainDialog::OnPaint(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!::IsIconic(m_hWnd))
        return DefWindowProc(message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, m_icon);
    ::EndPaint(m_hWnd, &paint);
    return 0;
}

LRESULT CMainDialog::OnQueryDragIcon(UINT, WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_icon);
}

LRESULT CMainDialog::OnClose(UINT, WPARAM, LPARAM)
{
    // Closing only hides: the program lives on in the notification area.
    ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CMainDialog::OnEndSession(UINT, WPARAM endingSession, LPARAM)
{
    // Sent, not posted, so the application's queue filter never sees it. A cancelled
    // shutdown (FALSE) leaves the session running, and the program with it.
    if (endingSession)
        DestroyWindow();
    return 0;
}

LRESULT CMainDialog::OnTrayNotify(UINT, WPARAM iconId, LPARAM mouseMessage)
{
    m_trayIcon.OnTrayNotification(iconId, mouseMessage);
    return 0;
}

LRESULT CMainDialog::OnHelpWebSite(UINT, WPARAM, LPARAM)
{
    ::ShellExecuteA(m_hWnd, "Open", kWebSite, nullptr, nullptr, SW_SHOW);
    return 0;
}

LRESULT CMainDialog::OnHelpSupport(UINT, WPARAM, LPARAM)
{
    ::ShellExecuteA(m_hWnd, "Open", kSupportMail, nullptr, nullptr, SW_SHOW);
    return 0;
}

LRESULT CMainDialog::OnTrayRequest(UINT, WPARAM command, LPARAM)
{
    // Straight to the application, which carries out every request the one way: unlike a second
    // start's, the tray's "HotKey Settings" shows the window without taking the foreground.
    for (const auto& row : kTrayRequests) {
        if (row.item == LOWORD(command))
            m_host.OnRequest(row.request);
    }
    return 0;
}

LRESULT CMainDialog::OnTrayCommandsLog(UINT, WPARAM, LPARAM)
{
    m_host.OpenCommandsLog();
    return 0;
}

LRESULT CMainDialog::OnTrayReceivedLog(UINT, WPARAM, LPARAM)
{
    m_host.OpenReceivedLog();
    return 0;
}

LRESULT CMainDialog::OnShowWindow(UINT message, WPARAM shown, LPARAM lParam)
{
    // The window lives as long as the program, hidden between showings: a policy set or taken
    // away meanwhile shows when it opens.
    if (shown)
        ShowManagedSettings(true);
    return DefWindowProc(message, shown, lParam);
}

void CMainDialog::ShowManagedSettings(bool values)
{
    const bool hotKey = IsHotKeyManaged();
    const bool trayIcon = IsTrayIconManaged();
    for (int id : {IDC_HOTKEY, IDC_CHANGE, IDC_CLEAR})
        EnableDlgItem(id, !hotKey);
    EnableDlgItem(IDC_SYSTRAY, !trayIcon);
    ::ShowWindow(GetDlgItem(IDC_MANAGED), hotKey || trayIcon ? SW_SHOW : SW_HIDE);
    if (!values)
        return;
    if (hotKey)
        ShowStoredHotKey();
    if (trayIcon) {
        const bool shownByPolicy = ReadTrayIconShown() != 0;
        ::SendDlgItemMessageA(m_hWnd, IDC_SYSTRAY, BM_SETCHECK, shownByPolicy ? BST_CHECKED : BST_UNCHECKED, 0);
        if (m_trayIconCreated && m_trayIcon.IsHidden() == shownByPolicy) {
            if (shownByPolicy)
                m_trayIcon.Show();
            else
                m_trayIcon.Hide();
        }
    }
}

LRESULT CMainDialog::OnTrayKeepDark(UINT, WPARAM, LPARAM)
{
    // The item is greyed then, but a command can still be posted to us.
    if (IsKeepDarkUntilKeyManaged())
        return 0;
    // The tick shows the stored value, read as the menu opened: a click turns that around.
    const bool keep = ReadKeepDarkUntilKey() == 0;
    WriteKeepDarkUntilKey(keep ? 1 : 0);
    m_host.OnKeepDisplayOffChanged(keep);
    return 0;
}

LRESULT CMainDialog::OnInitMenuPopup(UINT, WPARAM menu, LPARAM)
{
    // Every popup of this window passes here; only the tray menu holds the items.
    HMENU popup = reinterpret_cast<HMENU>(menu);
    ::CheckMenuItem(popup, ID_TRAY_KEEPDARK, MF_BYCOMMAND | (ReadKeepDarkUntilKey() != 0 ? MF_CHECKED : MF_UNCHECKED));
    ::EnableMenuItem(popup, ID_TRAY_KEEPDARK, MF_BYCOMMAND | (IsKeepDarkUntilKeyManaged() ? MF_GRAYED : MF_ENABLED));

    // The machine's entry starts the program for everyone, and only an administrator may take it away.
    const bool byMachine = IsMachineStartupEntryPresent();
    std::string command;
    const bool starts =
        byMachine || (ReadUserStartupEntry(command) && StartupCommandStartsProgram(command, ModuleFileName()));
    ::CheckMenuItem(popup, ID_TRAY_STARTWITHWINDOWS, MF_BYCOMMAND | (starts ? MF_CHECKED : MF_UNCHECKED));
    ::EnableMenuItem(popup, ID_TRAY_STARTWITHWINDOWS, MF_BYCOMMAND | (byMachine ? MF_GRAYED : MF_ENABLED));
    return 0;
}

LRESULT CMainDialog::OnTrayStartWithWindows(UINT, WPARAM, LPARAM)
{
    if (IsMachineStartupEntryPresent())
        return 0;
    // Decided afresh, as the tick was: an entry that starts another copy (moved, or an older
    // one) was not ticked, and a click replaces it with ours. Nothing is said on failure: the
    // tick tells the truth the next time the menu opens.
    const std::string modulePath = ModuleFileName();
    std::string command;
    if (ReadUserStartupEntry(command) && StartupCommandStartsProgram(command, modulePath))
        DeleteUserStartupEntry();
    else
        WriteUserStartupEntry(StartupCommandFor(modulePath));
    return 0;
}

LRESULT CMainDialog::OnTrayRemoteShutdown(UINT, WPARAM, LPARAM)
{
    StartRemoteShutdownTool();
    return 0;
}

LRESULT CMainDialog::OnTrayExit(UINT, WPARAM, LPARAM)
{
    // The stored values decide, not the registration: a refused hot key still counts.
    const StoredHotKey stored = ReadHotKey();
    if (IsHotKeyStored(stored.key, stored.mod)
        && CWinApp::Current()->ShowMessage(
               m_hWnd,
               "Once you close the Application, Associated Hot Key (if defined) will not work for "
               "Dusklamp.\nDo you wish to continue?",
               MB_YESNO | MB_ICONINFORMATION)
            != IDYES)
        return 0;
    DestroyWindow();
    return 0;
}

void CMainDialog::ShowStoredHotKey()
{
    const StoredHotKey stored = ReadHotKey();
    m_hotKey.SetHotKey(ControlValueFromStored(stored.key, stored.mod));
}

LRESULT CMainDialog::OnChangeHotKey(UINT, WPARAM, LPARAM)
{
    // Greyed then, but a command can still be posted to us: the policy's hot key stays registered.
    if (IsHotKeyManaged())
        return 0;
    CWinApp* app = CWinApp::Current();
    const WORD value = m_hotKey.GetHotKey();
    const unsigned key = LOBYTE(value);
    const unsigned flags = HIBYTE(value);
    if (key == 0) {
        app->ShowMessage(m_hWnd, "Please Click on the Edit Box & Press Hot Key to Change the Key", MB_ICONINFORMATION);
        return 0;
    }

    UnregisterStoredHotKey();
    if (WriteHotKeyKey(static_cast<int>(key))) {
        WriteHotKeyMod(static_cast<int>(ControlFlagsToModifiers(flags)));
        app->ShowMessage(m_hWnd, "Changes have been Saved.", MB_ICONINFORMATION);
    } else {
        // "Mod" stays as it was, so the previous hot key is registered again below.
        app->ShowMessage(m_hWnd, "Could not Store New Hot Key.", MB_ICONINFORMATION);
    }
    RegisterStoredHotKey();
    ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CMainDialog::OnClearHotKey(UINT, WPARAM, LPARAM)
{
    if (IsHotKeyManaged())
        return 0;
    UnregisterStoredHotKey();
    m_hotKey.SetHotKey(0);
    WriteHotKeyKey(0);
    WriteHotKeyMod(0);
    return 0;
}

LRESULT CMainDialog::OnSysTrayClicked(UINT, WPARAM, LPARAM)
{
    if (IsTrayIconManaged()) {
        ShowManagedSettings(true);
        return 0;
    }
    WriteTrayIconShown(static_cast<int>(IsDlgButtonChecked(IDC_SYSTRAY)));
    if (m_trayIconCreated) {
        // The icon's own state decides, so box and icon fall back into step after a taskbar restart.
        if (m_trayIcon.IsHidden())
            m_trayIcon.Show();
        else
            m_trayIcon.Hide();
    }
    return 0;
}

void CMainDialog::OpenScheduleDialog(CScheduleDlg& dialog, std::function<void()> turnDisplayOff)
{
    // One schedule dialog at a time (the framework brings an open one forward instead): two open
    // ones would apply their choices in the wrong order. Not inside another dialog's loop: its
    // choice counts when it is confirmed, whatever else stays open.
    dialog.Open([this, &dialog, turnDisplayOff](INT_PTR result) {
        if (result != IDOK)
            return;
        m_scheduledAction = dialog.ActionText();
        StartCountdown(dialog.Duration());
        if (dialog.TurnDisplayOffNow())
            turnDisplayOff();
    });
}

void CMainDialog::StartCountdown(int minutes)
{
    m_countdown.Start(minutes, ::GetTickCount());
    ::KillTimer(m_hWnd, kCountdownTimer);
    ::SetTimer(m_hWnd, kCountdownTimer, kCountdownPeriodMs, nullptr);
}
