// Dialogs from templates, modeless or modal, with data exchange and the OK/Cancel hooks.
#pragma once

#include <functional>

#include "framework/DataExchange.h"
#include "framework/Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    // Creates the dialog modeless; it stays hidden unless its template says visible. Fails when
    // the window could not be made or bound to this object.
    bool Create();
    // Runs the dialog in the framework's modal loop: IDOK, IDCANCEL, or -1 when it could not be
    // created or a dialog from the same template is already open (that one is brought forward).
    INT_PTR DoModal();
    // Opens the dialog beside any other, in whatever loop runs: owned and disabling its owner as
    // DoModal does, but returning at once. onClosed hears how it ended (IDOK, IDCANCEL), once it
    // has closed; nothing when it could not be created (false). One open from the same template
    // is brought forward instead.
    bool Open(std::function<void(INT_PTR)> onClosed = nullptr);
    void EndDialog(INT_PTR result);
    // Off the screen until it ends itself (once something under way is over): a new request for
    // its template opens a fresh one rather than bring this one forward.
    void HideUntilClosed();
    bool IsClosing() const { return m_closing; }
    // The dialog of ours opened with Open that holds the window, for its keyboard handling.
    static HWND OpenDialogHolding(HWND window);

    // Moves data between the controls and the members: into the members when save is true.
    bool UpdateData(bool save = true);

    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    // Moves the focus as the dialog manager does for Tab, so the default button follows it.
    void GotoDlgCtrl(HWND control) { SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE); }

protected:
    // Return true to let the system put the focus on the first control.
    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Binds controls to members; false when a value could not be saved (the control then has the focus).
    virtual bool DoDataExchange(CDataExchange& dx);

    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND CreateFromTemplate(HWND owner);
    // Brings forward an open dialog of this one's template; false when there is none.
    bool BringOpenForward();
    HWND OwnerToUse() const;
    void Forget();
    void CenterWindow();
    void DisableOwner(HWND owner);
    void ReleaseOwner();

    UINT m_templateId;
    CWnd* m_parent;
    HWND m_disabledOwner = nullptr;
    bool m_modalRunning = false;
    bool m_openBeside = false;
    bool m_closing = false;
    std::function<void(INT_PTR)> m_onClosed;
    INT_PTR m_modalResult = IDCANCEL;
};
