// The settings window and the global hot key: About box, close-to-hide, keys, the stored hot key,
// Change, Clear and Exit.
#include "DusklampTest.h"

#include <commctrl.h>

using namespace harness;

namespace {

const DWORD kCtrlAlt = MOD_CONTROL | MOD_ALT;
const char kExitQuestion[] = "Once you close the Application, Associated Hot Key (if defined) will not work for "
                             "Dusklamp.\nDo you wish to continue?";

class MainWindowTest : public DusklampTest {};

TEST_F(MainWindowTest, KeyZeroWithModifiersRegistersNothingAndSaysNothing)
{
    StoreHotKey(0, kCtrlAlt);
    ASSERT_TRUE(StartResident(":silent"));
    // Had the modifiers been registered on their own, this registration would now fail.
    EXPECT_TRUE(HoldHotKey(kCtrlAlt, 0));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty());
}

TEST_F(MainWindowTest, CombinationHeldByAnotherProgramIsReportedAtStartAndAfterChange)
{
    ASSERT_TRUE(HoldHotKey(kCtrlAlt, 'M'));
    ASSERT_TRUE(HoldHotKey(kCtrlAlt, 'K'));
    StoreHotKey('M', kCtrlAlt);
    ASSERT_TRUE(m_app.Start(":settings"));
    ASSERT_TRUE(AnswerMessageBox("Could not Register Hot Key for Dusklamp", IDOK, nullptr));
    // Start-up goes on without a hot key, and the stored values stay.
    HWND main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ReadSettingInt("Key"), DWORD('M'));
    EXPECT_EQ(ReadSettingInt("Mod"), kCtrlAlt);

    // A change is saved first, and then its registration reported.
    ::SendDlgItemMessageA(main, IDC_HOTKEY, HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    ClickButton(main, IDC_CHANGE);
    ASSERT_TRUE(AnswerMessageBox("Changes have been Saved.", IDOK));
    ASSERT_TRUE(AnswerMessageBox("Could not Register Hot Key for Dusklamp", IDOK, nullptr));
    EXPECT_EQ(ReadSettingInt("Key"), DWORD('K'));
    EXPECT_EQ(ReadSettingInt("Mod"), kCtrlAlt);

    // With a hot key stored Exit asks first, and yes quits.
    ::PostMessageA(main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(AnswerMessageBox(kExitQuestion, IDYES, main));
    EXPECT_TRUE(m_app.WaitForExit());
}

// The hot key acts in every modal loop: the program's own (the About box) and the system's (a
// message box, the tray menu), which dispatch its message to no window at all.
TEST_F(MainWindowTest, HotKeyBlanksWhileTheAboutBoxAMessageBoxOrTheTrayMenuIsOpen)
{
    // No Alt in it: letting go of Alt closes a menu, and the hot key has to act while it is open.
    StoreHotKey(VK_F9, MOD_CONTROL);
    ASSERT_TRUE(StartResident(":silent"));
    // The message opens the loop; Wine always refuses the lock, so its message box opens.
    const struct { UINT message; WPARAM wParam; LPARAM lParam; const char* windowClass, *caption; } loops[] = {
        {WM_SYSCOMMAND, IDM_ABOUTBOX, 0, "#32770", "About Dusklamp"}, {UM_LOCKDISPLAYOFF, 0, 0, "#32770", "Dusklamp"},
        {UM_TRAYNOTIFY, IDR_TRAYMENU, WM_RBUTTONUP, "#32768", nullptr}};
    for (const auto& loop : loops) {
        m_watcher.Clear();
        const auto openWindows = [&] { return FindWindows(m_app.Id(), loop.windowClass, loop.caption).size(); };
        ASSERT_TRUE(::PostMessageA(m_main, loop.message, loop.wParam, loop.lParam));
        ASSERT_TRUE(WaitUntil([&] { return openWindows() == 1; })) << loop.message;
        const double pressedAt = NowMs();
        PressKeys({VK_CONTROL, VK_F9});
        ASSERT_TRUE(m_watcher.WaitForPowerEvents(1)) << loop.message;
        EXPECT_EQ(m_watcher.PowerEventAt(0).power, kPowerOff);
        EXPECT_GE(m_watcher.PowerEventAt(0).atMs - pressedAt, 500.0);
        EXPECT_EQ(openWindows(), 1u) << loop.message << ": closed first";
        if (loop.message == UM_LOCKDISPLAYOFF)
            ASSERT_TRUE(AnswerMessageBox("Could not Lock WorkStation", IDNO, nullptr));
        else
            PressKeys({VK_ESCAPE});
        ASSERT_TRUE(WaitUntil([&] { return openWindows() == 0; })) << loop.message;
        ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOff}));
    }
}

