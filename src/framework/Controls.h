// Small holders for the controls and menus the program uses.
#pragma once

#include <windows.h>
#include <commctrl.h>

// A hot key control: low byte the virtual-key code, high byte its HOTKEYF_ flags.
class CHotKeyCtrl {
public:
    void Attach(HWND hwnd) { m_hWnd = hwnd; }
    HWND GetSafeHwnd() const { return m_hWnd; }
    WORD GetHotKey() const { return static_cast<WORD>(::SendMessageA(m_hWnd, HKM_GETHOTKEY, 0, 0)); }
    void SetHotKey(WORD value) { ::SendMessageA(m_hWnd, HKM_SETHOTKEY, value, 0); }

private:
    HWND m_hWnd = nullptr;
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
