// Small holders for the controls and menus the program uses: a window handle and typed messages.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

// A control of a dialog, attached by the dialog's data exchange.
class CControl {
public:
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
};

// A hot key control: low byte the virtual-key code, high byte its HOTKEYF_ flags.
class CHotKeyCtrl : public CControl {
public:
    WORD GetHotKey() const { return static_cast<WORD>(Send(HKM_GETHOTKEY)); }
    void SetHotKey(WORD value) { Send(HKM_SETHOTKEY, value); }
};

// A drop-down list; indexes are 0-based and -1 means no selection.
class CComboBox : public CControl {
public:
    int AddString(const char* text) { return static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))); }
    int GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
    // An index outside the list clears the selection.
    void SetCurSel(int index) { Send(CB_SETCURSEL, static_cast<WPARAM>(index)); }
    // Selects the first item, from the top, that begins with the text, ignoring case.
    int SelectString(const char* prefix)
    {
        return static_cast<int>(Send(CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(prefix)));
    }
    std::string GetLBText(int index) const;
};

// A report-view list of rows with text columns.
class CListCtrl : public CControl {
public:
    void SetExtendedStyle(DWORD styles) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(styles)); }
    bool InsertColumn(int column, const char* heading, int width);
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    // Room for this many rows at once, rather than growing row by row.
    void SetItemCount(int count) { Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count)); }
    // Off while many rows go in: each would otherwise repaint the list.
    void SetRedraw(bool redraw)
    {
        Send(WM_SETREDRAW, redraw ? TRUE : FALSE);
        if (redraw)
            ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    // Appends a row with its first column; -1 when it could not be added.
    int AppendItem(const char* text);
    bool SetItemText(int row, int column, const char* text);
    std::string GetItemText(int row, int column) const;
    // The next selected row after the given one (-1: from the top), or -1.
    int GetNextSelected(int after) const
    {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(after), MAKELPARAM(LVNI_SELECTED, 0)));
    }
    bool DeleteItem(int row) { return Send(LVM_DELETEITEM, static_cast<WPARAM>(row)) != FALSE; }
};

// An IP address control: four fields of 0 to 255, any of them possibly empty.
class CIPAddressCtrl : public CControl {
public:
    bool IsBlank() const { return Send(IPM_ISBLANK) != 0; }
    // Empty fields among filled ones read as 0.
    void GetAddress(BYTE& a, BYTE& b, BYTE& c, BYTE& d) const;
};

// A menu loaded from the resources, destroyed with its holder.
class CMenu {
public:
    CMenu() = default;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;
    ~CMenu() { DestroyMenu(); }

    bool LoadMenu(HINSTANCE instance, UINT id)
    {
        DestroyMenu();
        m_menu = ::LoadMenuA(instance, MAKEINTRESOURCEA(id));
        return m_menu != nullptr;
    }
    void DestroyMenu()
    {
        if (m_menu) {
            ::DestroyMenu(m_menu);
            m_menu = nullptr;
        }
    }
    HMENU GetSafeHmenu() const { return m_menu; }
    HMENU GetSubMenu(int position) const { return m_menu ? ::GetSubMenu(m_menu, position) : nullptr; }

private:
    HMENU m_menu = nullptr;
};
