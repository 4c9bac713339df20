// The wake guard's rules: what arms and disarms it, and when mouse input turns the display off again.
#include <gtest/gtest.h>

#include "ui/WakeGuardRules.h"
#include "ui/WakeKeys.h"

namespace {

const unsigned kShift = 0x10, kCtrl = 0x11, kM = 'M';

// Armed the way every trigger arms it: a display-off request, then its broadcast.
CWakeGuardRules Armed()
{
    CWakeGuardRules rules;
    rules.OnDisplayOffRequested();
    EXPECT_TRUE(rules.OnBroadcast(true, true));
    return rules;
}

TEST(WakeGuardRules, ArmsOnlyAtTheBroadcastOfAPlainOffRequestTheUserWants)
{
    const struct { const char* what; bool requested, displayOff, wanted, arms; } cases[] = {
        {"off request, wanted", true, true, true, true}, {"option off", true, true, false, false},
        {"a broadcast nobody asked this guard for (a lock's blanking)", false, true, true, false},
        {"the request ended in display on", true, false, true, false}};
    for (const auto& c : cases) {
        CWakeGuardRules rules;
        if (c.requested)
            rules.OnDisplayOffRequested();
        EXPECT_EQ(rules.OnBroadcast(c.displayOff, c.wanted), c.arms) << c.what;
        EXPECT_EQ(rules.IsArmed(), c.arms) << c.what;
        // One request arms once: a later broadcast with no request of its own does not.
        rules.OnDisarmingRequest();
        EXPECT_FALSE(rules.OnBroadcast(true, true)) << c.what;
    }
}

TEST(WakeGuardRules, DisplayOnLockOrChoiceDisarmsAndDropsAPendingArm)
{
    CWakeGuardRules rules = Armed();
    EXPECT_TRUE(rules.OnDisarmingRequest());
    EXPECT_FALSE(rules.IsArmed());
    EXPECT_FALSE(rules.OnDisarmingRequest()) << "nothing left to disarm";

    // Off requested, then display on (or a lock) before the pause is over: the broadcast arms nothing.
    rules.OnDisplayOffRequested();
    rules.OnDisarmingRequest();
    EXPECT_FALSE(rules.OnBroadcast(true, true));

    rules = Armed();
    EXPECT_FALSE(rules.OnBroadcast(false, true));
    EXPECT_FALSE(rules.IsArmed()) << "a display-on broadcast disarms";
}

TEST(WakeKeys, FirstPressOfAKeyNotHeldAtArmingFreesTheMouse)
{
    std::bitset<256> held;
    held.set(kCtrl).set(kM);  // the hot key, still down at the broadcast
    CWakeKeys keys;
    keys.Arm(held);
    EXPECT_FALSE(keys.OnKey(kM, true)) << "a repeat of a key held at arming";
    EXPECT_FALSE(keys.OnKey(kM, false));
    EXPECT_FALSE(keys.OnKey(kCtrl, false)) << "a release is no press";
    EXPECT_TRUE(keys.OnKey(kM, true)) << "pressed again after its release";
    EXPECT_TRUE(keys.OnKey(kM + 0x100, true)) << "only the low byte names the key";

    keys.Arm(held);
    EXPECT_TRUE(keys.OnKey(kShift, true));
    EXPECT_FALSE(keys.OnKey(kCtrl, true)) << "a new arming takes the keys held anew";
}

TEST(WakeGuardRules, EachBurstOfMouseInputReblanksOnceAfterItSettles)
{
    CWakeGuardRules rules = Armed();
    const unsigned long long t = 1000000;
    EXPECT_TRUE(rules.OnMouseInput(t)) << "a new burst asks for a check";
    EXPECT_FALSE(rules.OnMouseInput(t + 100));
    EXPECT_EQ(rules.NextCheckMs(), t + 100 + CWakeGuardRules::kSettleMs);
    EXPECT_FALSE(rules.TakeReblank(t + 100 + CWakeGuardRules::kSettleMs - 1));
    EXPECT_TRUE(rules.TakeReblank(t + 100 + CWakeGuardRules::kSettleMs));
    EXPECT_FALSE(rules.TakeReblank(t + 5000)) << "once per burst";
    EXPECT_TRUE(rules.OnMouseInput(t + 6000)) << "the next burst is a new one";
    rules.OnDisarmingRequest();
    EXPECT_FALSE(rules.TakeReblank(t + 9000)) << "a burst under way when disarmed is dropped";
    EXPECT_FALSE(rules.OnMouseInput(t + 9000)) << "nothing happens while disarmed";
}

TEST(WakeGuardRules, AMouseThatNeverSettlesStillReblanksEverySecondAndNoMoreOften)
{
    CWakeGuardRules rules = Armed();
    int reblanks = 0;
    for (unsigned long long now = 0; now < 5000; now += 10) {
        if (now % 20 == 0)
            rules.OnMouseInput(now);
        if (rules.TakeReblank(now))
            ++reblanks;
    }
    EXPECT_GE(reblanks, 4);
    EXPECT_LE(reblanks, 5);
}

}  // namespace
