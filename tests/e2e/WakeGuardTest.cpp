// Keeping the display dark until a key is pressed: the mouse is held back and the display turned off
// again while the guard is armed, and nothing is touched while it is not.
#include "DusklampTest.h"
#include "ui/WakeGuardNames.h"

using namespace harness;

namespace {

// The program's message-only window of the class, or nullptr.
HWND FindMessageWindow(DWORD processId, const char* className)
{
    for (HWND hwnd = ::FindWindowExA(HWND_MESSAGE, nullptr, className, nullptr); hwnd;
         hwnd = ::FindWindowExA(HWND_MESSAGE, hwnd, className, nullptr)) {
        if (WindowProcessId(hwnd) == processId)
            return hwnd;
    }
    return nullptr;
}

// A thread of the program held still from outside, as a thread stalls that the system does not
// run for a while; it runs again when the object goes, whatever became of the test.
class SuspendedThread {
public:
    explicit SuspendedThread(DWORD threadId) : m_thread(::OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId))
    {
        m_suspended = m_thread && ::SuspendThread(m_thread) != static_cast<DWORD>(-1);
    }
    ~SuspendedThread()
    {
        Resume();
        if (m_thread)
            ::CloseHandle(m_thread);
    }
    SuspendedThread(const SuspendedThread&) = delete;
    SuspendedThread& operator=(const SuspendedThread&) = delete;

    bool IsSuspended() const { return m_suspended; }
    void Resume()
    {
        if (m_suspended)
            ::ResumeThread(m_thread);
        m_suspended = false;
    }

private:
    HANDLE m_thread;
    bool m_suspended = false;
};

class WakeGuardTest : public DusklampTest {
protected:
    // Resident, with Ctrl+F9 as its hot key and the option as given, the pointer in the middle.
    void StartWithOption(DWORD keepDark)
    {
        WriteSetting("KeepDarkUntilKey", keepDark);
        StoreHotKey(VK_F9, MOD_CONTROL);
        ::SetCursorPos(500, 400);
        ASSERT_TRUE(StartResident(":silent"));
    }

    // The hot key's blanking, seen by the watcher.
    void BlankWithHotKey()
    {
        m_watcher.Clear();
        PressKeys({VK_CONTROL, VK_F9});
        ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
        ASSERT_EQ(m_watcher.PowerEventAt(0).power, kPowerOff);
    }

    // A small relative move, as a drifting mouse makes; when it was sent.
    static double NudgeMouse()
    {
        INPUT input = {INPUT_MOUSE, {{4, 3, 0, MOUSEEVENTF_MOVE, 0, 0}}};
        const double at = NowMs();
        ::SendInput(1, &input, sizeof(input));
        return at;
    }

    static POINT Cursor()
    {
        POINT point = {};
        ::GetCursorPos(&point);
        return point;
    }

    static bool MovedFrom(POINT start)
    {
        const POINT now = Cursor();
        return now.x != start.x || now.y != start.y;
    }

    // The mouse is held back and the display turned off again, after the input: the guard is armed.
    void ExpectMouseHeldBack()
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const POINT start = Cursor();
        const double movedAt = NudgeMouse();
        ASSERT_TRUE(m_watcher.WaitForPowerEvents(before + 1)) << "the display was not turned off again";
        EXPECT_EQ(m_watcher.PowerEventAt(before).power, kPowerOff);
        EXPECT_GE(m_watcher.PowerEventAt(before).atMs, movedAt);
        EXPECT_FALSE(MovedFrom(start)) << "the pointer moved";
    }

    // The mouse reaches the desktop and no broadcast follows: the guard is not armed.
    void ExpectMouseUntouched()
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const POINT start = Cursor();
        NudgeMouse();
        EXPECT_TRUE(WaitUntil([&] { return MovedFrom(start); })) << "the pointer did not move";
        // A re-blank would come within a second of the input.
        EXPECT_FALSE(m_watcher.WaitForPowerEvents(before + 1, 1500)) << "the display was turned off again";
    }
};

TEST_F(WakeGuardTest, MouseInputIsHeldBackAndReblanksUntilAKeyIsPressed)
{
    ASSERT_NO_FATAL_FAILURE(StartWithOption(1));
    ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
    for (int burst = 0; burst < 2; ++burst)
        ASSERT_NO_FATAL_FAILURE(ExpectMouseHeldBack()) << "burst " << burst;
    // The key that disarms reaches the desktop; afterwards the mouse is the user's again.
    PressKeys({VK_SHIFT});
    ExpectMouseUntouched();
}

