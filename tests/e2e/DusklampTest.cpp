// Common fixture of the end-to-end tests.
#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

void DusklampTest::SetUp()
{
    // Whatever an aborted test left behind would answer for the new one, or hold the instance lock.
    Process::EndAll();
    RestoreSession();
    DeleteSettings();
    ASSERT_NE(m_watcher.Hwnd(), nullptr);
    // The shell drops the icon of an ended program a moment later; it must not pass for ours.
    WaitForTrayIcon(false);
}

void DusklampTest::TearDown()
{
    while (m_heldHotKeys > 0)
        ::UnregisterHotKey(nullptr, m_heldHotKeys--);
    m_app.Terminate();
    Process::EndAll();
}

HWND DusklampTest::StartResident(const std::string& arguments)
{
    m_main = m_app.Start(arguments) ? m_app.WaitUntilResident() : nullptr;
    return m_main;
}

bool DusklampTest::StartListening()
{
    m_port = peer::FreePort();
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", m_port);
    // The listener opens before the main window: once that takes messages, one proof connection
    // must do. A second try could be served after the first, and both would be logged.
    return StartResident(":silent") && peer::SendCommand(m_port, ":silent", 30000);
}

bool DusklampTest::HoldHotKey(UINT modifiers, UINT key)
{
    if (!::RegisterHotKey(nullptr, m_heldHotKeys + 1, modifiers, key))
        return false;
    ++m_heldHotKeys;
    return true;
}

void DusklampTest::ExpectBroadcastsBeforeProbe(HWND main, std::initializer_list<LPARAM> expected)
{
    // The expected broadcasts first, then the probe: a display-on, posted, so the program takes it
    // after whatever came before it. Its own broadcast comes no sooner than half a second after it.
    // A broadcast still pending when the probe came would have taken the probe in and been
    // followed by one more for it, so a stray request always shows as a broadcast too many.
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(expected.size()));
    const double probedAt = NowMs();
    ASSERT_TRUE(::PostMessageA(main, UM_DISPLAYON, 0, 0));
    ASSERT_TRUE(WaitUntil([&] {
        const auto events = m_watcher.PowerEvents();
        return !events.empty() && events.back().power == kPowerOn && events.back().atMs >= probedAt + 499;
    }));
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), expected.size() + 1);
    auto event = events.begin();
    for (LPARAM power : expected)
        EXPECT_EQ((event++)->power, power);
}

::testing::AssertionResult DusklampTest::AnswerMessageBox(const std::string& text, int button, HWND owner)
{
    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    if (!box)
        return ::testing::AssertionFailure() << "no message box \"" << text << "\"";
    if (ItemText(box) != text)
        return ::testing::AssertionFailure() << "message box says \"" << ItemText(box) << "\", not \"" << text << "\"";
    if (owner != kAnyOwner && ::GetWindow(box, GW_OWNER) != owner)
        return ::testing::AssertionFailure() << "message box \"" << text << "\" has another owner";
    if (!PressButton(box, button))
        return ::testing::AssertionFailure() << "button " << button << " did not close \"" << text << "\"";
    return ::testing::AssertionSuccess();
}
