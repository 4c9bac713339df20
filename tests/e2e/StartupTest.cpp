// Start-up, switches, forwarding to a running instance, and the end of the program.
#include <ostream>
#include <string>

#include "DusklampTest.h"

using namespace harness;

namespace {

class StartupTest : public DusklampTest {};

TEST_F(StartupTest, FirstStartWithoutSwitchBlanksAfterDelayAndStaysResident)
{
    ASSERT_TRUE(m_app.Start(""));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    const auto events = m_watcher.PowerEvents();
    EXPECT_EQ(events[0].power, kPowerOff);
    EXPECT_GE(events[0].atMs - m_app.StartedAtMs(), 500.0);

    HWND main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_FALSE(::IsWindowVisible(main));
    char title[64] = "";
    ::GetWindowTextA(main, title, sizeof(title));
    EXPECT_STREQ(title, "Settings - Dusklamp");
    EXPECT_EQ(m_watcher.PowerEvents().size(), 1u);

    // Reading the settings creates their key, and start-up writes nothing into it.
    EXPECT_TRUE(SettingsKeyExists());
    EXPECT_EQ(SettingsValueCount(), 0u);
}

TEST_F(StartupTest, DisplayOnSwitchBroadcastsPowerOn)
{
    ASSERT_TRUE(m_app.Start(":displayon"));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    ASSERT_NE(m_app.WaitUntilResident(), nullptr);
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].power, kPowerOn);
    EXPECT_GE(events[0].atMs - m_app.StartedAtMs(), 500.0);
}

TEST_F(StartupTest, SilentInMixedCaseDoesNothing)
{
    HWND main = StartResident(m_app, "/x:SiLeNt");
    ASSERT_NE(main, nullptr);
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_FALSE(::IsWindowVisible(main));
}

TEST_F(StartupTest, SettingsSwitchShowsWindowWithoutBlanking)
{
    HWND main = StartResident(m_app, ":SETTINGS");
    ASSERT_NE(main, nullptr);
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_TRUE(::IsWindowVisible(main));
}

TEST_F(StartupTest, LockSwitchReportsRefusedLockAndDoesNotBlank)
{
    // Wine always refuses LockWorkStation, which is exactly the failure path.
    ASSERT_TRUE(m_app.Start("--please:lockit"));
    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box), "Could not Lock WorkStation");
    EXPECT_TRUE(HasButton(box, IDYES));
    EXPECT_TRUE(HasButton(box, IDNO));
    EXPECT_FALSE(HasButton(box, IDOK));
    EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr);
    ASSERT_TRUE(PressButton(box, IDNO));

    HWND main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    ExpectNoBroadcastBeforeProbe(main);
}

TEST_F(StartupTest, ShutdownWinsOverLockInFirstInstance)
{
    ASSERT_TRUE(m_app.Start(":lock:shutdown"));
    HWND dialog = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(FindDialog(m_app.Id(), "Dusklamp"), nullptr);
    ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    HWND main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    ExpectNoBroadcastBeforeProbe(main);
}

TEST_F(StartupTest, QueuedHotKeyMessageBlanksWhateverItsId)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    const DWORD thread = ::GetWindowThreadProcessId(main, nullptr);
    ASSERT_TRUE(::PostThreadMessageA(thread, WM_HOTKEY, 77, 0));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEvents()[0].power, kPowerOff);
}

TEST_F(StartupTest, PrivateDisplayOffMessageBlanksAndIsNoRepositionRequest)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    // Half off the screen: had the dialog manager taken 0x402 as DM_REPOSITION, it would move back.
    ASSERT_TRUE(::SetWindowPos(main, nullptr, -150, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    const double sentAt = NowMs();
    EXPECT_EQ(::SendMessageA(main, kUmDisplayOff, 0, 0), 1);
    // Sent, so the broadcast has happened by the time the call returns.
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].power, kPowerOff);
    EXPECT_GE(events[0].atMs - sentAt, 500.0);
    RECT rect;
    ::GetWindowRect(main, &rect);
    EXPECT_EQ(rect.left, -150);
    EXPECT_EQ(rect.top, -40);
}

