// The notification-area icon: its notifications, real clicks, visibility and return.
#include "DusklampTest.h"

using namespace harness;

namespace {

const UINT kIconId = IDR_TRAYMENU;  // the icon takes its menu's id

class TrayTest : public DusklampTest {};

TEST_F(TrayTest, DoubleClickNotificationBlanksAndOtherNotificationsDoNothing)
{
    ASSERT_TRUE(StartResident(":silent"));
    ::SendMessageA(m_main, UM_TRAYNOTIFY, kIconId + 1, WM_LBUTTONDBLCLK);  // not our icon
    ::SendMessageA(m_main, UM_TRAYNOTIFY, kIconId, WM_LBUTTONUP);
    ::SendMessageA(m_main, UM_TRAYNOTIFY, kIconId, WM_MOUSEMOVE);
    EXPECT_TRUE(m_watcher.PowerEvents().empty());

    // Sent, so the default item has run by the time the call returns.
    ::SendMessageA(m_main, UM_TRAYNOTIFY, kIconId, WM_LBUTTONDBLCLK);
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOff}));
}

TEST_F(TrayTest, RealRightClickOpensMenuAndItsFirstItemBlanks)
{
    ASSERT_TRUE(StartResident(":silent"));
    ASSERT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(m_main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_CHECKED) << "shown by default";
    RightClickAt(kTrayIconPoint);
    ASSERT_TRUE(WaitUntil([&] { return !FindWindows(m_app.Id(), "#32768", nullptr).empty(); }));
    PressKeys({VK_DOWN});
    PressKeys({VK_RETURN});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEventAt(0).power, kPowerOff);
    EXPECT_TRUE(WaitUntil([&] { return FindWindows(m_app.Id(), "#32768", nullptr).empty(); }));
}

TEST_F(TrayTest, CheckBoxStoresChoiceAndIconFollowsAndHiddenIconReturnsWithANewTaskbar)
{
    WriteSetting("SysTray", DWORD(0));
    ASSERT_TRUE(StartResident(":settings"));
    EXPECT_EQ(::SendDlgItemMessageA(m_main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(WaitForTrayIcon(false));

    // Wine never announces a new taskbar itself; this is what a restarted shell sends.
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(m_main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // The icon's own hidden flag decides: the first tick stores 1 and shows what already shows.
    for (DWORD stored : {1, 0, 1}) {
        ::SendDlgItemMessageA(m_main, IDC_SYSTRAY, BM_CLICK, 0, 0);
        EXPECT_EQ(ReadSettingInt("SysTray"), stored);
        EXPECT_TRUE(WaitForTrayIcon(stored == 1));
    }
}

// Menus cannot be read from another process: what each click stores shows the tick it found.
TEST_F(TrayTest, StartWithWindowsAddsAndRemovesTheUsersEntryAndReplacesOneThatStartsAnotherCopy)
{
    const std::string ours = "\"" + Process::Folder() + "dusklamp.exe\" :silent";
    WriteRunEntry(HKEY_CURRENT_USER, "\"C:\\Elsewhere\\dusklamp.exe\" :silent");
    ASSERT_TRUE(StartResident(":silent"));
    for (bool added : {true, false, true}) {
        ASSERT_TRUE(::PostMessageA(m_main, UM_TRAYNOTIFY, kIconId, WM_RBUTTONUP));
        ASSERT_TRUE(WaitUntil([&] { return FindWindows(m_app.Id(), "#32768", nullptr).size() == 1; }));
        // The fourth item, right after "Keep Display Off Until a Key Is Pressed".
        for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
            PressKeys({key});
        EXPECT_TRUE(WaitUntil([&] {
            const std::optional<std::string> entry = ReadRunEntry(HKEY_CURRENT_USER);
            return added ? entry && ::lstrcmpiA(entry->c_str(), ours.c_str()) == 0 : !entry;
        })) << "added " << added << ": " << ReadRunEntry(HKEY_CURRENT_USER).value_or("(none)");
        ASSERT_TRUE(WaitUntil([&] { return FindWindows(m_app.Id(), "#32768", nullptr).empty(); }));
    }
    EXPECT_TRUE(m_watcher.PowerEvents().empty()) << "no other item was chosen";
}

}  // namespace
