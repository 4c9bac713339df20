// The network settings dialog: accepting commands, the computer list, and sending commands.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "settings/NetworkValues.h"

// What the dialog asks of the application that owns the listener.
class INetworkDialogHost {
public:
    // Reopens the listener as the settings now stored say; false when the socket layer could not start.
    virtual bool StartCommandListener() = 0;

protected:
    ~INetworkDialogHost() = default;
};

class CNetworkDialog : public CDialog {
public:
    explicit CNetworkDialog(INetworkDialogHost& host);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    static const MessageEntry<CNetworkDialog> kMessages[];

    LRESULT OnAddComputer(UINT, WPARAM, LPARAM);
    LRESULT OnRemoveComputer(UINT, WPARAM, LPARAM);
    LRESULT OnSend(UINT, WPARAM, LPARAM);
    LRESULT OnSendAllowedClicked(UINT, WPARAM, LPARAM);
    LRESULT OnAllowedSenders(UINT, WPARAM, LPARAM);

    void OfferIntroduction();
    void AppendComputerRow(const std::string& address, const std::string& port);
    void SendCommandToSelected(int command);
    void EnableSend();

    INetworkDialogHost& m_host;
    CComboBox m_commandList;
    CListCtrl m_computerList;
    unsigned m_port = kDefaultClientPort;
    int m_accept = 0;
    int m_sendAllowed = 0;
    std::string m_allowedSenders;
    bool m_allowedSendersChanged = false;
    bool m_sending = false;
    bool m_listRead = false;
};
