// The schedule dialog: a session-end action after 1 to 60 minutes, and the display off now.
#pragma once

#include <string>

#include "framework/Dialog.h"

class CScheduleDlg : public CDialog {
public:
    explicit CScheduleDlg(CWnd* parent = nullptr);

    // Valid after the dialog ended with IDOK.
    const std::string& ActionText() const { return m_actionText; }
    int Duration() const { return m_duration; }
    bool TurnDisplayOffNow() const { return m_dimNow == 1; }

protected:
    bool DoDataExchange(bool save) override;
    // Keeps the clock line going: every timer tick the dialog receives rewrites it.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    void UpdateClock();
    void RefuseWithFocusOn(HWND control, const char* text);

    std::string m_actionText;
    int m_duration = 0;
    int m_dimNow = 0;
    std::string m_lastScheduleLine;
    HWND m_actionList = nullptr;
    HWND m_durationList = nullptr;
    HWND m_clock = nullptr;
};
