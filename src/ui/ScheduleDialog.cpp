// Schedule dialog: presets from the registry, a running clock, and validation on OK.
#include "ui/ScheduleDialog.h"

#include <string>

#include "actions/SessionEnd.h"
#include "app/DusklampApp.h"
#include "app/LocalTime.h"
#include "resource.h"
#include "settings/Settings.h"
#include "ui/ProgramIcon.h"

namespace {

const UINT_PTR kClockTimer = 2;
const UINT kClockPeriodMs = 1000;
const int kMaxMinutes = 60;

}  // namespace

CScheduleDlg::CScheduleDlg(CWnd* parent)
    : CDialog(IDD_SCHEDULE, parent)
{
}

bool CScheduleDlg::DoDataExchange(bool save)
{
    m_actionList = GetDlgItem(IDC_ACTION);
    m_durationList = GetDlgItem(IDC_DURATION);
    m_clock = GetDlgItem(IDC_CURRENT);
    if (save) {
        m_dimNow = IsDlgButtonChecked(IDC_DIMNOW) == BST_CHECKED ? 1 : 0;
        return true;
    }
    // The box knows three states; anything else read from the registry shows as clear.
    CheckDlgButton(IDC_DIMNOW, m_dimNow >= 0 && m_dimNow <= 2 ? static_cast<UINT>(m_dimNow) : BST_UNCHECKED);
    ::SetDlgItemTextA(m_hWnd, IDC_LASTSCHEDULE, m_lastScheduleLine.c_str());
    return true;
}

bool CScheduleDlg::OnInitDialog()
{
    m_dimNow = g_app.GetProfileInt(kSettingsSection, kValueDimNow, kDefaultDimNow);
    const std::string last = g_app.GetProfileString(kSettingsSection, kValueLastSchedule, "");
    m_lastScheduleLine = last.empty() ? std::string() : "Last Schedule : " + last;

    for (const char* label : kActionLabels)
        ::SendDlgItemMessageA(m_hWnd, IDC_ACTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label));
    CDialog::OnInitDialog();

    SetProgramIcons(m_hWnd);

    for (int minutes = 1; minutes <= kMaxMinutes; ++minutes) {
        const std::string text = std::to_string(minutes);
        ::SendMessageA(m_durationList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    const int duration = g_app.GetProfileInt(kSettingsSection, kValueDuration, kDefaultDuration);
    if (duration >= 1 && duration <= kMaxMinutes)
        ::SendMessageA(m_durationList, CB_SETCURSEL, static_cast<WPARAM>(duration - 1), 0);

    // The list's own prefix search, which ignores case: "shutdown" selects "Shutdown".
    const std::string action = g_app.GetProfileString(kSettingsSection, kValueAction, kDefaultAction);
    ::SendMessageA(m_actionList, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(action.c_str()));

    // Shown at once rather than after the first tick, so the line never reads "Static".
    UpdateClock();
    ::SetTimer(m_hWnd, kClockTimer, kClockPeriodMs, nullptr);
    return true;
}

LRESULT CScheduleDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER)
        UpdateClock();
    return CDialog::DefWindowProc(message, wParam, lParam);
}

void CScheduleDlg::UpdateClock()
{
    const std::string line = "Current : " + LocalTimeText();
    ::SetWindowTextA(m_clock, line.c_str());
}

void CScheduleDlg::RefuseWithFocusOn(HWND control, const char* text)
{
    g_app.ShowMessage(m_hWnd, text, MB_OK | MB_ICONINFORMATION);
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void CScheduleDlg::OnOK()
{
    UpdateData(true);

    const LRESULT action = ::SendMessageA(m_actionList, CB_GETCURSEL, 0, 0);
    if (action == CB_ERR) {
        RefuseWithFocusOn(m_actionList, "Please select the Action to perform to continue.");
        return;
    }
    char label[64] = "";
    const LRESULT length = ::SendMessageA(m_actionList, CB_GETLBTEXTLEN, static_cast<WPARAM>(action), 0);
    if (length > 0 && length < static_cast<LRESULT>(sizeof(label)))
        ::SendMessageA(m_actionList, CB_GETLBTEXT, static_cast<WPARAM>(action), reinterpret_cast<LPARAM>(label));
    m_actionText = label;
    g_app.WriteProfileString(kSettingsSection, kValueAction, m_actionText);

    const LRESULT minutes = ::SendMessageA(m_durationList, CB_GETCURSEL, 0, 0);
    if (minutes == CB_ERR) {
        RefuseWithFocusOn(m_durationList, "Please select Duration to continue.");
        return;
    }
    m_duration = static_cast<int>(minutes) + 1;
    g_app.WriteProfileInt(kSettingsSection, kValueDuration, m_duration);
    g_app.WriteProfileString(kSettingsSection, kValueLastSchedule, LocalTimeText());
    g_app.WriteProfileInt(kSettingsSection, kValueDimNow, m_dimNow);

    ::KillTimer(m_hWnd, kClockTimer);
    EndDialog(IDOK);
}
