// Main window: the settings window, the private messages, and the routing of menu commands.
#include "ui/MainDialog.h"

#include <shellapi.h>

#include "app/DusklampApp.h"
#include "resource.h"
#include "settings/HotKeyFlags.h"
#include "settings/Settings.h"
#include "ui/AboutDialog.h"
#include "ui/NotifyAreaIcon.h"
#include "ui/PrivateMessages.h"
#include "ui/ProgramIcon.h"
#include "ui/ScheduleDialog.h"

namespace {

const char kWebSite[] = "https://www.brightfen.example/dusklamp/";
const char kSupportMail[] = "mailto:support@brightfen.example?subject=Dusklamp";
const char kTrayTip[] = "Dusklamp";
const UINT_PTR kCountdownTimer = 1;
const UINT kCountdownPeriodMs = 1000;

}  // namespace

const MessageEntry<CMainDialog> CMainDialog::kMessages[] = {
    {WM_SYSCOMMAND, 0, &CMainDialog::OnSysCommand},
    {WM_PAINT, 0, &CMainDialog::OnPaint},
    {WM_QUERYDRAGICON, 0, &CMainDialog::OnQueryDragIcon},
    {WM_CLOSE, 0, &CMainDialog::OnClose},
    {WM_ENDSESSION, 0, &CMainDialog::OnEndSession},
    {UM_TRAYNOTIFY, 0, &CMainDialog::OnTrayNotify},
    {WM_COMMAND, ID_FILE_CLOSE, &CMainDialog::OnClose},
    {WM_COMMAND, ID_HELP_WEBSITE, &CMainDialog::OnHelpWebSite},
    {WM_COMMAND, ID_HELP_SUPPORT, &CMainDialog::OnHelpSupport},
    {WM_COMMAND, ID_TRAY_DISPLAYOFF, &CMainDialog::OnTrayDisplayOff},
    {WM_COMMAND, ID_TRAY_LOCKDISPLAYOFF, &CMainDialog::OnTrayLockDisplayOff},
    {WM_COMMAND, ID_TRAY_SCHEDULE, &CMainDialog::OnTraySchedule},
    {WM_COMMAND, ID_TRAY_HOTKEY, &CMainDialog::OnTrayHotKeySettings},
    {WM_COMMAND, ID_TRAY_NETWORK, &CMainDialog::OnTrayNetwork},
    {WM_COMMAND, ID_TRAY_COMMANDSLOG, &CMainDialog::OnTrayCommandsLog},
    {WM_COMMAND, ID_TRAY_REMOTESHUTDOWN, &CMainDialog::OnRemoteShutdown},
    {WM_COMMAND, ID_TRAY_EXIT, &CMainDialog::OnTrayExit},
    {WM_COMMAND, IDC_CHANGE, &CMainDialog::OnChangeHotKey},
    {WM_COMMAND, IDC_CLEAR, &CMainDialog::OnClearHotKey},
    {WM_COMMAND, IDC_SYSTRAY, &CMainDialog::OnSysTrayClicked},
};

CMainDialog::CMainDialog()
    : CDialog(IDD_DUSKLAMP_DIALOG)
{
}

bool CMainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CDialog::OnMessage(message, wParam, lParam, result);
}

bool CMainDialog::DoDataExchange(bool)
{
    m_hotKey.Attach(GetDlgItem(IDC_HOTKEY));
    return true;
}

