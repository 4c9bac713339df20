// The network settings dialog: nothing but the introduction flag is stored before OK.
#include "net/NetworkDialog.h"

#include <shellapi.h>

#include "framework/App.h"
#include "framework/Icon.h"
#include "net/AddComputerDialog.h"
#include "net/AllowedSendersDialog.h"
#include "net/CommandTable.h"
#include "net/DataFiles.h"
#include "net/Sender.h"
#include "resource.h"
#include "settings/NetworkSettings.h"

namespace {

const char kIntroductionPage[] = "https://www.brightfen.example/dusklamp/network/";
const int kAddressColumn = 0;
const int kPortColumn = 1;
const DWORD kListStyles = LVS_EX_GRIDLINES | LVS_EX_HEADERDRAGDROP | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB;

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
    {WM_COMMAND, IDC_ALLOWEDSENDERS, &CNetworkDialog::OnAllowedSenders},
};

CNetworkDialog::CNetworkDialog(INetworkDialogHost& host)
    : CDialog(IDD_NETWORK), m_host(host)
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
    m_allowedSenders = settings.ReadAllowedSenders();
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
    for (const ComputerEntry& computer : computers)
        AppendComputerRow(computer.address, computer.port);
    EnableSend();

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
    if (dialog.DoModal() == IDOK)
        AppendComputerRow(dialog.AddressText(), dialog.PortText());
    return 0;
}

LRESULT CNetworkDialog::OnAllowedSenders(UINT, WPARAM, LPARAM)
{
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
        && m_computerList.GetItemText(row, kPortColumn) == port)
        m_computerList.DeleteItem(row);
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
    // The failure messages have no owner and leave the dialog enabled: a second Send meanwhile
    // would start another round inside this one.
    if (m_sending)
        return;
    CWinApp* app = CWinApp::Current();
    int row = m_computerList.GetNextSelected(-1);
    if (row < 0) {
        app->ShowMessage(nullptr, "Please Select the IP Address below.", MB_ICONINFORMATION);
        return;
    }
    m_sending = true;
    // No input for the dialog until the round ends, not even while a failure message is open
    // (they have no owner); and a round whose dialog went away meanwhile (the program was told to
    // exit from the tray) stops rather than going on over rows that no longer exist.
    const HWND dialog = m_hWnd;
    ::EnableWindow(dialog, FALSE);
    const char* wire = kRemoteCommands[command].wire;
    const std::string label = FindCommandLabel(wire);
    while (row >= 0 && m_hWnd == dialog) {
        const int next = m_computerList.GetNextSelected(row);
        const std::string address = m_computerList.GetItemText(row, kAddressColumn);
        const std::string port = m_computerList.GetItemText(row, kPortColumn);
        // Logged before the attempt, so that every attempt is in the log, reached or not.
        AppendCommandLog(address, port, label);
        int error = 0;
        if (!SendRemoteCommand(address, port, wire, error))
            app->ShowMessage(nullptr, ConnectFailureMessage(address, port, error).c_str(), MB_ICONERROR);
        row = next;
    }
    m_sending = false;
    if (m_hWnd == dialog) {
        ::EnableWindow(dialog, TRUE);
        ::SetForegroundWindow(dialog);
    }
}

void CNetworkDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    CWaitCursor wait;
    // Taken before any message box can run a loop in which the dialog might go away.
    std::vector<ComputerEntry> computers;
    for (int row = 0; row < m_computerList.GetItemCount(); ++row)
        computers.push_back({m_computerList.GetItemText(row, kAddressColumn), m_computerList.GetItemText(row, kPortColumn)});

    const CNetworkSettings settings;
    settings.WriteLastCommand(m_commandList.GetCurSel());
    settings.WriteReceiveSettings(m_accept != 0, m_port);
    if (m_allowedSendersChanged)
        settings.WriteAllowedSenders(m_allowedSenders);
    // With the box cleared a running listener is left alone: it serves until the program ends.
    if (m_accept != 0 && !m_host.StartCommandListener())
        CWinApp::Current()->ShowMessage(nullptr, "Could not wait for Commands from Remote Dusklamp.", MB_ICONERROR);
    // A list that could not be read at opening is left as it is rather than replaced by what the
    // dialog showed, which was not the user's list.
    if (m_listRead)
        WriteComputerList(computers);
    settings.WriteSendAllowed(m_sendAllowed != 0);
    EndDialog(IDOK);
}
