// Main window: creation from its template and the handling of the private messages.
#include "ui/MainDialog.h"

#include "app/DusklampApp.h"
#include "resource.h"
#include "ui/PrivateMessages.h"

const MessageEntry<CMainDialog> CMainDialog::kMessages[] = {
    {WM_ENDSESSION, 0, &CMainDialog::OnEndSession},
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

bool CMainDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_icon = ::LoadIconA(CWinApp::Current()->GetInstanceHandle(), MAKEINTRESOURCEA(IDI_DUSKLAMP));
    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));
    return true;
}

LRESULT CMainDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case UM_SHOWSETTINGS:
        ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_hWnd);
        ::SetActiveWindow(m_hWnd);
        break;
    case UM_DISPLAYOFF:
        g_app.TurnDisplayOff();
        return 1;
    case UM_SCHEDULE:
        OnScheduleCommand();
        break;
    case UM_LOCKDISPLAYOFF:
        g_app.LockAndTurnDisplayOff();
        return 1;
    case UM_NETWORK:
        OnNetworkCommand();
        break;
    case UM_DISPLAYON:
        g_app.TurnDisplayOn();
        return 1;
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}

LRESULT CMainDialog::OnEndSession(WPARAM endingSession, LPARAM)
{
    // Sent, not posted, so the application's queue filter never sees it. A cancelled
    // shutdown (FALSE) leaves the session running, and the program with it.
    if (endingSession)
        DestroyWindow();
    return 0;
}

void CMainDialog::OnScheduleCommand()
{
}

void CMainDialog::OnNetworkCommand()
{
}
