// Conversion between the hot key control's flags and the registration's modifiers.
#include "settings/HotKeyFlags.h"

namespace {

struct FlagPair {
    unsigned control;
    unsigned modifier;
};

const FlagPair kFlagTable[] = {
    {kControlShift, kModShift},
    {kControlCtrl, kModCtrl},
    {kControlAlt, kModAlt},
    {kControlExtended, kModWin},
};

}  // namespace

unsigned ControlFlagsToModifiers(unsigned controlFlags)
{
    unsigned modifiers = 0;
    for (const FlagPair& pair : kFlagTable) {
        if (controlFlags & pair.control)
            modifiers |= pair.modifier;
    }
    return modifiers;
}

unsigned ModifiersToControlFlags(unsigned modifiers)
{
    unsigned flags = 0;
    for (const FlagPair& pair : kFlagTable) {
        if (modifiers & pair.modifier)
            flags |= pair.control;
    }
    return flags;
}

HotKeyRegistration RegistrationFromStored(int storedKey, int storedMod)
{
    const auto key = static_cast<std::uint16_t>(static_cast<unsigned>(storedKey) & 0xFFFF);
    const auto modifiers = static_cast<std::uint16_t>(static_cast<unsigned>(storedMod) & 0xFFFF);
    return {key != 0, key, modifiers};
}

std::uint16_t ControlValueFromStored(int storedKey, int storedMod)
{
    const unsigned flags = ModifiersToControlFlags(static_cast<unsigned>(storedMod) & 0x0F);
    return static_cast<std::uint16_t>((flags << 8) | (static_cast<unsigned>(storedKey) & 0xFF));
}

bool IsHotKeyStored(int storedKey, int storedMod)
{
    return (static_cast<unsigned>(storedKey) & 0xFFFF) != 0 || (static_cast<unsigned>(storedMod) & 0xFFFF) != 0;
}
