// The stored global hot key, registered at start-up and pressed from the keyboard.
#include "DusklampTest.h"

using namespace harness;

namespace {

class HotKeyTest : public DusklampTest {
protected:
    void TearDown() override
    {
        if (m_heldHere)
            ::UnregisterHotKey(nullptr, 1);
        DusklampTest::TearDown();
    }
    bool m_heldHere = false;
};

TEST_F(HotKeyTest, StoredCtrlAltMBlanksWhenPressed)
{
    WriteSettingInt("Key", 'M');
    WriteSettingInt("Mod", MOD_CONTROL | MOD_ALT);
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);

    const double pressedAt = NowMs();
    PressKeys({VK_CONTROL, VK_MENU, 'M'});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    const auto events = m_watcher.PowerEvents();
    EXPECT_EQ(events[0].power, kPowerOff);
    EXPECT_GE(events[0].atMs - pressedAt, 500.0);
}

TEST_F(HotKeyTest, KeyZeroWithModifiersRegistersNothingAndSaysNothing)
{
    WriteSettingInt("Key", 0);
    WriteSettingInt("Mod", MOD_CONTROL | MOD_ALT);
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(FindDialog(m_app.Id(), "Dusklamp"), nullptr);
    // Had the modifiers been registered on their own, this registration would now fail.
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 0));
    m_heldHere = true;
    ExpectNoBroadcastBeforeProbe(main);
}

TEST_F(HotKeyTest, CombinationHeldByAnotherProgramIsReportedAtStart)
{
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'M'));
    m_heldHere = true;
    WriteSettingInt("Key", 'M');
    WriteSettingInt("Mod", MOD_CONTROL | MOD_ALT);

    ASSERT_TRUE(m_app.Start(":silent"));
    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box), "Could not Register Hot Key for Dusklamp");
    EXPECT_FALSE(HasButton(box, IDNO));
    ASSERT_TRUE(PressButton(box, IDOK));

    // Start-up goes on without a hot key, and the stored values stay.
    HWND main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ReadSettingInt("Key"), DWORD('M'));
    EXPECT_EQ(ReadSettingInt("Mod"), DWORD(MOD_CONTROL | MOD_ALT));
}

}  // namespace
