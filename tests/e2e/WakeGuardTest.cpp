// Keeping the display dark until a key is pressed: the mouse is held back and the display turned off
// again while the guard is armed, and nothing is touched while it is not.
#include "DusklampTest.h"

using namespace harness;

namespace {

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
        INPUT input = {};
        input.type = INPUT_MOUSE;
        input.mi.dx = 4;
        input.mi.dy = 3;
        input.mi.dwFlags = MOUSEEVENTF_MOVE;
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

    // The mouse reaches the desktop and no broadcast follows: the guard is not armed.
    void ExpectMouseUntouched()
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const POINT start = Cursor();
        NudgeMouse();
        EXPECT_TRUE(WaitUntil([&] { return Cursor().x != start.x || Cursor().y != start.y; }))
            << "the pointer did not move";
        // A re-blank would come within a second of the input.
        EXPECT_FALSE(m_watcher.WaitForPowerEvents(before + 1, 1500)) << "the display was turned off again";
    }
};

TEST_F(WakeGuardTest, MouseInputIsHeldBackAndReblanksUntilAKeyIsPressed)
{
    ASSERT_NO_FATAL_FAILURE(StartWithOption(1));
    ASSERT_NO_FATAL_FAILURE(BlankWithHotKey());
    const POINT start = Cursor();
    for (int burst = 0; burst < 2; ++burst) {
        const double movedAt = NudgeMouse();
        ASSERT_TRUE(m_watcher.WaitForPowerEvents(2 + burst)) << "burst " << burst;
        const auto reblank = m_watcher.PowerEventAt(1 + burst);
        EXPECT_EQ(reblank.power, kPowerOff);
        EXPECT_GE(reblank.atMs, movedAt) << "burst " << burst;
        EXPECT_EQ(Cursor().x, start.x);
        EXPECT_EQ(Cursor().y, start.y);
    }
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
