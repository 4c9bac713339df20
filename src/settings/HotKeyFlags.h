// The global hot key as stored ("Key", "Mod") and as the hot key control shows it. No Windows headers here.
#pragma once

#include <cstdint>

// Modifier flags of the hot key control (high byte of its value).
inline constexpr unsigned kControlShift = 0x01;
inline constexpr unsigned kControlCtrl = 0x02;
inline constexpr unsigned kControlAlt = 0x04;
inline constexpr unsigned kControlExtended = 0x08;

// Modifier flags as the system's hot key registration takes them, and as "Mod" stores them.
inline constexpr unsigned kModAlt = 0x0001;
inline constexpr unsigned kModCtrl = 0x0002;
inline constexpr unsigned kModShift = 0x0004;
inline constexpr unsigned kModWin = 0x0008;

// Control flags to stored modifiers. The extended-key flag is carried over as 0x08, which the
// registration reads as the Windows key; any bit not listed is dropped.
unsigned ControlFlagsToModifiers(unsigned controlFlags);
// Stored modifiers back to control flags, by the same table.
unsigned ModifiersToControlFlags(unsigned modifiers);

// What the registration gets from the stored values: each cut to its low 16 bits.
struct HotKeyRegistration {
    bool registers;        // false when no key is stored
    std::uint16_t key;
    std::uint16_t modifiers;
};
HotKeyRegistration RegistrationFromStored(int storedKey, int storedMod);

// The control's 16-bit value for the stored hot key: converted flags high, key's low byte low.
std::uint16_t ControlValueFromStored(int storedKey, int storedMod);

// Whether a hot key counts as stored, for the question before exit.
bool IsHotKeyStored(int storedKey, int storedMod);
