// The hot key as the control shows it and as it is stored and registered.
#include <gtest/gtest.h>

#include "settings/HotKeyFlags.h"
#include "settings/NetworkValues.h"

namespace {

TEST(HotKeyFlags, EachControlFlagMapsToItsModifierAndBackAndUnlistedBitsAreDropped)
{
    // 0x4000 is MOD_NOREPEAT, not ours to carry.
    const struct { unsigned control, modifier; } table[] = {{0x01, 0x04}, {0x02, 0x02}, {0x04, 0x01}, {0x08, 0x08}};
    for (const auto& row : table) {
        EXPECT_EQ(ControlFlagsToModifiers(row.control), row.modifier) << row.control;
        EXPECT_EQ(ModifiersToControlFlags(row.modifier), row.control) << row.modifier;
    }
    // 0x0A: Ctrl with an arrow of the cursor block, whose extended flag travels as the Windows key.
    for (const auto& [in, out] : {std::pair{0xF0u, 0u}, {0xFFu, 0x0Fu}, {0x0Au, 0x0Au}})
        EXPECT_EQ(ControlFlagsToModifiers(in), out) << in;
    for (const auto& [in, out] : {std::pair{0x4000u, 0u}, {0xFFFFu, 0x0Fu}})
        EXPECT_EQ(ModifiersToControlFlags(in), out) << in;
}

TEST(HotKeyFlags, RegistrationUsesLow16BitsAndNeedsAKey)
{
    // A key of 0x10000 is 0 in its low 16 bits.
    const struct { int key, mod; bool registers; unsigned registeredKey, modifiers; } cases[] = {
        {0, 3, false, 0, 0}, {0x10000, 3, false, 0, 0}, {0x1234004D, 0x7FFF0003, true, 0x004D, 0x0003},
        {-1, 0, true, 0xFFFF, 0}, {0x25, 10, true, 0x25, 10}};
    for (const auto& c : cases) {
        const HotKeyRegistration r = RegistrationFromStored(c.key, c.mod);
        EXPECT_EQ(r.registers, c.registers) << c.key;
        if (c.registers) {
            EXPECT_EQ(r.key, c.registeredKey) << c.key;
            EXPECT_EQ(r.modifiers, c.modifiers) << c.key;
        }
    }
}

TEST(HotKeyFlags, ControlShowsLowByteOfKeyAndModAndEitherNonZeroLowWordCountsAsStored)
{
    // 0x10 is no flag of ours, 0x04 is Shift; 3 is Ctrl+Alt and 10 Ctrl with the Windows key as stored.
    const struct { int key, mod, control; } shown[] = {
        {0, 0, 0}, {0x1FF, 0, 0xFF}, {'A', 0x14, 0x0141}, {'M', 3, 0x064D}, {0x25, 10, 0x0A25}};
    for (const auto& c : shown)
        EXPECT_EQ(ControlValueFromStored(c.key, c.mod), c.control) << c.key << ' ' << c.mod;
    const struct { int key, mod; bool stored; } stored[] = {
        {0, 0, false}, {0x10000, 0x20000, false}, {'M', 0, true}, {0, 3, true}};
    for (const auto& c : stored)
        EXPECT_EQ(IsHotKeyStored(c.key, c.mod), c.stored) << c.key << ' ' << c.mod;
}

TEST(NetworkValues, OnlyAStoredOneSwitchesTheSocketLayerOn)
{
    // Either role alone needs the socket layer; values the dialog never writes count as off.
    const struct { int server, client; bool used; } cases[] = {
        {0, 0, false}, {1, 0, true}, {0, 1, true}, {2, -1, false}};
    for (const auto& c : cases)
        EXPECT_EQ(IsNetworkUsed(c.server, c.client), c.used) << c.server << ' ' << c.client;
}

}  // namespace
