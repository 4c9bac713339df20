// Dusklamp's application object: start-up, forwarding to a running instance, the one command
// executor, and the hot key filter. It owns the long-lived windows and wires them together.
#pragma once

#include <string>

#include "app/CommandSelection.h"
#include "framework/App.h"
#include "net/CommandSocket.h"
#include "net/NetworkDialog.h"
#include "ui/MainDialog.h"
#include "ui/ScheduleDialog.h"

class CDusklampApp : public CWinApp,
                     private IMainDialogHost,
                     private IReceivedCommandTarget,
                     private INetworkDialogHost {
public:
    CDusklampApp();

    bool InitInstance() override;
    bool PreTranslateMessage(MSG* msg) override;
    int ExitInstance() override;

    // Interprets a command line or a received command text; works on its own copy.
    void DispatchCommand(std::string text);
    // What every trigger ends in: the command line, a second start's message, a received text.
    void Execute(Command command);

private:
    bool ForwardToRunningInstance();

    void OnForwardedRequest(unsigned message) override;
    void OpenNetworkSettings() override;
    void OpenCommandsLog() override;
    void OpenReceivedLog() override;
    void ExecuteReceived(const std::string& text) override;
    std::string NameReceived(const std::string& text) const override;
    bool StartCommandListener() override;

    CCommandSocket m_listener;
    // Serves the ":shutdown" command; the tray menu uses a dialog of its own.
    CScheduleDlg m_scheduleDialog;
    CMainDialog m_mainDialog;
};
