// The program's icon in the notification area, its popup menu, and its return after the taskbar
// is re-created. The owner window offers it every message first (FilterMessage).
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
    ~CNotifyAreaIcon();

    // Adds the icon for the owner window; a menu id of 0 means the menu resource has the icon's id.
    bool Create(CWnd* owner, UINT iconId, const char* tip, HICON icon, UINT notifyMessage, UINT menuId = 0);
    void SetDefaultItem(UINT item, bool byPosition);
    bool Hide();
    bool Show();
    bool IsHidden() const { return m_hidden; }

    // The owner passes its notification message here; true when it was for this icon.
    bool OnTrayNotification(WPARAM iconId, LPARAM mouseMessage);
    // Sees each of the owner's messages before the owner handles it, and never consumes one.
    void FilterMessage(UINT message);

private:
    bool Remove();
    bool Readd();
    bool SetHidden(bool hidden);

    NOTIFYICONDATAA m_record;
    bool m_added = false;
    bool m_hidden = false;
    CWnd* m_owner = nullptr;
    // The shell's message when the taskbar is re-created, registered with the object.
    UINT m_taskbarCreatedMessage;
    bool m_menuOpen = false;
    CMenu m_menu;
    UINT m_defaultItem = 0;
    bool m_defaultByPosition = true;
};
