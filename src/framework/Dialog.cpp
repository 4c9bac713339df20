// Dialog base: template creation, the modal loop and the default OK/Cancel behaviour.
#include "framework/Dialog.h"

#include <algorithm>
#include <vector>

#include "framework/App.h"
#include "framework/Placement.h"

namespace {

// The dialogs open right now, modal and modeless ones; modal ones innermost last.
std::vector<CDialog*> g_openDialogs;

// Owners disabled by our modal dialogs, with how many of them hold each one disabled: closing
// an outer dialog first must not re-enable an owner that an inner one still needs disabled.
struct DisabledOwner {
    HWND window;
    int holders;
};
std::vector<DisabledOwner> g_disabledOwners;

std::vector<DisabledOwner>::iterator FindDisabledOwner(HWND window)
{
    return std::find_if(g_disabledOwners.begin(), g_disabledOwners.end(),
                        [window](const DisabledOwner& owner) { return owner.window == window; });
}

}  // namespace

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_parent(parent)
{
}

CDialog::~CDialog()
{
    Forget();
    ReleaseOwner();
}

void CDialog::Forget()
{
    g_openDialogs.erase(std::remove(g_openDialogs.begin(), g_openDialogs.end(), this), g_openDialogs.end());
}

HWND CDialog::OpenDialogHolding(HWND window)
{
    const HWND root = window ? ::GetAncestor(window, GA_ROOT) : nullptr;
    for (const CDialog* open : g_openDialogs) {
        if (open->m_openBeside && open->m_hWnd == root)
            return root;
    }
    return nullptr;
}

bool CDialog::BringOpenForward()
{
    for (CDialog* open : g_openDialogs) {
        if ((open == this || open->m_templateId == m_templateId) && !open->m_closing) {
            ::SetForegroundWindow(open->m_hWnd);
            return true;
        }
    }
    if (!m_hWnd || m_closing)
        return false;
    ::SetForegroundWindow(m_hWnd);
    return true;
}

void CDialog::HideUntilClosed()
{
    m_closing = true;
    ShowWindow(SW_HIDE);
}

HWND CDialog::OwnerToUse() const
{
    CWinApp* app = CWinApp::Current();
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    if (!owner && app->GetMainWnd() && app->GetMainWnd() != this)
        owner = app->GetMainWnd()->GetSafeHwnd();
    return owner;
}

