// The program's icon in the notification area, its popup menu, and its return after the taskbar
// is re-created.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "framework/Controls.h"

class CWnd;

class CNotifyAreaIcon {
public:
    CNotifyAreaIcon();
    CNotifyAreaIcon(const CNotifyAreaIcon&) = delete;
    CNotifyAreaIcon& operator=(const CNotifyAreaIcon&) = delete;
    virtual ~CNotifyAreaIcon();

    // Adds the icon for the owner window; a menu id of 0 means the menu resource has the icon's id.
    bool Create(CWnd* owner, UINT iconId, const char* tip, HICON icon, UINT notifyMessage, UINT menuId = 0);
    void SetDefaultItem(UINT item, bool byPosition);
    bool Hide();
    bool Show();
    bool IsHidden() const { return m_hidden; }

    // The owner passes its notification message here; true when it was for this icon.
    virtual bool OnTrayNotification(WPARAM iconId, LPARAM mouseMessage);

private:
    bool Remove();
    bool Readd();
    bool SetHidden(bool hidden);
    // Sees the hooked window's messages before the window itself does.
    bool HookOwner(HWND window);
    void FilterMessage(UINT message);
    static LRESULT CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                     DWORD_PTR object);

    NOTIFYICONDATAA m_record;
    bool m_added = false;
    bool m_hidden = false;
    CWnd* m_owner = nullptr;
    HWND m_hookedWindow = nullptr;
    CMenu m_menu;
    UINT m_defaultItem = 0;
    bool m_defaultByPosition = true;
};

// The message the shell broadcasts when the taskbar is re-created, registered at program start.
extern const UINT g_taskbarCreatedMessage;
extern CNotifyAreaIcon g_trayIcon;
