// The hidden main window: settings window when shown, and target of every private and tray message.
#pragma once

#include <string>

#include "actions/SessionEnd.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/Countdown.h"

class CScheduleDlg;

class CMainDialog : public CDialog {
public:
    CMainDialog();

    // A fresh schedule dialog, for the tray menu and a second start.
    void OnScheduleAction();
    // Runs a schedule dialog and takes over its confirmed choice, replacing any pending schedule.
    void RunScheduleDialog(CScheduleDlg& dialog);
    // The network settings dialog, for the tray menu, a second start and the ":network" command.
    void OnNetworkSettings();

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool DoDataExchange(bool save) override;
    bool OnInitDialog() override;
    // Enter and Esc must neither close nor hide the window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static const MessageEntry<CMainDialog> kMessages[];

    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
    LRESULT OnPaint(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(WPARAM, LPARAM);
    LRESULT OnClose(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM endingSession, LPARAM);
    LRESULT OnTrayNotify(WPARAM iconId, LPARAM mouseMessage);

    LRESULT OnHelpWebSite(WPARAM, LPARAM);
    LRESULT OnHelpSupport(WPARAM, LPARAM);
    LRESULT OnTrayDisplayOff(WPARAM, LPARAM);
    LRESULT OnTrayLockDisplayOff(WPARAM, LPARAM);
    LRESULT OnTraySchedule(WPARAM, LPARAM);
    LRESULT OnTrayHotKeySettings(WPARAM, LPARAM);
    LRESULT OnTrayNetwork(WPARAM, LPARAM);
    LRESULT OnTrayCommandsLog(WPARAM, LPARAM);
    LRESULT OnRemoteShutdown(WPARAM, LPARAM);
    LRESULT OnTrayExit(WPARAM, LPARAM);
    LRESULT OnChangeHotKey(WPARAM, LPARAM);
    LRESULT OnClearHotKey(WPARAM, LPARAM);
    LRESULT OnSysTrayClicked(WPARAM, LPARAM);

    void ShowStoredHotKey();
    void ApplySchedule(const CScheduleDlg& dialog);
    void StartCountdown(int minutes);
    void ExecuteAction(const std::string& actionText);
    void ExitSession(SessionEndKind kind, bool forced);

    bool m_trayIconCreated = false;
    HICON m_trayImage = nullptr;
    CCountdown m_countdown;
    std::string m_scheduledAction;
    CScheduleDlg* m_openSchedule = nullptr;
    CHotKeyCtrl m_hotKey;
    HICON m_icon = nullptr;
};
