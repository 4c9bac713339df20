// The hot key as the control shows it and as it is stored and registered.
#include <gtest/gtest.h>

#include "settings/HotKeyFlags.h"
#include "settings/NetworkValues.h"

namespace {

TEST(HotKeyFlags, EachControlFlagMapsToItsModifierAndBack)
{
    const struct { unsigned control, modifier; } table[] = {{0x01, 0x04}, {0x02, 0x02}, {0x04, 0x01}, {0x08, 0x08}};
    for (const auto& row : table) {
        EXPECT_EQ(ControlFlagsToModifiers(row.control), row.modifier) << row.control;
        EXPECT_EQ(ModifiersToControlFlags(row.modifier), row.control) << row.modifier;
    }
}

TEST(HotKeyFlags, UnlistedBitsAreDroppedBothWays)
{
    EXPECT_EQ(ControlFlagsToModifiers(0xF0), 0u);
    EXPECT_EQ(ControlFlagsToModifiers(0xFF), 0x0Fu);
    EXPECT_EQ(ModifiersToControlFlags(0x4000), 0u);  // MOD_NOREPEAT is not ours to carry
    EXPECT_EQ(ModifiersToControlFlags(0xFFFF), 0x0Fu);
}

TEST(HotKeyFlags, ExtendedKeyIsCarriedAsWindowsKeyAndShownAgainAsExtended)
{
    const unsigned stored = ControlFlagsToModifiers(0x02 | 0x08);  // Ctrl with an arrow of the cursor block
    EXPECT_EQ(stored, 10u);
    const HotKeyRegistration registration = RegistrationFromStored(0x25, static_cast<int>(stored));
    EXPECT_EQ(registration.modifiers, 0x02 | 0x08);
    EXPECT_EQ(ControlValueFromStored(0x25, static_cast<int>(stored)), 0x0A25);
}

TEST(HotKeyFlags, RegistrationUsesLow16BitsAndNeedsAKey)
{
    EXPECT_FALSE(RegistrationFromStored(0, 3).registers);
    EXPECT_FALSE(RegistrationFromStored(0x10000, 3).registers) << "a key of 0 in its low 16 bits";
    const HotKeyRegistration r = RegistrationFromStored(0x1234004D, 0x7FFF0003);
    EXPECT_TRUE(r.registers);
    EXPECT_EQ(r.key, 0x004D);
    EXPECT_EQ(r.modifiers, 0x0003);
    EXPECT_TRUE(RegistrationFromStored(-1, 0).registers);
    EXPECT_EQ(RegistrationFromStored(-1, 0).key, 0xFFFF);
}

TEST(HotKeyFlags, ControlShowsLowByteOfKeyAndLowFourBitsOfMod)
{
    EXPECT_EQ(ControlValueFromStored(0, 0), 0);
    EXPECT_EQ(ControlValueFromStored(0x1FF, 0), 0xFF);
    EXPECT_EQ(ControlValueFromStored('A', 0x14), 0x0141) << "0x10 is no flag of ours; 0x04 is Shift";
    EXPECT_EQ(ControlValueFromStored('M', 3), 0x064D) << "Ctrl+Alt, as stored";
}

TEST(HotKeyFlags, HotKeyCountsAsStoredWhenEitherValueIsNonZero)
{
    EXPECT_FALSE(IsHotKeyStored(0, 0));
    EXPECT_FALSE(IsHotKeyStored(0x10000, 0x20000)) << "only the low 16 bits count";
    EXPECT_TRUE(IsHotKeyStored('M', 0));
    EXPECT_TRUE(IsHotKeyStored(0, 3));
}

TEST(NetworkValues, OnlyAStoredOneSwitchesTheSocketLayerOn)
{
    EXPECT_FALSE(IsNetworkUsed(0, 0)) << "a user who never opened the network settings";
    EXPECT_TRUE(IsNetworkUsed(1, 0)) << "sending alone needs the socket layer too";
    EXPECT_TRUE(IsNetworkUsed(0, 1));
    EXPECT_FALSE(IsNetworkUsed(2, -1)) << "values the dialog never writes count as off";
}

}  // namespace
