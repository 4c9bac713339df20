// The schedule dialog: a session-end action after 1 to 60 minutes, and the display off now.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"

class CScheduleDlg : public CDialog {
public:
    explicit CScheduleDlg(CWnd* parent = nullptr);

    // Valid after the dialog ended with IDOK.
    const std::string& ActionText() const { return m_actionText; }
    int Duration() const { return m_duration; }
    bool TurnDisplayOffNow() const { return m_displayOffNow == 1; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    static const MessageEntry<CScheduleDlg> kMessages[];

    LRESULT OnClockTick(UINT, WPARAM, LPARAM);
    void UpdateClock();

    std::string m_actionText;
    int m_duration = 0;
    int m_displayOffNow = 0;
    std::string m_lastScheduleLine;
    CComboBox m_actionList;
    CComboBox m_durationList;
    CControl m_clock;
};
