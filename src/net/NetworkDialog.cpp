// The network settings dialog: nothing but the introduction flag is stored before OK.
#include "net/NetworkDialog.h"

#include <shellapi.h>

#include "framework/App.h"
#include "framework/Icon.h"
#include "net/AddComputerDialog.h"
#include "net/AllowedSendersDialog.h"
#include "net/CommandTable.h"
#include "net/DataFiles.h"
#include "net/DataPath.h"
#include "net/Sender.h"
#include "resource.h"
#include "settings/NetworkSettings.h"

namespace {

const char kIntroductionPage[] = "https://www.brightfen.example/dusklamp/network/";
const int kAddressColumn = 0;
const int kPortColumn = 1;
const DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;
// Posted to ourselves when a send has ended, so that its failure message runs from the dialog's loop.
const UINT kSendEndedMessage = WM_APP + 1;

// Shows the wait cursor for as long as it lives.
class CWaitCursor {
public:
    CWaitCursor() : m_previous(::SetCursor(::LoadCursorA(nullptr, IDC_WAIT))) {}
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
    ~CWaitCursor() { ::SetCursor(m_previous); }

private:
    HCURSOR m_previous;
};

}  // namespace

const MessageEntry<CNetworkDialog> CNetworkDialog::kMessages[] = {
    {WM_COMMAND, IDC_ADDCOMPUTER, &CNetworkDialog::OnAddComputer},
    {WM_COMMAND, IDC_REMOVECOMPUTER, &CNetworkDialog::OnRemoveComputer},
    {WM_COMMAND, IDC_SEND, &CNetworkDialog::OnSend},
    {WM_COMMAND, IDC_SENDALLOWED, &CNetworkDialog::OnSendAllowedClicked},
    {kSendEndedMessage, 0, &CNetworkDialog::OnSendEnded},
    {WM_COMMAND, IDC_ALLOWEDSENDERS, &CNetworkDialog::OnAllowedSenders},
};

CNetworkDialog::CNetworkDialog(INetworkDialogHost& host)
    : CDialog(IDD_NETWORK), m_host(host), m_sender(*this)
{
}

bool CNetworkDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    // Only clicks: focus and other notifications of the same buttons are not commands.
    if (message == WM_COMMAND && HIWORD(wParam) != BN_CLICKED)
        return CDialog::OnMessage(message, wParam, lParam, result);
    return RouteMessage(this, kMessages, message, wParam, lParam, result)
        || CDialog::OnMessage(message, wParam, lParam, result);
}

bool CNetworkDialog::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_COMMAND, m_commandList);
    DDX_Control(dx, IDC_COMPUTERS, m_computerList);
    return DDX_Unsigned(dx, IDC_PORT, m_port, kLowestPort, kHighestPort) && DDX_Check(dx, IDC_ACCEPT, m_accept)
        && DDX_Check(dx, IDC_SENDALLOWED, m_sendAllowed);
}

bool CNetworkDialog::OnInitDialog()
{
    const CNetworkSettings settings;
    bool accept = false;
    settings.ReadReceiveSettings(accept, m_port);
    m_accept = accept ? 1 : 0;
    m_sendAllowed = settings.ReadSendAllowed() ? 1 : 0;
    // A value that cannot be read shows as an empty list; it is replaced only if the user confirms one.
    m_allowedSenders = settings.ReadAllowedSenders().text;
    CDialog::OnInitDialog();

    // List position equals table index, which is what "LastCommand" stores.
    for (const RemoteCommand& command : kRemoteCommands)
        m_commandList.AddString(command.label);
    ::SetDlgItemTextA(m_hWnd, IDC_LOCALADDRESS, LocalIpAddress().c_str());
    SetWindowIcons(m_hWnd, IDI_DUSKLAMP);

    m_computerList.SetExtendedStyle(kListStyles);
    m_computerList.InsertColumn(kAddressColumn, "IP Address", 200);
    m_computerList.InsertColumn(kPortColumn, "Port", 100);
    std::vector<ComputerEntry> computers;
    m_listRead = ReadComputerList(computers);
    // A long list goes in at once: room made first, and no repainting row by row.
    m_computerList.SetRedraw(false);
    m_computerList.SetItemCount(static_cast<int>(computers.size()));
    for (const ComputerEntry& computer : computers)
        AppendComputerRow(computer.address, computer.port);
    m_computerList.SetRedraw(true);
    EnableSend();
    ShowManagedSettings();

    OfferIntroduction();
    // -1, or an index past the list, leaves no command selected.
    m_commandList.SetCurSel(settings.ReadLastCommand());
    return true;
}

