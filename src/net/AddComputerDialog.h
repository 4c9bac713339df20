// The add-computer dialog: one computer's IPv4 address and port.
#pragma once

#include <string>

#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "settings/NetworkValues.h"

class CAddComputerDialog : public CDialog {
public:
    explicit CAddComputerDialog(CWnd* parent);

    // Valid after the dialog ended with IDOK: the address in dotted decimal, the port in decimal.
    std::string AddressText() const;
    std::string PortText() const { return std::to_string(m_port); }

protected:
    bool DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;

private:
    BYTE m_address[4] = {};
    CIPAddressCtrl m_addressControl;
    unsigned m_port = kDefaultClientPort;
};
