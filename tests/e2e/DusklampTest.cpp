// Common fixture of the end-to-end tests.
#include "DusklampTest.h"

using namespace harness;

void DusklampTest::SetUp()
{
    // A program left over from an aborted test of this run would answer for the new one.
    if (HWND stale = FindMainWindow()) {
        HANDLE process = ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, WindowProcessId(stale));
        if (process) {
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 10000);
            ::CloseHandle(process);
        }
    }
    DeleteSettings();
    ASSERT_NE(m_watcher.Hwnd(), nullptr);
}

void DusklampTest::TearDown()
{
    m_app.Terminate();
}

HWND DusklampTest::StartResident(Process& process, const std::string& arguments)
{
    if (!process.Start(arguments))
        return nullptr;
    return process.WaitUntilResident();
}

void DusklampTest::ExpectNoBroadcastBeforeProbe(HWND mainWindow)
{
    // Posted, not sent: the program takes posted messages only in its message loops, so by the
    // time the probe is handled, whatever start-up or an earlier request did has been done.
    ASSERT_TRUE(::PostMessageA(mainWindow, kUmDisplayOn, 0, 0));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].power, kPowerOn);
}

::testing::AssertionResult DusklampTest::AnswerMessageBox(const std::string& text, int button)
{
    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    if (!box)
        return ::testing::AssertionFailure() << "no message box \"" << text << "\"";
    const std::string shown = DialogText(box);
    if (shown != text)
        return ::testing::AssertionFailure() << "message box says \"" << shown << "\", not \"" << text << "\"";
    if (!PressButton(box, button))
        return ::testing::AssertionFailure() << "button " << button << " did not close \"" << text << "\"";
    return ::testing::AssertionSuccess();
}
