// The settings window: its resources, About box, close-to-hide, keys, hot key settings and Exit.
#include "DusklampTest.h"

#include <commctrl.h>

#include <iterator>
#include <string>

using namespace harness;

namespace {

const int kIdcHotKey = 1000;
const int kIdcChange = 1001;
const int kIdcClear = 1003;
const int kIdcSysTray = 1004;
const UINT kIdmAboutBox = 0x10;
const UINT kTrayExit = 32776;

class MainWindowTest : public DusklampTest {
protected:
    void TearDown() override
    {
        if (m_heldHere)
            ::UnregisterHotKey(nullptr, 1);
        DusklampTest::TearDown();
    }

    // Shows the settings window the way a second start does.
    HWND StartWithSettingsShown()
    {
        HWND main = StartResident(m_app, ":silent");
        if (main)
            ::SendMessageA(main, kUmShowSettings, 0, 0);
        return main;
    }

    // The program's own resources, read from the executable file.
    struct Module {
        Module() : handle(::LoadLibraryExA(Process::ExecutablePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
        ~Module() { ::FreeLibrary(handle); }
        HMODULE handle;
    };

    bool m_heldHere = false;
};

TEST_F(MainWindowTest, MenusCarryTheirCommandIds)
{
    Module module;
    ASSERT_NE(module.handle, nullptr);
    HMENU main = ::LoadMenuA(module.handle, MAKEINTRESOURCEA(129));
    ASSERT_NE(main, nullptr);
    ASSERT_EQ(::GetMenuItemCount(main), 2);
    EXPECT_EQ(::GetMenuItemID(::GetSubMenu(main, 0), 0), 57602u);
    HMENU help = ::GetSubMenu(main, 1);
    ASSERT_EQ(::GetMenuItemCount(help), 3);
    EXPECT_EQ(::GetMenuItemID(help, 0), 32772u);
    EXPECT_EQ(::GetMenuItemID(help, 2), 32773u);
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE;
    ASSERT_TRUE(::GetMenuItemInfoA(main, 1, TRUE, &item));
    EXPECT_TRUE(item.fType & MFT_RIGHTJUSTIFY) << "Help sits at the right of the menu bar";
    ::DestroyMenu(main);

    HMENU tray = ::LoadMenuA(module.handle, MAKEINTRESOURCEA(133));
    ASSERT_NE(tray, nullptr);
    HMENU popup = ::GetSubMenu(tray, 0);
    const UINT expected[] = {32775, 32779, 0, 32778, 32777, 0, 32784, 32785, 0, 32786, 0, 32776};
    ASSERT_EQ(::GetMenuItemCount(popup), static_cast<int>(std::size(expected)));
    for (int i = 0; i < static_cast<int>(std::size(expected)); ++i)
        EXPECT_EQ(::GetMenuItemID(popup, i), expected[i]) << "item " << i;
    char label[64] = "";
    ::GetMenuStringA(popup, 1, label, sizeof(label), MF_BYPOSITION);
    EXPECT_STREQ(label, "Lock && Dusklamp");
    ::DestroyMenu(tray);

    char text[64] = "";
    ::LoadStringA(module.handle, 101, text, sizeof(text));
    EXPECT_STREQ(text, "&About Dusklamp...");
    ::LoadStringA(module.handle, 57344, text, sizeof(text));
    EXPECT_STREQ(text, "Dusklamp");
}

TEST_F(MainWindowTest, AboutBoxOpensFromSystemMenuAndHotKeyStillWorksMeanwhile)
{
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::PostMessageA(main, WM_SYSCOMMAND, kIdmAboutBox, 0));
    HWND about = WaitForDialog(m_app.Id(), "About Dusklamp");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(HasButton(about, IDOK));

    // The modal loop is the program's own, so a thread message still reaches its filter.
    ASSERT_TRUE(::PostThreadMessageA(::GetWindowThreadProcessId(main, nullptr), WM_HOTKEY, 1, 0));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEvents()[0].power, kPowerOff);

    ASSERT_TRUE(PressButton(about, IDOK));
    m_watcher.Clear();
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_TRUE(m_app.IsRunning());
}

TEST_F(MainWindowTest, EveryWayOfClosingOnlyHides)
{
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(::IsWindowVisible(main));

    ::SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(main));

    ::SendMessageA(main, kUmShowSettings, 0, 0);
    ::SendMessageA(main, WM_COMMAND, 57602, 0);  // "&Close"
    EXPECT_FALSE(::IsWindowVisible(main));

    ::SendMessageA(main, kUmShowSettings, 0, 0);
    ::SendMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box and Alt+F4
    EXPECT_FALSE(::IsWindowVisible(main));

    // Still resident and still doing its work.
    EXPECT_EQ(::SendMessageA(main, kUmDisplayOff, 0, 0), 1);
    EXPECT_EQ(m_watcher.PowerEvents().size(), 1u);
}

TEST_F(MainWindowTest, EnterAndEscNeitherCloseNorHide)
{
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    HWND box = ::GetDlgItem(main, kIdcSysTray);
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        ::PostMessageA(box, WM_KEYDOWN, key, 1);
        ::PostMessageA(box, WM_KEYUP, key, 0xC0000001);
    }
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_EQ(FindDialog(m_app.Id(), "Dusklamp"), nullptr);
}

