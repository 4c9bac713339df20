// Dialog base: template creation, the modal loop and the default OK/Cancel behaviour.
#include "framework/Dialog.h"

#include "framework/App.h"

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_templateId(templateId), m_parent(parent)
{
}

HWND CDialog::CreateFromTemplate(HWND owner)
{
    CWinApp* app = CWinApp::Current();
    return ::CreateDialogParamA(app->GetInstanceHandle(), MAKEINTRESOURCEA(m_templateId), owner,
                                &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create()
{
    return CreateFromTemplate(m_parent ? m_parent->GetSafeHwnd() : nullptr) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    // One modal run per object: a second request while it is open just brings it forward.
    if (m_hWnd) {
        ::SetForegroundWindow(m_hWnd);
        return -1;
    }
    CWinApp* app = CWinApp::Current();
    HWND owner = m_parent ? m_parent->GetSafeHwnd() : nullptr;
    if (!owner && app->GetMainWnd() && app->GetMainWnd() != this)
        owner = app->GetMainWnd()->GetSafeHwnd();

    // The owner is disabled for as long as the dialog runs, as the system's own modal dialogs do.
    m_disabledOwner = owner && ::IsWindowEnabled(owner) ? owner : nullptr;
    if (m_disabledOwner)
        ::EnableWindow(m_disabledOwner, FALSE);

    m_modalResult = IDCANCEL;
    m_modalRunning = true;
    if (!CreateFromTemplate(owner)) {
        m_modalRunning = false;
        ReleaseOwner();
        return -1;
    }
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
    m_modalRunning = false;
    ReleaseOwner();
    DestroyWindow();
    return m_modalResult;
}

void CDialog::EndDialog(INT_PTR result)
{
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

void CDialog::ReleaseOwner()
{
    if (m_disabledOwner) {
        ::EnableWindow(m_disabledOwner, TRUE);
        m_disabledOwner = nullptr;
    }
}

bool CDialog::UpdateData(bool save)
{
    return DoDataExchange(save);
}

bool CDialog::DoDataExchange(bool)
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

    // Templates place our dialogs at 0,0; centre them on their owner or, without one, on the work area.
    RECT rect;
    ::GetWindowRect(hwnd, &rect);
    RECT area;
    HWND owner = ::GetWindow(hwnd, GW_OWNER);
    if (!owner || !::IsWindowVisible(owner) || !::GetWindowRect(owner, &area))
        ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    ::SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return defaultFocus ? TRUE : FALSE;
}