void CNetworkDialog::OfferIntroduction()
{
    const CNetworkSettings settings;
    if (!settings.ReadIntroductionOffered()
        && CWinApp::Current()->ShowMessage(nullptr,
                                           "Would you like to read introduction about Dusklamp Network Settings?",
                                           MB_YESNO | MB_ICONQUESTION)
            == IDYES)
        ::ShellExecuteA(nullptr, "Open", kIntroductionPage, nullptr, nullptr, SW_SHOW);
    // Whatever the answer: the question comes once per user.
    settings.WriteIntroductionOffered();
}

void CNetworkDialog::ShowManagedSettings()
{
    // The boxes show the policy's values; OK stores none of them, whatever the boxes say.
    const ManagedNetworkSettings managed = CNetworkSettings().ReadManaged();
    EnableDlgItem(IDC_ACCEPT, !managed.accept);
    EnableDlgItem(IDC_PORT, !managed.port);
    EnableDlgItem(IDC_SENDALLOWED, !managed.sendAllowed);
    EnableDlgItem(IDC_ALLOWEDSENDERS, !managed.allowedSenders);
    const bool any = managed.accept || managed.port || managed.sendAllowed || managed.allowedSenders;
    ::ShowWindow(GetDlgItem(IDC_MANAGED), any ? SW_SHOW : SW_HIDE);
}

void CNetworkDialog::AppendComputerRow(const std::string& address, const std::string& port)
{
    const int row = m_computerList.AppendItem(address.c_str());
    if (row >= 0)
        m_computerList.SetItemText(row, kPortColumn, port.c_str());
}

void CNetworkDialog::EnableSend()
{
    EnableDlgItem(IDC_SEND, IsDlgButtonChecked(IDC_SENDALLOWED) == BST_CHECKED);
}

LRESULT CNetworkDialog::OnSendAllowedClicked(UINT, WPARAM, LPARAM)
{
    EnableSend();
    return 0;
}

LRESULT CNetworkDialog::OnAddComputer(UINT, WPARAM, LPARAM)
{
    // Duplicates are allowed, and nothing is written until OK.
    CAddComputerDialog dialog(this);
    if (dialog.DoModal() == IDOK) {
        AppendComputerRow(dialog.AddressText(), dialog.PortText());
        m_listChanged = true;
    }
    return 0;
}

LRESULT CNetworkDialog::OnAllowedSenders(UINT, WPARAM, LPARAM)
{
    // The button is greyed then, but a command can still be posted to us.
    if (CNetworkSettings().ReadManaged().allowedSenders)
        return 0;
    // Stored at OK with the rest, and only when confirmed here: a list nobody looked at stays as it is.
    CAllowedSendersDialog dialog(this, m_allowedSenders);
    if (dialog.DoModal() == IDOK) {
        m_allowedSenders = dialog.List();
        m_allowedSendersChanged = true;
    }
    return 0;
}

