// The notification-area icon: its notifications, real clicks, visibility and return.
#include "DusklampTest.h"

using namespace harness;

namespace {

const UINT kIconId = IDR_TRAYMENU;  // the icon takes its menu's id

class TrayTest : public DusklampTest {};

TEST_F(TrayTest, DoubleClickNotificationBlanksAndOtherNotificationsDoNothing)
{
    HWND main = StartResident(":silent");
    ASSERT_NE(main, nullptr);
    ::SendMessageA(main, UM_TRAYNOTIFY, kIconId + 1, WM_LBUTTONDBLCLK);  // not our icon
    ::SendMessageA(main, UM_TRAYNOTIFY, kIconId, WM_LBUTTONUP);
    ::SendMessageA(main, UM_TRAYNOTIFY, kIconId, WM_MOUSEMOVE);
    EXPECT_TRUE(m_watcher.PowerEvents().empty());

    // Sent, so the default item has run by the time the call returns.
    ::SendMessageA(main, UM_TRAYNOTIFY, kIconId, WM_LBUTTONDBLCLK);
    ExpectBroadcastsBeforeProbe(main, {kPowerOff});
}

TEST_F(TrayTest, RealRightClickOpensMenuAndItsFirstItemBlanks)
{
    HWND main = StartResident(":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTrayIcon(true));
    RightClickAt(kTrayIconPoint);
    ASSERT_TRUE(WaitUntil([&] { return FindPopupMenu(m_app.Id()) != nullptr; }));
    PressKeys({VK_DOWN});
    PressKeys({VK_RETURN});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEvents()[0].power, kPowerOff);
    EXPECT_TRUE(WaitUntil([&] { return FindPopupMenu(m_app.Id()) == nullptr; }));
}

TEST_F(TrayTest, CheckBoxStoresChoiceAndIconFollows)
{
    HWND main = StartResident(":settings");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_CHECKED);
    for (DWORD stored : {0, 1}) {
        ::SendDlgItemMessageA(main, IDC_SYSTRAY, BM_CLICK, 0, 0);
        EXPECT_EQ(ReadSettingInt("SysTray"), stored);
        EXPECT_TRUE(WaitForTrayIcon(stored == 1));
    }
}

TEST_F(TrayTest, HiddenIconReturnsVisibleWhenTaskbarIsRecreated)
{
    WriteSetting("SysTray", DWORD(0));
    HWND main = StartResident(":silent");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(::SendDlgItemMessageA(main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(WaitForTrayIcon(false));

    // Wine never announces a new taskbar itself; this is what a restarted shell sends.
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(main, IDC_SYSTRAY, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // The icon's own hidden flag decides: ticking the box stores 1 and shows what already shows.
    ::SendDlgItemMessageA(main, IDC_SYSTRAY, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadSettingInt("SysTray"), DWORD(1));
    EXPECT_TRUE(WaitForTrayIcon(true));
}

}  // namespace