bool CDialog::Open(std::function<void(INT_PTR)> onClosed)
{
    // As with DoModal, one per template: requests can come by the thousand.
    if (BringOpenForward())
        return true;
    const HWND owner = OwnerToUse();
    DisableOwner(owner);
    m_onClosed = std::move(onClosed);
    m_openBeside = true;
    m_closing = false;
    g_openDialogs.push_back(this);
    if (!CreateFromTemplate(owner)) {
        m_openBeside = false;
        m_onClosed = nullptr;
        Forget();
        ReleaseOwner();
        return false;
    }
    ShowWindow(SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
    return true;
}

HWND CDialog::CreateFromTemplate(HWND owner)
{
    CWinApp* app = CWinApp::Current();
    HWND hwnd = ::CreateDialogParamA(app->GetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), owner,
                                     &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    // A window that could not be bound to its object would run without any of our handling.
    if (hwnd && m_hWnd != hwnd) {
        ::DestroyWindow(hwnd);
        return nullptr;
    }
    return hwnd;
}

bool CDialog::Create()
{
    return CreateFromTemplate(m_parent ? m_parent->GetSafeHwnd() : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    // One dialog per template at a time: every modal loop dispatches posted messages, so repeated
    // requests (another program can post them by the thousand) would otherwise nest dialogs
    // until the stack runs out. A second request just brings the open one forward.
    if (BringOpenForward())
        return -1;
    CWinApp* app = CWinApp::Current();
    const HWND owner = OwnerToUse();

    // The owner is disabled for as long as the dialog runs, as the system's own modal dialogs do.
    DisableOwner(owner);
    m_modalResult = IDCANCEL;
    m_modalRunning = true;
    m_closing = false;
    // Registered before creation: initialisation may already run a message box's loop.
    g_openDialogs.push_back(this);
    if (CreateFromTemplate(owner)) {
        ShowWindow(SW_SHOW);
        ::SetForegroundWindow(m_hWnd);

        // Our own loop rather than DialogBox's, so that thread messages such as WM_HOTKEY still
        // reach the application's message filter while the dialog is open.
        MSG msg;
        while (m_modalRunning && m_hWnd) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                // Leave the quit request for the main loop.
                ::PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (got == -1)
                break;
            app->ProcessMessage(msg, m_hWnd);
        }
    } else {
        m_modalResult = -1;
    }
    Forget();
    m_modalRunning = false;
    ReleaseOwner();
    DestroyWindow();
    return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
    if (m_openBeside) {
        // Closed before it is told: whoever hears may open it again at once.
        m_openBeside = false;
        Forget();
        ReleaseOwner();
        DestroyWindow();
        const std::function<void(INT_PTR)> onClosed = std::move(m_onClosed);
        m_onClosed = nullptr;
        if (onClosed)
            onClosed(result);
        return;
    }
    if (!m_modalRunning) {
        DestroyWindow();
        return;
    }
    m_modalResult = result;
    m_modalRunning = false;
    // As the system's own dialogs do: the owner first, so that it is the one activated, then
    // off the screen at once, even while a nested loop keeps ours from ending yet.
    ReleaseOwner();
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    // Wakes the modal loop when this runs inside a message sent from another thread.
    ::PostMessageA(m_hWnd, WM_NULL, 0, 0);
}

void CDialog::DisableOwner(HWND owner)
{
    if (!owner)
        return;
    auto entry = FindDisabledOwner(owner);
    if (entry != g_disabledOwners.end()) {
        ++entry->holders;
    } else if (::IsWindowEnabled(owner)) {
        g_disabledOwners.push_back({owner, 1});
        ::EnableWindow(owner, FALSE);
    } else {
        // Disabled by someone else, who will enable it again.
        return;
    }
    m_disabledOwner = owner;
}

void CDialog::ReleaseOwner()
{
    if (!m_disabledOwner)
        return;
    auto entry = FindDisabledOwner(m_disabledOwner);
    if (entry != g_disabledOwners.end() && --entry->holders == 0) {
        g_disabledOwners.erase(entry);
        ::EnableWindow(m_disabledOwner, TRUE);
    }
    m_disabledOwner = nullptr;
}

bool CDialog::UpdateData(bool save)
{
    CDataExchange dx(m_hWnd, save);
    return DoDataExchange(dx);
}

bool CDialog::DoDataExchange(CDataExchange&)
{
    return true;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Destroyed with its owner (at exit, say) rather than ended: nobody is to act on it.
    if (message == WM_NCDESTROY && m_openBeside) {
        m_openBeside = false;
        m_onClosed = nullptr;
        Forget();
        ReleaseOwner();
    }
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
        case IDOK:
            OnOK();
            result = 0;
            return true;
        case IDCANCEL:
            OnCancel();
            result = 0;
            return true;
        }
    }
    return CWnd::OnMessage(message, wParam, lParam, result);
}

void CDialog::CenterWindow()
{
    // Templates place our dialogs at 0,0: centre them on a visible owner, else on the work area,
    // and keep them on the monitor that holds the owner (which may lie left of or above the primary).
    HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const bool onOwner = owner && ::IsWindowVisible(owner);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoA(::MonitorFromWindow(onOwner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    RECT area = monitor.rcWork;
    if (onOwner)
        ::GetWindowRect(owner, &area);
    RECT rect;
    ::GetWindowRect(m_hWnd, &rect);
    const ScreenRect work = {monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    const ScreenPoint origin = CenteredOrigin(rect.right - rect.left, rect.bottom - rect.top,
                                              {area.left, area.top, area.right, area.bottom}, work);
    ::SetWindowPos(m_hWnd, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam)
{
    // Only initialisation comes here: from then on the object sees every message through its
    // subclass procedure first, and this procedure just lets the dialog manager do the rest.
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    if (!dialog->SubclassWindow(hwnd))
        return FALSE;

    const bool defaultFocus = dialog->OnInitDialog();
    dialog->CenterWindow();
    return defaultFocus ? TRUE : FALSE;
}