TEST_F(MainWindowTest, StoredHotKeyIsShownInTheControl)
{
    WriteSettingInt("Key", VK_LEFT);
    WriteSettingInt("Mod", MOD_CONTROL | 0x08);  // Ctrl with an extended key
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);
    const LRESULT value = ::SendDlgItemMessageA(main, kIdcHotKey, HKM_GETHOTKEY, 0, 0);
    EXPECT_EQ(LOBYTE(value), VK_LEFT);
    EXPECT_EQ(HIBYTE(value), HOTKEYF_CONTROL | HOTKEYF_EXT);
}

TEST_F(MainWindowTest, ChangeStoresRegistersAndHides)
{
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    ::SendDlgItemMessageA(main, kIdcHotKey, HKM_SETHOTKEY, MAKEWORD('M', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    ClickButton(main, kIdcChange);

    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(DialogText(box), "Changes have been Saved.");
    EXPECT_EQ(::GetWindow(box, GW_OWNER), main);
    EXPECT_EQ(ReadSettingInt("Key"), DWORD(0x4D));
    EXPECT_EQ(ReadSettingInt("Mod"), DWORD(3));
    ASSERT_TRUE(PressButton(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(main); }));

    PressKeys({VK_CONTROL, VK_MENU, 'M'});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_EQ(m_watcher.PowerEvents()[0].power, kPowerOff);
}

TEST_F(MainWindowTest, ChangeWithoutAKeyAsksForOneAndChangesNothing)
{
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    // Modifiers alone are no hot key either.
    ::SendDlgItemMessageA(main, kIdcHotKey, HKM_SETHOTKEY, MAKEWORD(0, HOTKEYF_CONTROL), 0);
    ClickButton(main, kIdcChange);
    ASSERT_TRUE(AnswerMessageBox("Please Click on the Edit Box & Press Hot Key to Change the Key", IDOK));
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_TRUE(::IsWindowVisible(main));
    EXPECT_FALSE(ReadSettingInt("Key").has_value());
    EXPECT_FALSE(ReadSettingInt("Mod").has_value());
}

TEST_F(MainWindowTest, ChangeToCombinationHeldElsewhereSavesThenReportsRegistration)
{
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'K'));
    m_heldHere = true;
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    ::SendDlgItemMessageA(main, kIdcHotKey, HKM_SETHOTKEY, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
    ClickButton(main, kIdcChange);

    ASSERT_TRUE(AnswerMessageBox("Changes have been Saved.", IDOK));
    HWND refused = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(refused, nullptr);
    EXPECT_EQ(DialogText(refused), "Could not Register Hot Key for Dusklamp");
    EXPECT_EQ(::GetWindow(refused, GW_OWNER), nullptr);
    ASSERT_TRUE(PressButton(refused, IDOK));
    EXPECT_EQ(ReadSettingInt("Key"), DWORD('K'));
    EXPECT_EQ(ReadSettingInt("Mod"), DWORD(3));
}

TEST_F(MainWindowTest, ClearForgetsAndReleasesTheHotKey)
{
    WriteSettingInt("Key", 'M');
    WriteSettingInt("Mod", MOD_CONTROL | MOD_ALT);
    HWND main = StartWithSettingsShown();
    ASSERT_NE(main, nullptr);
    ::SendMessageA(main, WM_COMMAND, MAKEWPARAM(kIdcClear, BN_CLICKED), 0);

    EXPECT_EQ(ReadSettingInt("Key"), DWORD(0));
    EXPECT_EQ(ReadSettingInt("Mod"), DWORD(0));
    EXPECT_EQ(::SendDlgItemMessageA(main, kIdcHotKey, HKM_GETHOTKEY, 0, 0), 0);
    EXPECT_TRUE(::IsWindowVisible(main));
    // The combination is free again for anyone.
    ASSERT_TRUE(::RegisterHotKey(nullptr, 1, MOD_CONTROL | MOD_ALT, 'M'));
    m_heldHere = true;

    // With nothing stored, Exit quits without asking.
    ::PostMessageA(main, WM_COMMAND, kTrayExit, 0);
    EXPECT_TRUE(m_app.WaitForExit());
}

TEST_F(MainWindowTest, ExitAsksFirstWhenAHotKeyIsStored)
{
    WriteSettingInt("Key", 0);
    WriteSettingInt("Mod", MOD_SHIFT);  // no usable hot key, yet something is stored
    HWND main = StartResident(m_app, ":silent");
    ASSERT_NE(main, nullptr);

    ::PostMessageA(main, WM_COMMAND, kTrayExit, 0);
    HWND question = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(DialogText(question), "Once you close the Application, Associated Hot Key (if defined) will not work "
                                    "for Dusklamp.\nDo you wish to continue?");
    EXPECT_EQ(::GetWindow(question, GW_OWNER), main);
    ASSERT_TRUE(PressButton(question, IDNO));
    ExpectNoBroadcastBeforeProbe(main);
    EXPECT_TRUE(m_app.IsRunning());

    ::PostMessageA(main, WM_COMMAND, kTrayExit, 0);
    question = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(question, nullptr);
    ASSERT_TRUE(PressButton(question, IDYES));
    EXPECT_TRUE(m_app.WaitForExit());
}

}  // namespace