TEST_F(StartupTest, SessionEndSentToMainWindowEndsProgramUnlessCancelled)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    DWORD_PTR result = 0;
    // FALSE: the shutdown was cancelled and the session goes on.
    ASSERT_TRUE(::SendMessageTimeoutA(main, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &result));
    ASSERT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_TRUE(::IsWindow(main));

    ::SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &result);
    EXPECT_TRUE(m_app.WaitForExit());
}

TEST_F(StartupTest, SessionEndInThreadQueueEndsProgram)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::PostThreadMessageA(::GetWindowThreadProcessId(main, nullptr), WM_ENDSESSION, TRUE, 0));
    EXPECT_TRUE(m_app.WaitForExit());
}

// A second start hands its switch to the running instance, blocks until it is handled, and ends.
enum class Effect { Shown, Nothing, LockBox, ScheduleDialog, PowerOn, PowerOff };

struct ForwardingCase {
    const char* arguments;
    Effect effect;
};

void PrintTo(const ForwardingCase& c, std::ostream* os)
{
    *os << '"' << c.arguments << '"';
}

class ForwardingTest : public DusklampTest, public ::testing::WithParamInterface<ForwardingCase> {};

TEST_P(ForwardingTest, SecondStartHandsSwitchToRunningInstanceAndEnds)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);

    Process second;
    ASSERT_TRUE(second.Start(GetParam().arguments));
    switch (GetParam().effect) {
    case Effect::Shown:
        ASSERT_TRUE(second.WaitForExit());
        EXPECT_TRUE(::IsWindowVisible(main));
        ExpectNoBroadcastBeforeProbe(main);
        break;
    case Effect::Nothing:
        ASSERT_TRUE(second.WaitForExit());
        EXPECT_FALSE(::IsWindowVisible(main));
        ExpectNoBroadcastBeforeProbe(main);
        break;
    case Effect::LockBox: {
        HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(DialogText(box), "Could not Lock WorkStation");
        EXPECT_TRUE(second.IsRunning()) << "the second start waits until the request is handled";
        ASSERT_TRUE(PressButton(box, IDYES));
        ASSERT_TRUE(second.WaitForExit());
        ExpectNoBroadcastBeforeProbe(main);
        break;
    }
    case Effect::ScheduleDialog: {
        HWND dialog = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(second.IsRunning()) << "the second start waits until the dialog is closed";
        ASSERT_TRUE(PressButton(dialog, IDCANCEL));
        ASSERT_TRUE(second.WaitForExit());
        ExpectNoBroadcastBeforeProbe(main);
        break;
    }
    case Effect::PowerOn:
    case Effect::PowerOff: {
        ASSERT_TRUE(second.WaitForExit());
        // The second start returned only after the running instance had broadcast.
        const auto events = m_watcher.PowerEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].power, GetParam().effect == Effect::PowerOn ? kPowerOn : kPowerOff);
        EXPECT_FALSE(::IsWindowVisible(main));
        break;
    }
    }
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(FindMainWindow(), main) << "the second start must not leave a window of its own";
}

INSTANTIATE_TEST_SUITE_P(
    EachRow, ForwardingTest,
    ::testing::Values(ForwardingCase{":settings", Effect::Shown}, ForwardingCase{":Silent", Effect::Nothing},
                      ForwardingCase{":lock", Effect::LockBox}, ForwardingCase{":shutdown", Effect::ScheduleDialog},
                      ForwardingCase{":network", Effect::Nothing}, ForwardingCase{":displayon", Effect::PowerOn},
                      ForwardingCase{"", Effect::PowerOff},
                      // The second start's own order: a first start would open the schedule dialog.
                      ForwardingCase{":shutdown :lock", Effect::LockBox}));

}  // namespace
