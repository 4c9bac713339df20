// Notification-area icon: adding, hiding and re-adding it, and turning clicks into menu commands.
#include "ui/NotifyAreaIcon.h"

#include <shlwapi.h>

#include <cstring>

#include "framework/App.h"
#include "framework/Wnd.h"
#include "ui/TrayLogic.h"

namespace {

const UINT kMessageIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// The sizes the shell tells the forms apart by, for this build's processor; the record's storage
// is the newest form.
static_assert(NotifyIconRecordSize(4) == NOTIFYICONDATAA_V1_SIZE, "first form");
static_assert(NotifyIconRecordSize(5) == NOTIFYICONDATAA_V2_SIZE, "second form");
static_assert(NotifyIconRecordSize(6) == sizeof(NOTIFYICONDATAA), "the record's storage is the newest form");

int ShellMajorVersion()
{
    static const int version = [] {
        int major = 4;
        HMODULE shell = ::GetModuleHandleA("shell32.dll");
        auto getVersion = shell ? reinterpret_cast<DLLGETVERSIONPROC>(
                                      reinterpret_cast<void*>(::GetProcAddress(shell, "DllGetVersion")))
                                : nullptr;
        if (getVersion) {
            DLLVERSIONINFO info = {};
            info.cbSize = sizeof(info);
            if (getVersion(&info) >= 0)
                major = static_cast<int>(info.dwMajorVersion);
        }
        return major;
    }();
    return version;
}

}  // namespace

CNotifyAreaIcon::CNotifyAreaIcon()
    : m_taskbarCreatedMessage(::RegisterWindowMessageA("TaskbarCreated"))
{
    std::memset(&m_record, 0, sizeof(m_record));
    m_record.cbSize = NotifyIconRecordSize(ShellMajorVersion());
}

CNotifyAreaIcon::~CNotifyAreaIcon()
{
    Remove();
}

bool CNotifyAreaIcon::Create(CWnd* owner, UINT iconId, const char* tip, HICON icon, UINT notifyMessage,
                             UINT menuId)
{
    if (!m_menu.LoadMenu(CWinApp::Current()->GetInstanceHandle(), menuId ? menuId : iconId))
        return false;
    HMENU popup = m_menu.GetSubMenu(0);
    if (!popup)
        return false;
    ::SetMenuDefaultItem(popup, m_defaultItem, m_defaultByPosition);

    m_owner = owner;
    m_record.uFlags = kMessageIconFlags;
    m_record.hWnd = owner->GetSafeHwnd();
    m_record.uID = iconId;
    m_record.uCallbackMessage = notifyMessage;
    m_record.hIcon = icon;
    const std::size_t tipSize = m_record.cbSize == NotifyIconRecordSize(4) ? 64 : sizeof(m_record.szTip);
    ::lstrcpynA(m_record.szTip, tip, static_cast<int>(tipSize));
    m_added = ::Shell_NotifyIconA(NIM_ADD, &m_record) != FALSE;
    if (SendsVersionRequest(ShellMajorVersion())) {
        m_record.uVersion = NOTIFYICON_VERSION;
        ::Shell_NotifyIconA(NIM_SETVERSION, &m_record);
    }
    return m_added;
}

void CNotifyAreaIcon::SetDefaultItem(UINT item, bool byPosition)
{
    m_defaultItem = item;
    m_defaultByPosition = byPosition;
    if (HMENU popup = m_menu.GetSubMenu(0))
        ::SetMenuDefaultItem(popup, item, byPosition);
}

bool CNotifyAreaIcon::SetHidden(bool hidden)
{
    m_record.uFlags = NIF_STATE;
    m_record.dwState = hidden ? NIS_HIDDEN : 0;
    m_record.dwStateMask = NIS_HIDDEN;
    if (!::Shell_NotifyIconA(NIM_MODIFY, &m_record))
        return false;
    m_hidden = hidden;
    return true;
}

bool CNotifyAreaIcon::Hide()
{
    return SetHidden(true);
}

bool CNotifyAreaIcon::Show()
{
    return SetHidden(false);
}

bool CNotifyAreaIcon::Remove()
{
    if (!m_added)
        return true;
    m_record.uFlags = 0;
    const bool removed = ::Shell_NotifyIconA(NIM_DELETE, &m_record) != FALSE;
    m_added = false;
    return removed;
}

bool CNotifyAreaIcon::Readd()
{
    m_record.uFlags = kMessageIconFlags;
    if (::Shell_NotifyIconA(NIM_ADD, &m_record))
        m_added = true;
    return m_added;
}

bool CNotifyAreaIcon::OnTrayNotification(WPARAM iconId, LPARAM mouseMessage)
{
    const TrayAction action =
        TrayActionFor(static_cast<unsigned>(iconId), m_record.uID, static_cast<unsigned>(mouseMessage));
    if (action == TrayAction::NotOurs)
        return false;
    HMENU popup = m_menu.GetSubMenu(0);
    HWND owner = m_owner ? m_owner->GetSafeHwnd() : nullptr;
    if (!popup || !owner)
        return true;

    switch (action) {
    case TrayAction::ShowMenu: {
        // The menu's own loop dispatches posted messages: a flood of notifications must not
        // open menus inside menus.
        if (m_menuOpen)
            break;
        m_menuOpen = true;
        POINT cursor;
        ::GetCursorPos(&cursor);
        // Unless the owner is in the foreground the menu stays open when the user clicks elsewhere,
        // and the WM_NULL afterwards makes a second click on the icon work at once.
        ::SetForegroundWindow(owner);
        ::TrackPopupMenu(popup, 0, cursor.x, cursor.y, 0, owner, nullptr);
        ::PostMessageA(owner, WM_NULL, 0, 0);
        m_menuOpen = false;
        break;
    }
    case TrayAction::RunDefaultItem: {
        ::SetForegroundWindow(owner);
        const UINT item = ::GetMenuDefaultItem(popup, FALSE, GMDI_GOINTOPOPUPS);
        if (item != static_cast<UINT>(-1))
            ::SendMessageA(owner, WM_COMMAND, item, 0);
        break;
    }
    case TrayAction::NotOurs:
    case TrayAction::Nothing:
        break;
    }
    return true;
}

void CNotifyAreaIcon::FilterMessage(UINT message)
{
    if (message == m_taskbarCreatedMessage) {
        // The new taskbar may still hold our old icon, and refuses a second add of it.
        Remove();
        Readd();
    } else if (message == WM_DESTROY) {
        Remove();
    }
}