TEST_F(WakeGuardTest, WithTheOptionOffOrAfterDisplayOnNothingIsTouched)
{
    ASSERT_NO_FATAL_FAILURE(StartWithOption(0));
    ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
    ExpectMouseUntouched();
    m_app.Terminate();

    // Armed, then a second start asks for the display on: that disarms without a key.
    ASSERT_NO_FATAL_FAILURE(StartWithOption(1));
    ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
    Process second;
    ASSERT_TRUE(second.Start(":displayon"));
    EXPECT_TRUE(second.WaitForExit());
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(2));
    EXPECT_EQ(m_watcher.PowerEventAt(1).power, kPowerOn);
    ExpectMouseUntouched();
}

// The system takes off a low-level hook whose thread stops answering, or lets input pass it late:
// either way the guard must give up rather than hold the mouse again once the thread runs. The
// hooks' thread held still from outside is such a stall.
TEST_F(WakeGuardTest, AStalledHookThreadLetsTheMouseGoForGood)
{
    ASSERT_NO_FATAL_FAILURE(StartWithOption(1));
    ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
    ASSERT_NO_FATAL_FAILURE(ExpectMouseHeldBack());
    const HWND hooks = FindMessageWindow(m_app.Id(), kWakeGuardHooksClass);
    ASSERT_NE(hooks, nullptr);
    const DWORD hookThread = ::GetWindowThreadProcessId(hooks, nullptr);
    ASSERT_NE(hookThread, ::GetWindowThreadProcessId(m_main, nullptr)) << "the hooks run on the main thread";

    SuspendedThread stalled(hookThread);
    ASSERT_TRUE(stalled.IsSuspended());
    // Wine lets input pass a hook that has not answered for two seconds whatever the guard does;
    // two nudges that each reached the desktop give the guard far longer than its second to give
    // up, and only its giving up keeps the thread from holding the mouse once it runs again.
    for (int nudge = 0; nudge < 2; ++nudge) {
        const POINT start = Cursor();
        EXPECT_TRUE(WaitUntil([&] {
            NudgeMouse();
            return MovedFrom(start);
        })) << "nudge " << nudge << ": the mouse stayed held back";
    }
    stalled.Resume();
    ExpectMouseUntouched();
}

// Keys typed at the lock screen or in another session never reach the hooks, so a lock that is
// not Dusklamp's own must disarm too. No session changes under Wine: the test sends the notice the
// system sends the window that asked for it.
TEST_F(WakeGuardTest, ALockOrDisconnectionFromElsewhereDisarms)
{
    const struct { WPARAM event; bool disarms; const char* what; } cases[] = {
        {WTS_SESSION_UNLOCK, false, "unlock"}, {WTS_SESSION_LOCK, true, "lock"},
        {WTS_CONSOLE_DISCONNECT, true, "console disconnected"},
        {WTS_REMOTE_DISCONNECT, true, "remote session disconnected"}};
    ASSERT_NO_FATAL_FAILURE(StartWithOption(1));
    const HWND guard = FindMessageWindow(m_app.Id(), kWakeGuardClass);
    ASSERT_NE(guard, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
        // Sent, not posted: the guard has taken the notice when the call returns.
        DWORD_PTR ignored = 0;
        ASSERT_TRUE(::SendMessageTimeoutA(guard, WM_WTSSESSION_CHANGE, c.event, 1, SMTO_NORMAL, 10000, &ignored));
        if (!c.disarms) {
            ASSERT_NO_FATAL_FAILURE(ExpectMouseHeldBack());
            PressKeys({VK_SHIFT});
        }
        ExpectMouseUntouched();
    }
}

// Menus cannot be read from another process: what a click stores shows the tick it turned around.
TEST_F(WakeGuardTest, MenuItemTurnsTheStoredValueAroundWhateverSetItLast)
{
    ASSERT_NO_FATAL_FAILURE(StartWithOption(0));
    for (DWORD stored : {0, 1, 1, 0}) {
        WriteSetting("KeepDarkUntilKey", stored);
        ASSERT_TRUE(::PostMessageA(m_main, UM_TRAYNOTIFY, IDR_TRAYMENU, WM_RBUTTONUP));
        ASSERT_TRUE(WaitUntil([&] { return FindWindows(m_app.Id(), "#32768", nullptr).size() == 1; }));
        // The third item, right after "Lock && Dusklamp".
        for (WORD key : {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN})
            PressKeys({key});
        EXPECT_TRUE(WaitUntil([&] { return ReadSettingInt("KeepDarkUntilKey") == DWORD(stored ? 0 : 1); }))
            << "stored " << stored;
        ASSERT_TRUE(WaitUntil([&] { return FindWindows(m_app.Id(), "#32768", nullptr).empty(); }));
    }
    EXPECT_TRUE(m_watcher.PowerEvents().empty()) << "no other item was chosen";
}

}  // namespace
