// The control holders' messages that need buffers or records.
#include "framework/Controls.h"

#include <vector>

std::string CComboBox::GetLBText(int index) const
{
    const LRESULT length = Send(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
    if (length == CB_ERR)
        return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1, '\0');
    if (Send(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data())) == CB_ERR)
        return std::string();
    return std::string(text.data());
}

bool CListCtrl::InsertColumn(int column, const char* heading, int width)
{
    LVCOLUMNA info = {};
    info.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    info.fmt = LVCFMT_LEFT;
    info.cx = width;
    info.pszText = const_cast<char*>(heading);
    info.iSubItem = column;
    return Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&info)) != -1;
}

int CListCtrl::AppendItem(const char* text)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = GetItemCount();
    item.pszText = const_cast<char*>(text);
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListCtrl::SetItemText(int row, int column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)) != FALSE;
}

std::string CListCtrl::GetItemText(int row, int column) const
{
    // The control copies at most the buffer's size and says how much it copied: grow until it fits.
    for (int size = 64; size <= 65536; size *= 4) {
        std::vector<char> text(static_cast<std::size_t>(size), '\0');
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = size;
        const LRESULT copied = Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        if (copied < size - 1)
            return std::string(text.data());
    }
    return std::string();
}

void CIPAddressCtrl::GetAddress(BYTE& a, BYTE& b, BYTE& c, BYTE& d) const
{
    DWORD address = 0;
    Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
    a = static_cast<BYTE>(FIRST_IPADDRESS(address));
    b = static_cast<BYTE>(SECOND_IPADDRESS(address));
    c = static_cast<BYTE>(THIRD_IPADDRESS(address));
    d = static_cast<BYTE>(FOURTH_IPADDRESS(address));
}
