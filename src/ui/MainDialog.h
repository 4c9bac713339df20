// The hidden main window: settings window when shown, and target of every private and tray message.
#pragma once

#include "framework/Dialog.h"

class CMainDialog : public CDialog {
public:
    CMainDialog();

    // The schedule dialog, for the tray menu, a second start and the ":shutdown" command.
    void OnScheduleCommand();
    // The network settings dialog, for the tray menu, a second start and the ":network" command.
    void OnNetworkCommand();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnInitDialog() override;
    // Enter and Esc must neither close nor hide the window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static const MessageEntry<CMainDialog> kMessages[];

    LRESULT OnEndSession(WPARAM endingSession, LPARAM);

    HICON m_icon = nullptr;
};
