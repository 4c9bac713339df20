// The network settings dialog: accepting commands, the computer list, and sending commands.
#pragma once

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "net/ComputerList.h"
#include "net/Sender.h"
#include "settings/NetworkValues.h"

// What the dialog asks of the application that owns the listener.
class INetworkDialogHost {
public:
    // Reopens the listener as the settings now stored say; false when the socket layer could not start.
    virtual bool StartCommandListener() = 0;

protected:
    ~INetworkDialogHost() = default;
};

class CNetworkDialog : public CDialog, private IRemoteSendTarget {
public:
    explicit CNetworkDialog(INetworkDialogHost& host);

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    bool DoDataExchange(CDataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    static const MessageEntry<CNetworkDialog> kMessages[];

    LRESULT OnAddComputer(UINT, WPARAM, LPARAM);
    LRESULT OnRemoveComputer(UINT, WPARAM, LPARAM);
    LRESULT OnSend(UINT, WPARAM, LPARAM);
    LRESULT OnSendAllowedClicked(UINT, WPARAM, LPARAM);
    LRESULT OnSendEnded(UINT, WPARAM, LPARAM);
    LRESULT OnAllowedSenders(UINT, WPARAM, LPARAM);

    void OfferIntroduction();
    void ShowManagedSettings();
    void AppendComputerRow(const std::string& address, const std::string& port);
    void SendCommandToSelected(int command);
    void SendToNext();
    bool ReportFailure(const ComputerEntry& computer, int error);
    // No computer after the one being tried; that one's attempt runs on to its end.
    void EndRound() { m_round.clear(); }
    // Closes now, or hidden at once and closed when the attempt under way has ended.
    void CloseAfterAttempt(INT_PTR result);
    void OnRemoteSendEnded(int error) override;
    void EnableSend();

    INetworkDialogHost& m_host;
    CComboBox m_commandList;
    CListCtrl m_computerList;
    unsigned m_port = kDefaultClientPort;
    int m_accept = 0;
    int m_sendAllowed = 0;
    std::string m_allowedSenders;
    bool m_allowedSendersChanged = false;
    bool m_listRead = false;
    bool m_listChanged = false;
    // Counts OK and Cancel: a closing that finds a later one done when its message box returns stops there.
    unsigned m_closings = 0;

    // The send round: the computers selected at Send, in list order, and the one being tried.
    std::vector<ComputerEntry> m_round;
    std::size_t m_nextInRound = 0;
    ComputerEntry m_trying;
    std::string m_wire;
    std::string m_label;
    CRemoteSend m_sender;
    bool m_sendEnded = false;
    int m_sendError = 0;
    bool m_attemptUnderWay = false;
    // Not 0 while the dialog waits, hidden, for the attempt under way before it closes with this.
    INT_PTR m_resultAfterAttempt = 0;
};
