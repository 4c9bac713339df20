// Starting the command listener from the stored network settings.
#include "net/CommandSocket.h"

#include "framework/App.h"
#include "settings/NetworkSettings.h"

bool StartCommandListener(CCommandSocket& listener)
{
    const CNetworkSettings settings;
    if (!settings.IsNetworkUsed())
        return true;
    if (!CAsyncSocket::InitSocketLayer()) {
        CWinApp::Current()->ShowMessage(nullptr, "WinSock Initialisation Failed.", MB_ICONERROR);
        return false;
    }
    bool accept = false;
    unsigned port = 0;
    settings.ReadReceiveSettings(accept, port);
    if (!accept)
        return true;
    // A port that is taken, or out of range, simply leaves no listener: nothing is reported.
    listener.Open(port);
    return true;
}
