// The notification icon's record size by shell version and what each notification does.
#include <gtest/gtest.h>

#include "ui/TrayLogic.h"

namespace {

TEST(TrayLogic, RecordSizeFollowsShellVersion)
{
    EXPECT_EQ(NotifyIconRecordSize(0), 88u);
    EXPECT_EQ(NotifyIconRecordSize(4), 88u);
    EXPECT_EQ(NotifyIconRecordSize(5), 488u);
    EXPECT_EQ(NotifyIconRecordSize(6), 504u);
    EXPECT_EQ(NotifyIconRecordSize(10), 504u);
}

TEST(TrayLogic, OnlyOurIconsRightButtonUpAndDoubleClickAct)
{
    EXPECT_EQ(TrayActionFor(133, 133, kMouseRightButtonUp), TrayAction::ShowMenu);
    EXPECT_EQ(TrayActionFor(133, 133, kMouseLeftDoubleClick), TrayAction::RunDefaultItem);
    EXPECT_EQ(TrayActionFor(134, 133, kMouseLeftDoubleClick), TrayAction::NotOurs);
    EXPECT_EQ(TrayActionFor(0, 133, kMouseRightButtonUp), TrayAction::NotOurs);
    for (unsigned other : {0x200u /* move */, 0x201u /* left down */, 0x202u /* left up */, 0x204u /* right down */,
                           0x206u /* right double click */, 0x207u /* middle down */}) {
        EXPECT_EQ(TrayActionFor(133, 133, other), TrayAction::Nothing) << other;
    }
}

}  // namespace
