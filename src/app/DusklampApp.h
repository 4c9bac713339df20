// Dusklamp's application object: start-up, forwarding to a running instance, the command
// interpreter, the hot key filter and the display actions.
#pragma once

#include <string>

#include "framework/App.h"
#include "ui/MainDialog.h"
#include "ui/ScheduleDialog.h"

class CDusklampApp : public CWinApp {
public:
    bool InitInstance() override;
    bool PreTranslateMessage(MSG* msg) override;

    // Interprets a command line or a received command text; works on its own copy.
    void DispatchCommand(std::string text);

    void TurnDisplayOff();
    void TurnDisplayOn();
    void LockAndTurnDisplayOff();

    // Registers the stored hot key for this thread; tells the user when the system refuses it.
    void RegisterStoredHotKey();
    void UnregisterStoredHotKey();

    CMainDialog& MainDialog() { return m_mainDialog; }

private:
    bool ForwardToRunningInstance();

    // Serves the ":shutdown" command; the tray menu and a second start use dialogs of their own.
    CScheduleDlg m_scheduleDialog;
    CMainDialog m_mainDialog;
};

extern CDusklampApp g_app;