bool CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_icon = LoadProgramIcon(::GetSystemMetrics(SM_CXICON));

    if (HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE)) {
        char about[128] = "";
        if (::LoadStringA(g_app.GetInstanceHandle(), IDS_ABOUTBOX, about, sizeof(about)) > 0) {
            ::AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuA(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    SetProgramIcons(m_hWnd);

    ShowStoredHotKey();

    const int sysTray = g_app.GetProfileInt(kSettingsSection, kValueSysTray, kDefaultSysTray);
    ::SendDlgItemMessageA(m_hWnd, IDC_SYSTRAY, BM_SETCHECK, static_cast<WPARAM>(sysTray), 0);

    m_trayImage = LoadProgramIcon(::GetSystemMetrics(SM_CXSMICON));
    m_trayIconCreated = g_trayIcon.Create(this, IDR_TRAYMENU, kTrayTip, m_trayImage, UM_TRAYNOTIFY);
    if (m_trayIconCreated) {
        g_trayIcon.SetDefaultItem(ID_TRAY_DISPLAYOFF, false);
        if (sysTray == 0)
            g_trayIcon.Hide();
    }
    return true;
}

LRESULT CMainDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_SHOWSETTINGS:
        ShowWindow(SW_SHOW);
        // The second start allowed us the foreground; without it the window would open behind.
        ::SetForegroundWindow(m_hWnd);
        ::SetActiveWindow(m_hWnd);
        break;
    case UM_DISPLAYOFF:
        g_app.TurnDisplayOff();
        return 1;
    case UM_SCHEDULE:
        OnScheduleAction();
        break;
    case UM_LOCKDISPLAYOFF:
        g_app.LockAndTurnDisplayOff();
        return 1;
    case UM_NETWORK:
        OnNetworkSettings();
        break;
    case UM_DISPLAYON:
        g_app.TurnDisplayOn();
        return 1;
    case WM_TIMER:
        // The countdown goes on while any dialog or message box of ours is open.
        if (m_countdown.Tick()) {
            ::KillTimer(m_hWnd, kCountdownTimer);
            ExecuteAction(m_scheduledAction);
        }
        break;
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}

LRESULT CMainDialog::OnSysCommand(WPARAM command, LPARAM lParam)
{
    if ((command & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDialog about(this);
        about.DoModal();
        return 0;
    }
    return DefWindowProc(WM_SYSCOMMAND, command, lParam);
}

LRESULT CMainDialog::OnPaint(WPARAM wParam, LPARAM lParam)
{
    if (!::IsIconic(m_hWnd))
        return DefWindowProc(WM_PAINT, wParam, lParam);
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

LRESULT CMainDialog::OnQueryDragIcon(WPARAM, LPARAM)
{
    return reinterpret_cast<LRESULT>(m_icon);
}

LRESULT CMainDialog::OnClose(WPARAM, LPARAM)
{
    // Closing only hides: the program lives on in the notification area.
    ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CMainDialog::OnEndSession(WPARAM endingSession, LPARAM)
{
    // Sent, not posted, so the application's queue filter never sees it. A cancelled
    // shutdown (FALSE) leaves the session running, and the program with it.
    if (endingSession)
        DestroyWindow();
    return 0;
}

LRESULT CMainDialog::OnTrayNotify(WPARAM iconId, LPARAM mouseMessage)
{
    g_trayIcon.OnTrayNotification(iconId, mouseMessage);
    return 0;
}

LRESULT CMainDialog::OnHelpWebSite(WPARAM, LPARAM)
{
    ::ShellExecuteA(m_hWnd, "Open", kWebSite, nullptr, nullptr, SW_SHOW);
    return 0;
}

LRESULT CMainDialog::OnHelpSupport(WPARAM, LPARAM)
{
    ::ShellExecuteA(m_hWnd, "Open", kSupportMail, nullptr, nullptr, SW_SHOW);
    return 0;
}

LRESULT CMainDialog::OnTrayDisplayOff(WPARAM, LPARAM)
{
    g_app.TurnDisplayOff();
    return 0;
}

LRESULT CMainDialog::OnTrayLockDisplayOff(WPARAM, LPARAM)
{
    g_app.LockAndTurnDisplayOff();
    return 0;
}

LRESULT CMainDialog::OnTraySchedule(WPARAM, LPARAM)
{
    OnScheduleAction();
    return 0;
}

LRESULT CMainDialog::OnTrayHotKeySettings(WPARAM, LPARAM)
{
    ShowWindow(SW_SHOW);
    return 0;
}

LRESULT CMainDialog::OnTrayNetwork(WPARAM, LPARAM)
{
    OnNetworkSettings();
    return 0;
}

LRESULT CMainDialog::OnTrayCommandsLog(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CMainDialog::OnTrayExit(WPARAM, LPARAM)
{
    const int key = g_app.GetProfileInt(kSettingsSection, kValueKey, kDefaultKey);
    const int mod = g_app.GetProfileInt(kSettingsSection, kValueMod, kDefaultMod);
    if (IsHotKeyStored(key, mod)
        && g_app.ShowMessage(m_hWnd,
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
    const int key = g_app.GetProfileInt(kSettingsSection, kValueKey, kDefaultKey);
    const int mod = g_app.GetProfileInt(kSettingsSection, kValueMod, kDefaultMod);
    m_hotKey.SetHotKey(ControlValueFromStored(key, mod));
}

LRESULT CMainDialog::OnChangeHotKey(WPARAM, LPARAM)
{
    const WORD value = m_hotKey.GetHotKey();
    const unsigned key = LOBYTE(value);
    const unsigned flags = HIBYTE(value);
    if (key == 0) {
        g_app.ShowMessage(m_hWnd, "Please Click on the Edit Box & Press Hot Key to Change the Key",
                          MB_ICONINFORMATION);
        return 0;
    }

    g_app.UnregisterStoredHotKey();
    if (g_app.WriteProfileInt(kSettingsSection, kValueKey, static_cast<int>(key))) {
        g_app.WriteProfileInt(kSettingsSection, kValueMod, static_cast<int>(ControlFlagsToModifiers(flags)));
        g_app.ShowMessage(m_hWnd, "Changes have been Saved.", MB_ICONINFORMATION);
    } else {
        // "Mod" stays as it was, so the previous hot key is registered again below.
        g_app.ShowMessage(m_hWnd, "Could not Store New Hot Key.", MB_ICONINFORMATION);
    }
    g_app.RegisterStoredHotKey();
    ShowWindow(SW_HIDE);
    return 0;
}

LRESULT CMainDialog::OnClearHotKey(WPARAM, LPARAM)
{
    g_app.UnregisterStoredHotKey();
    m_hotKey.SetHotKey(0);
    g_app.WriteProfileInt(kSettingsSection, kValueKey, 0);
    g_app.WriteProfileInt(kSettingsSection, kValueMod, 0);
    return 0;
}

LRESULT CMainDialog::OnSysTrayClicked(WPARAM, LPARAM)
{
    const UINT checked = IsDlgButtonChecked(IDC_SYSTRAY);
    g_app.WriteProfileInt(kSettingsSection, kValueSysTray, static_cast<int>(checked));
    if (m_trayIconCreated) {
        // The icon's own state decides, so box and icon fall back into step after a taskbar restart.
        if (g_trayIcon.IsHidden())
            g_trayIcon.Show();
        else
            g_trayIcon.Hide();
    }
    return 0;
}

void CMainDialog::OnScheduleAction()
{
    CScheduleDlg dialog(this);
    RunScheduleDialog(dialog);
}

void CMainDialog::RunScheduleDialog(CScheduleDlg& dialog)
{
    // One schedule dialog at a time: two open ones would apply their choices in the wrong order.
    if (m_openSchedule) {
        ::SetForegroundWindow(m_openSchedule->GetSafeHwnd());
        return;
    }
    m_openSchedule = &dialog;
    const INT_PTR result = dialog.DoModal();
    m_openSchedule = nullptr;
    if (result == IDOK)
        ApplySchedule(dialog);
}

void CMainDialog::ApplySchedule(const CScheduleDlg& dialog)
{
    m_scheduledAction = dialog.ActionText();
    StartCountdown(dialog.Duration());
    if (dialog.TurnDisplayOffNow())
        g_app.TurnDisplayOff();
}

void CMainDialog::StartCountdown(int minutes)
{
    m_countdown.Start(minutes);
    ::KillTimer(m_hWnd, kCountdownTimer);
    ::SetTimer(m_hWnd, kCountdownTimer, kCountdownPeriodMs, nullptr);
}

void CMainDialog::OnNetworkSettings()
{
}
