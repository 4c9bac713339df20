// The allowed-senders dialog: a malformed entry is named and keeps the dialog open.
#include "net/AllowedSendersDialog.h"

#include "net/AllowedSenders.h"
#include "resource.h"

namespace {

// Enough to recognise an entry by; a pasted page of text must not make a screen-filling box.
const std::size_t kNamedEntryChars = 40;

}  // namespace

CAllowedSendersDialog::CAllowedSendersDialog(CWnd* parent, const std::string& list)
    : CDialog(IDD_ALLOWEDSENDERS, parent), m_list(list)
{
}

bool CAllowedSendersDialog::DoDataExchange(CDataExchange& dx)
{
    if (!dx.Saving())
        return DDX_Text(dx, IDC_SENDERLIST, m_list);
    std::string text;
    DDX_Text(dx, IDC_SENDERLIST, text);
    CAllowedSenders senders;
    std::string entry;
    if (!senders.Parse(text, entry)) {
        if (entry.size() > kNamedEntryChars)
            entry = entry.substr(0, kNamedEntryChars) + "...";
        const std::string message = "\"" + entry
            + "\" is not an IPv4 address or range.\nPlease enter addresses such as 192.168.1.5 and ranges such as "
              "192.168.1.0/24, separated by spaces or commas.";
        return dx.Fail(IDC_SENDERLIST, message.c_str(), MB_ICONEXCLAMATION);
    }
    m_list = senders.Text();
    return true;
}
