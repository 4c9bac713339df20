// Dusklamp's application object: start-up, forwarding to a running instance, the one command
// executor, and the hot key filter. It owns the long-lived windows and wires them together.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "actions/Display.h"
#include "app/CommandSelection.h"
#include "app/InstanceLock.h"
#include "framework/App.h"
#include "net/CommandSocket.h"
#include "net/NetworkDialog.h"
#include "ui/MainDialog.h"
#include "ui/ScheduleDialog.h"
#include "ui/WakeGuard.h"

class CDusklampApp : public CWinApp,
                     private IMainDialogHost,
                     private IReceivedCommandTarget,
                     private INetworkDialogHost {
public:
    CDusklampApp();

    bool InitInstance() override;
    bool PreTranslateMessage(MSG* msg) override;
    bool ProcessMessageFilter(int code, MSG* msg) override;
    int ExitInstance() override;

    // Interprets a command line or a received command text; works on its own copy.
    void DispatchCommand(std::string text);
    // What every trigger ends in: the command line, a second start's message, the tray menu, the
    // hot key, a received text.
    void Execute(Command command);

private:
    bool ForwardToRunningInstance();
    // False when this start is to stay resident (it then holds the session's lock). True when
    // another instance is there: running is its window, or nullptr when the lock's holder has
    // shown none in time.
    bool FindRunningInstance(HWND& running);
    // The hot key, in whichever loop its message turns up; true when it was one.
    bool OnHotKey(const MSG& msg);
    void OpenNetworkSettings();

    void OnRequest(unsigned message) override;
    void OpenCommandsLog() override;
    void OpenReceivedLog() override;
    void OnKeepDisplayOffChanged(bool keep) override;
    void OnMainWindowDestroyed() override;
    void ExecuteReceived(const std::string& text) override;
    std::string NameReceived(const std::string& text) const override;
    bool StartCommandListener() override;

    CInstanceLock m_instanceLock;
    CDisplayPower m_display;
    CWakeGuard m_wakeGuard;
    CCommandSocket m_listener;
    // Serves every schedule request; it reads its presets afresh each time it opens.
    CScheduleDlg m_scheduleDialog;
    std::unique_ptr<CNetworkDialog> m_networkDialog;
    std::vector<std::unique_ptr<CNetworkDialog>> m_endingNetworkDialogs;
    CMainDialog m_mainDialog;
};
