// The notification-area icon: its notifications, menu commands, visibility and return.
#include "DusklampTest.h"

#include <ostream>

using namespace harness;

namespace {

const UINT kTrayNotify = WM_USER + 300;
const UINT kTrayIconId = 133;
const int kIdcSysTray = 1004;

class TrayTest : public DusklampTest {};

TEST_F(TrayTest, DoubleClickNotificationBlanksAndOtherNotificationsDoNothing)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ::SendMessageA(main, kTrayNotify, kTrayIconId + 1, WM_LBUTTONDBLCLK);
    ::SendMessageA(main, kTrayNotify, kTrayIconId, WM_LBUTTONUP);
    ::SendMessageA(main, kTrayNotify, kTrayIconId, WM_MOUSEMOVE);
    EXPECT_TRUE(m_watcher.PowerEvents().empty());

    // Sent, so the default item has run by the time the call returns.
    ::SendMessageA(main, kTrayNotify, kTrayIconId, WM_LBUTTONDBLCLK);
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].power, kPowerOff);
}

enum class Effect { LockBox, Shown };

struct CommandCase {
    UINT id;
    Effect effect;
};

void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << "command " << c.id;
}

class TrayCommandTest : public DusklampTest, public ::testing::WithParamInterface<CommandCase> {};

TEST_P(TrayCommandTest, CommandReachesItsAction)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::PostMessageA(main, WM_COMMAND, GetParam().id, 0));
    switch (GetParam().effect) {
    case Effect::LockBox: {
        ASSERT_TRUE(AnswerMessageBox("Could not Lock WorkStation", IDNO));
        ExpectNoBroadcastBeforeProbe(main);
        break;
    }
    case Effect::Shown:
        ExpectNoBroadcastBeforeProbe(main);
        EXPECT_TRUE(::IsWindowVisible(main));
        break;
    }
    EXPECT_TRUE(m_app.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Menu, TrayCommandTest,
                         ::testing::Values(CommandCase{32779, Effect::LockBox}, CommandCase{32777, Effect::Shown}));

TEST_F(TrayTest, CheckBoxStoresChoiceAndIconFollows)
{
    HWND main = StartResident(m_app, ":settings");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(main, kIdcSysTray, BM_GETCHECK, 0, 0), BST_CHECKED);

    ::SendDlgItemMessageA(main, kIdcSysTray, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadSettingInt("SysTray"), DWORD(0));
    EXPECT_TRUE(WaitForTrayIcon(false));

    ::SendDlgItemMessageA(main, kIdcSysTray, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadSettingInt("SysTray"), DWORD(1));
    EXPECT_TRUE(WaitForTrayIcon(true));
}

TEST_F(TrayTest, HiddenIconReturnsVisibleWhenTaskbarIsRecreated)
{
    WriteSettingInt("SysTray", 0);
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(::SendDlgItemMessageA(main, kIdcSysTray, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    ASSERT_TRUE(WaitForTrayIcon(false));

    // Wine never announces a new taskbar itself; this is what a restarted shell sends.
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitForTrayIcon(true));
    EXPECT_EQ(::SendDlgItemMessageA(main, kIdcSysTray, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    // The icon's own hidden flag decides: ticking the box stores 1 and shows what already shows.
    ::SendDlgItemMessageA(main, kIdcSysTray, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadSettingInt("SysTray"), DWORD(1));
    EXPECT_TRUE(WaitForTrayIcon(true));
}

TEST_F(TrayTest, IconGoesWithTheProgram)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTrayIcon(true));
    ::PostMessageA(main, WM_COMMAND, 32776, 0);
    ASSERT_TRUE(m_app.WaitForExit());
    EXPECT_TRUE(WaitForTrayIcon(false));
}

TEST_F(TrayTest, RealRightClickOpensMenuAndItsFirstItemBlanks)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitForTrayIcon(true));

    RightClickAt(kTrayIconPoint);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = FindPopupMenu(m_app.Id())) != nullptr; }));
    PressKeys({VK_DOWN});
    PressKeys({VK_RETURN});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEvents()[0].power, kPowerOff);
    EXPECT_TRUE(WaitUntil([&] { return FindPopupMenu(m_app.Id()) == nullptr; }));
}

}  // namespace
