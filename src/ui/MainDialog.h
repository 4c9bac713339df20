// The hidden main window: settings window when shown, and target of every private and tray message.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/Countdown.h"
#include "ui/NotifyAreaIcon.h"

class CScheduleDlg;

// What the main window asks of the application that owns it.
class IMainDialogHost {
public:
    // A second start's request, as the private message it arrived as.
    virtual void OnForwardedRequest(unsigned message) = 0;
    virtual void OpenNetworkSettings() = 0;
    virtual void OpenCommandsLog() = 0;
    virtual void OpenReceivedLog() = 0;

protected:
    ~IMainDialogHost() = default;
};

class CMainDialog : public CDialog {
public:
    explicit CMainDialog(IMainDialogHost& host);

    // Runs a schedule dialog and takes over its confirmed choice, replacing any pending schedule.
    void RunScheduleDialog(CScheduleDlg& dialog);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    // Enter and Esc must neither close nor hide the window.
    void OnOK() override {}
    void OnCancel() override {}

private:
    static const MessageEntry<CMainDialog> kMessages[];

    LRESULT OnSysCommand(UINT message, WPARAM command, LPARAM lParam);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryDragIcon(UINT, WPARAM, LPARAM);
    LRESULT OnClose(UINT, WPARAM, LPARAM);
    LRESULT OnEndSession(UINT, WPARAM endingSession, LPARAM);
    LRESULT OnTrayNotify(UINT, WPARAM iconId, LPARAM mouseMessage);
    LRESULT OnForwardedRequest(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCountdownTick(UINT, WPARAM, LPARAM);

    LRESULT OnHelpWebSite(UINT, WPARAM, LPARAM);
    LRESULT OnHelpSupport(UINT, WPARAM, LPARAM);
    LRESULT OnTrayDisplayOff(UINT, WPARAM, LPARAM);
    LRESULT OnTrayLockDisplayOff(UINT, WPARAM, LPARAM);
    LRESULT OnTraySchedule(UINT, WPARAM, LPARAM);
    LRESULT OnTrayHotKeySettings(UINT, WPARAM, LPARAM);
    LRESULT OnTrayNetwork(UINT, WPARAM, LPARAM);
    LRESULT OnTrayCommandsLog(UINT, WPARAM, LPARAM);
    LRESULT OnTrayReceivedLog(UINT, WPARAM, LPARAM);
    LRESULT OnTrayRemoteShutdown(UINT, WPARAM, LPARAM);
    LRESULT OnTrayExit(UINT, WPARAM, LPARAM);
    LRESULT OnChangeHotKey(UINT, WPARAM, LPARAM);
    LRESULT OnClearHotKey(UINT, WPARAM, LPARAM);
    LRESULT OnSysTrayClicked(UINT, WPARAM, LPARAM);

    void ShowStoredHotKey();
    void ApplySchedule(const CScheduleDlg& dialog);
    void StartCountdown(int minutes);

    IMainDialogHost& m_host;
    CNotifyAreaIcon m_trayIcon;
    bool m_trayIconCreated = false;
    HICON m_trayImage = nullptr;
    CCountdown m_countdown;
    std::string m_scheduledAction;
    CHotKeyCtrl m_hotKey;
    HICON m_icon = nullptr;
};