TEST_F(MainWindowTest, EnterAndEscNeitherCloseNorHideAndEveryWayOfClosingOnlyHides)
{
    ASSERT_TRUE(StartResident(":settings"));
    HWND box = ::GetDlgItem(m_main, IDC_SYSTRAY);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        ::PostMessageA(box, WM_KEYDOWN, key, 1);
        ::PostMessageA(box, WM_KEYUP, key, 0xC0000001);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    EXPECT_TRUE(::IsWindowVisible(m_main));
    EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty());

    const struct { UINT message; WPARAM wParam; } closings[] = {
        {WM_CLOSE, 0}, {WM_COMMAND, ID_FILE_CLOSE}, {WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& closing : closings) {
        // Answered before it is carried out, as a second start's request is.
        ::SendMessageA(m_main, UM_SHOWSETTINGS, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(m_main) != FALSE; }));
        ::SendMessageA(m_main, closing.message, closing.wParam, 0);
        EXPECT_FALSE(::IsWindowVisible(m_main)) << closing.message;
    }
    // Still resident and still doing its work.
    m_watcher.Clear();
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
}

TEST_F(MainWindowTest, ChangeWithoutAKeyAsksForOneAndChangesNothingAndWithOneStoresRegistersAndHides)
{
    ASSERT_TRUE(StartResident(":settings"));
    // Modifiers alone are no hot key either.
    ::SendDlgItemMessageA(m_main, IDC_HOTKEY, HKM_SETHOTKEY, MAKEWORD(0, HOTKEYF_CONTROL), 0);
    ClickButton(m_main, IDC_CHANGE);
    ASSERT_TRUE(AnswerMessageBox("Please Click on the Edit Box & Press Hot Key to Change the Key", IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    EXPECT_TRUE(::IsWindowVisible(m_main));
    EXPECT_EQ(SettingsValueCount().value_or(0), DWORD(0));

    m_watcher.Clear();
    ::SendDlgItemMessageA(m_main, IDC_HOTKEY, HKM_SETHOTKEY, MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    ClickButton(m_main, IDC_CHANGE);
    ASSERT_NE(WaitForDialog(m_app.Id(), "Dusklamp"), nullptr);
    // Stored before the message says so.
    EXPECT_EQ(ReadSettingInt("Key"), DWORD('M'));
    EXPECT_EQ(ReadSettingInt("Mod"), kCtrlAlt);
    ASSERT_TRUE(AnswerMessageBox("Changes have been Saved.", IDOK, m_main));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(m_main); }));

    const double pressedAt = NowMs();
    PressKeys({VK_CONTROL, VK_MENU, 'M'});
    // Once: the main loop's filter takes the message, so the message-filter hook never sees it.
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOff}));
    EXPECT_GE(m_watcher.PowerEventAt(0).atMs - pressedAt, 500.0);
}

TEST_F(MainWindowTest, StoredHotKeyIsHeldAndShownExitAsksAndClearReleasesItSoExitNoLongerAsks)
{
    StoreHotKey('M', kCtrlAlt);
    ASSERT_TRUE(StartResident(":settings"));
    ASSERT_TRUE(WaitForTrayIcon(true));
    EXPECT_FALSE(HoldHotKey(kCtrlAlt, 'M')) << "the program holds it";
    EXPECT_EQ(::SendDlgItemMessageA(m_main, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0),
              MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_ALT));
    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_EXIT, 0);
    ASSERT_TRUE(AnswerMessageBox(kExitQuestion, IDNO, m_main));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));

    ::SendMessageA(m_main, WM_COMMAND, MAKEWPARAM(IDC_CLEAR, BN_CLICKED), 0);
    EXPECT_EQ(ReadSettingInt("Key"), DWORD(0));
    EXPECT_EQ(ReadSettingInt("Mod"), DWORD(0));
    EXPECT_EQ(::SendDlgItemMessageA(m_main, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0), 0);
    EXPECT_TRUE(::IsWindowVisible(m_main));
    EXPECT_TRUE(HoldHotKey(kCtrlAlt, 'M')) << "free again for anyone";

    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(m_app.WaitForExit());
    EXPECT_TRUE(WaitForTrayIcon(false)) << "the icon goes with the program";
}

}  // namespace
