// The notification icon's record size by shell version and what each notification does.
#include <gtest/gtest.h>

#include "ui/TrayLogic.h"

namespace {

TEST(TrayLogic, RecordSizeFollowsShellVersionAndProcessor)
{
    const struct { int shell; unsigned size32, size64; } cases[] = {
        {0, 88, 104}, {4, 88, 104}, {5, 488, 504}, {6, 504, 520}, {10, 504, 520}};
    for (const auto& c : cases) {
        EXPECT_EQ(NotifyIconRecordSize(c.shell, 4), c.size32) << "shell " << c.shell;
        EXPECT_EQ(NotifyIconRecordSize(c.shell, 8), c.size64) << "shell " << c.shell;
    }
}

TEST(TrayLogic, OnlyOurIconsRightButtonUpAndDoubleClickAct)
{
    EXPECT_EQ(TrayActionFor(133, 133, kMouseRightButtonUp), TrayAction::ShowMenu);
    EXPECT_EQ(TrayActionFor(133, 133, kMouseLeftDoubleClick), TrayAction::RunDefaultItem);
    EXPECT_EQ(TrayActionFor(134, 133, kMouseLeftDoubleClick), TrayAction::NotOurs);
    EXPECT_EQ(TrayActionFor(0, 133, kMouseRightButtonUp), TrayAction::NotOurs);
    // Move; left down and up; right down and double click; middle down.
    for (unsigned other : {0x200u, 0x201u, 0x202u, 0x204u, 0x206u, 0x207u})
        EXPECT_EQ(TrayActionFor(133, 133, other), TrayAction::Nothing) << other;
}

TEST(TrayLogic, StartWithWindowsIsTickedOnlyForAnEntryThatStartsThisVeryProgram)
{
    const char kModule[] = "C:\\Program Files\\Dusklamp\\dusklamp.exe";
    const struct { std::string command; bool starts; } cases[] = {
        {StartupCommandFor(kModule), true}, {"\"c:\\program files\\dusklamp\\DUSKLAMP.EXE\"", true},
        {"  \"C:\\Program Files\\Dusklamp\\dusklamp.exe\"", true}, {"C:\\Program Files\\Dusklamp\\dusklamp.exe", true},
        {"C:\\Program Files\\Dusklamp\\dusklamp.exe :silent", true},
        {"\"D:\\Old\\dusklamp.exe\" :silent", false}, {"\"C:\\Program Files\\Dusklamp\\dusklamp.exe.old\"", false},
        {"C:\\Program Files\\Dusklamp\\dusklamp.exe2 :silent", false},
        {"\"C:\\Program Files\\Dusklamp\\dusklamp.exe", false},  // never closed
        {"C:\\Program Files\\Dusklamp", false}, {"\"\"", false}, {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(StartupCommandStartsProgram(c.command, kModule), c.starts) << c.command;
    EXPECT_EQ(StartupCommandFor(kModule), "\"C:\\Program Files\\Dusklamp\\dusklamp.exe\" :silent");
    EXPECT_FALSE(StartupCommandStartsProgram("", ""));
}

}  // namespace