LRESULT CNetworkDialog::OnRemoveComputer(UINT, WPARAM, LPARAM)
{
    CWinApp* app = CWinApp::Current();
    const int row = m_computerList.GetNextSelected(-1);
    if (row < 0) {
        app->ShowMessage(nullptr, "Please Select the IP Address from the list below.", MB_ICONINFORMATION);
        return 0;
    }
    // Only the first selected row, even when several are selected.
    const std::string address = m_computerList.GetItemText(row, kAddressColumn);
    const std::string port = m_computerList.GetItemText(row, kPortColumn);
    const std::string question = "Are you sure you wish to delete the IP Address " + address + " with Port " + port + "?";
    // The box has no owner, so the list may change while it is open: delete the row asked about.
    if (app->ShowMessage(nullptr, question.c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES
        && m_computerList.GetItemText(row, kAddressColumn) == address
        && m_computerList.GetItemText(row, kPortColumn) == port && m_computerList.DeleteItem(row))
        m_listChanged = true;
    return 0;
}

LRESULT CNetworkDialog::OnSend(UINT, WPARAM, LPARAM)
{
    const int command = m_commandList.GetCurSel();
    if (command < 0 || command >= static_cast<int>(std::size(kRemoteCommands))) {
        CWinApp::Current()->ShowMessage(nullptr, "Please Select the Command to be Sent.", MB_ICONINFORMATION);
        GotoDlgCtrl(m_commandList.GetSafeHwnd());
        return 0;
    }
    SendCommandToSelected(command);
    return 0;
}

void CNetworkDialog::SendCommandToSelected(int command)
{
    // The dialog stays usable while a round runs, so that Esc can stop it: a second Send meanwhile
    // is ignored.
    if (!m_round.empty())
        return;
    for (int row = m_computerList.GetNextSelected(-1); row >= 0; row = m_computerList.GetNextSelected(row))
        m_round.push_back({m_computerList.GetItemText(row, kAddressColumn), m_computerList.GetItemText(row, kPortColumn)});
    if (m_round.empty()) {
        CWinApp::Current()->ShowMessage(nullptr, "Please Select the IP Address below.", MB_ICONINFORMATION);
        return;
    }
    m_nextInRound = 0;
    m_wire = kRemoteCommands[command].wire;
    m_label = FindCommandLabel(m_wire);
    SendToNext();
}

void CNetworkDialog::SendToNext()
{
    // One computer at a time, in list order; a failure's message is answered before the next is tried.
    while (m_nextInRound < m_round.size()) {
        m_trying = m_round[m_nextInRound++];
        // Logged before the attempt, so that every attempt is in the log, reached or not.
        AppendCommandLog(m_trying.address, m_trying.port, m_label);
        int error = 0;
        if (m_sender.Start(m_trying.address, m_trying.port, m_wire, error)) {
            m_attemptUnderWay = true;
            return;  // OnRemoteSendEnded follows
        }
        if (!ReportFailure(m_trying, error))
            return;
    }
    m_round.clear();
}

void CNetworkDialog::OnRemoteSendEnded(int error)
{
    m_sendError = error;
    m_sendEnded = true;
    m_attemptUnderWay = false;
    ::PostMessageA(m_hWnd, kSendEndedMessage, 0, 0);
}

LRESULT CNetworkDialog::OnSendEnded(UINT, WPARAM, LPARAM)
{
    // Only the one we posted: another program's copy must not move the round on.
    if (!m_sendEnded)
        return 0;
    m_sendEnded = false;
    // Closed while it was under way: however it went, the user has left and hears nothing of it.
    if (m_resultAfterAttempt != 0) {
        EndDialog(m_resultAfterAttempt);
        return 0;
    }
    if (m_sendError == 0 || ReportFailure(m_trying, m_sendError))
        SendToNext();
    return 0;
}

bool CNetworkDialog::ReportFailure(const ComputerEntry& computer, int error)
{
    const std::string message = ConnectFailureMessage(computer.address, computer.port, error);
    CWinApp::Current()->ShowMessage(nullptr, message.c_str(), MB_ICONERROR);
    // The box has no owner, so the dialog may have been closed, or the program told to exit,
    // while it was open: then the round has ended with it.
    return m_hWnd && !m_round.empty();
}

void CNetworkDialog::CloseAfterAttempt(INT_PTR result)
{
    // Dropping a connection that the computer may have accepted already would hand it a
    // connection with no text, which every Dusklamp takes for "turn the display off": the
    // attempt under way ends first (connected and sent, refused, or timed out), with no message.
    if (!m_attemptUnderWay) {
        EndDialog(result);
        return;
    }
    m_resultAfterAttempt = result;
    HideUntilClosed();
}

void CNetworkDialog::OnCancel()
{
    ++m_closings;
    EndRound();
    CloseAfterAttempt(IDCANCEL);
}

void CNetworkDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    const unsigned closing = ++m_closings;
    CWaitCursor wait;
    // Taken before any message box can run a loop in which the dialog might change or go away.
    std::vector<ComputerEntry> computers;
    for (int row = 0; row < m_computerList.GetItemCount(); ++row)
        computers.push_back({m_computerList.GetItemText(row, kAddressColumn), m_computerList.GetItemText(row, kPortColumn)});
    const bool sendAllowed = m_sendAllowed != 0;
    EndRound();

    const CNetworkSettings settings;
    settings.WriteLastCommand(m_commandList.GetCurSel());
    settings.WriteReceiveSettings(m_accept != 0, m_port);
    if (m_allowedSendersChanged)
        settings.WriteAllowedSenders(m_allowedSenders);
    // With the box cleared a running listener is left alone: it serves until the program ends.
    if (m_accept != 0 && !m_host.StartCommandListener())
        CWinApp::Current()->ShowMessage(nullptr, "Could not wait for Commands from Remote Dusklamp.", MB_ICONERROR);
    // The box has no owner: an OK or Cancel pressed while it was open has done what was left.
    if (closing != m_closings || !m_hWnd)
        return;
    // Rewritten only when changed here, so an unchanged list stays byte for byte as it was. A list
    // that could not be read at opening is never replaced by what the dialog showed, which was not
    // the user's list; the user hears that the changes are lost.
    if (m_listChanged && m_listRead)
        WriteComputerList(computers);
    else if (m_listChanged) {
        const std::string message = "Your changes to the computer list were not saved: \"" + DataFile(kComputerListFile)
            + "\" could not be read when this window opened.";
        CWinApp::Current()->ShowMessage(nullptr, message.c_str(), MB_ICONERROR);
        if (closing != m_closings || !m_hWnd)
            return;
    }
    settings.WriteSendAllowed(sendAllowed);
    CloseAfterAttempt(IDOK);
}
