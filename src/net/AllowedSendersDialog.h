// The allowed-senders dialog: the computers whose commands this one takes, checked at OK.
#pragma once

#include <string>

#include "framework/Dialog.h"

class CAllowedSendersDialog : public CDialog {
public:
    CAllowedSendersDialog(CWnd* parent, const std::string& list);

    // After OK: the list as entered, in its shortest form.
    const std::string& List() const { return m_list; }

protected:
    bool DoDataExchange(CDataExchange& dx) override;

private:
    std::string m_list;
};
