// Schedule dialog: presets from the registry, a running clock, and validation on OK.
#include "ui/ScheduleDialog.h"

#include <string>

#include "actions/SessionEnd.h"
#include "framework/Icon.h"
#include "framework/LocalTime.h"
#include "resource.h"
#include "settings/SettingsStore.h"

namespace {

const UINT_PTR kClockTimer = 2;
const UINT kClockPeriodMs = 1000;
const int kMaxMinutes = 60;

}  // namespace

const MessageEntry<CScheduleDlg> CScheduleDlg::kMessages[] = {
    {WM_TIMER, kClockTimer, &CScheduleDlg::OnClockTick},
};

CScheduleDlg::CScheduleDlg(CWnd* parent)
    : CDialog(IDD_SCHEDULE, parent)
{
}

bool CScheduleDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CDialog::OnMessage(message, wParam, lParam, result);
}

bool CScheduleDlg::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_ACTION, m_actionList);
    DDX_Control(dx, IDC_DURATION, m_durationList);
    DDX_Control(dx, IDC_CURRENT, m_clock);
    DDX_Check(dx, IDC_DIMNOW, m_displayOffNow);
    if (!dx.Saving())
        return DDX_Text(dx, IDC_LASTSCHEDULE, m_lastScheduleLine);

    // The lists are filled and preselected by initialisation; only their choice comes back.
    int action = -1;
    if (!DDX_Selection(dx, IDC_ACTION, action, "Please select the Action to perform to continue."))
        return false;
    m_actionText = m_actionList.GetLBText(action);
    // Stored the moment it is known to be chosen, before the minutes are checked: a refused OK
    // has always kept the action, and the next opening preselects it. Not a slip to tidy up.
    WriteScheduleAction(m_actionText);
    int minutesIndex = -1;
    if (!DDX_Selection(dx, IDC_DURATION, minutesIndex, "Please select Duration to continue."))
        return false;
    m_duration = minutesIndex + 1;
    return true;
}

bool CScheduleDlg::OnInitDialog()
{
    const SchedulePresets presets = ReadSchedulePresets();
    m_displayOffNow = presets.displayOffNow;
    m_lastScheduleLine = presets.lastSchedule.empty() ? std::string() : "Last Schedule : " + presets.lastSchedule;

    CDialog::OnInitDialog();
    for (const char* label : kActionLabels)
        m_actionList.AddString(label);
    SetWindowIcons(m_hWnd, IDI_DUSKLAMP);

    for (int minutes = 1; minutes <= kMaxMinutes; ++minutes)
        m_durationList.AddString(std::to_string(minutes).c_str());
    // A stored value outside the list leaves it without a selection, and OK then asks for one.
    if (presets.duration >= 1 && presets.duration <= kMaxMinutes)
        m_durationList.SetCurSel(presets.duration - 1);
    // The list's own prefix search, which ignores case: "shutdown" selects "Shutdown".
    m_actionList.SelectString(presets.action.c_str());

    // Shown at once rather than after the first tick, so the line never reads "Static".
    UpdateClock();
    ::SetTimer(m_hWnd, kClockTimer, kClockPeriodMs, nullptr);
    return true;
}

LRESULT CScheduleDlg::OnClockTick(UINT, WPARAM, LPARAM)
{
    UpdateClock();
    return 0;
}

void CScheduleDlg::UpdateClock()
{
    const std::string line = "Current : " + LocalTimeText();
    ::SetWindowTextA(m_clock.GetSafeHwnd(), line.c_str());
}

void CScheduleDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    WriteScheduleDuration(m_duration);
    WriteLastSchedule(LocalTimeText());
    WriteScheduleDisplayOffNow(m_displayOffNow);

    ::KillTimer(m_hWnd, kClockTimer);
    EndDialog(IDOK);
}
