// The hidden main window: settings window when shown, and target of every private and tray message.
#pragma once

#include <functional>
#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "ui/Countdown.h"
#include "ui/NotifyAreaIcon.h"

class CScheduleDlg;

// What the main window asks of the application that owns it.
class IMainDialogHost {
public:
    // A request, as the private message a second start sends for it; the tray menu's items that
    // ask the same things ask by the same numbers.
    virtual void OnRequest(unsigned message) = 0;
    virtual void OpenCommandsLog() = 0;
    virtual void OpenReceivedLog() = 0;
    // The user has switched keeping the display dark until a key is pressed on or off (stored).
    virtual void OnKeepDisplayOffChanged(bool keep) = 0;
    // The window is gone, by Exit or by the end of the session.
    virtual void OnMainWindowDestroyed() = 0;

protected:
    ~IMainDialogHost() = default;
};

class CMainDialog : public CDialog {
public:
    explicit CMainDialog(IMainDialogHost& host);

    // Opens a schedule dialog beside any other and, once it is confirmed, takes over its choice,
    // replacing any pending schedule, and calls turnDisplayOff when the choice asks for that too.
    void OpenScheduleDialog(CScheduleDlg& dialog, std::function<void()> turnDisplayOff);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    // Enter and Esc must neither close nor hide the window.
    void OnOK() override {}
    void OnCancel() override {}
    void PostNcDestroy() override { m_host.OnMainWindowDestroyed(); }

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
    LRESULT OnTrayRequest(UINT, WPARAM command, LPARAM);
    LRESULT OnTrayCommandsLog(UINT, WPARAM, LPARAM);
    LRESULT OnTrayReceivedLog(UINT, WPARAM, LPARAM);
    LRESULT OnTrayRemoteShutdown(UINT, WPARAM, LPARAM);
    LRESULT OnTrayExit(UINT, WPARAM, LPARAM);
    LRESULT OnTrayKeepDark(UINT, WPARAM, LPARAM);
    LRESULT OnTrayStartWithWindows(UINT, WPARAM, LPARAM);
    LRESULT OnShowWindow(UINT message, WPARAM shown, LPARAM lParam);
    LRESULT OnInitMenuPopup(UINT, WPARAM menu, LPARAM);
    LRESULT OnChangeHotKey(UINT, WPARAM, LPARAM);
    LRESULT OnClearHotKey(UINT, WPARAM, LPARAM);
    LRESULT OnSysTrayClicked(UINT, WPARAM, LPARAM);

    void ShowStoredHotKey();
    // Disables what a policy sets and shows the note then; with values, also shows the policy's.
    void ShowManagedSettings(bool values);
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
