// The add-computer dialog: the port is checked by data exchange, the address here.
#include "net/AddComputerDialog.h"

#include "framework/App.h"
#include "resource.h"

CAddComputerDialog::CAddComputerDialog(CWnd* parent)
    : CDialog(IDD_ADDCOMPUTER, parent)
{
}

std::string CAddComputerDialog::AddressText() const
{
    return std::to_string(m_address[0]) + "." + std::to_string(m_address[1]) + "." + std::to_string(m_address[2])
        + "." + std::to_string(m_address[3]);
}

bool CAddComputerDialog::DoDataExchange(CDataExchange& dx)
{
    DDX_Control(dx, IDC_IPADDRESS, m_addressControl);
    return DDX_Unsigned(dx, IDC_NEWPORT, m_port, kLowestPort, kHighestPort);
}

void CAddComputerDialog::OnOK()
{
    if (!UpdateData(true))
        return;
    if (m_addressControl.IsBlank()) {
        CWinApp::Current()->ShowMessage(nullptr, "Please Enter the IP Address of the new Computer and Port Number",
                                        MB_OK | MB_ICONQUESTION);
        GotoDlgCtrl(m_addressControl.GetSafeHwnd());
        return;
    }
    m_addressControl.GetAddress(m_address[0], m_address[1], m_address[2], m_address[3]);
    EndDialog(IDOK);
}
