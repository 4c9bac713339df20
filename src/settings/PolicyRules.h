// Which value is in force where an administrator may set it by policy: the machine's policy, then
// the user's policy, then the user's own value, then the default. No Windows headers here.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/RegistryValue.h"
#include "settings/NetworkValues.h"

// The numbers a policy may hold; one outside them counts as no policy at all.
struct PolicyRange {
    std::uint32_t lowest;
    std::uint32_t highest;
};
inline constexpr PolicyRange kAnyPolicyNumber = {0, 0xFFFFFFFF};
inline constexpr PolicyRange kPolicyPortRange = {kLowestPort, kHighestPort};
// A virtual-key code, and the modifiers the system's registration knows (Alt, Ctrl, Shift, Windows).
inline constexpr PolicyRange kPolicyKeyRange = {0, 254};
inline constexpr PolicyRange kPolicyModRange = {0, 15};

struct NumberInForce {
    int value;
    bool byPolicy;  // the user can neither see nor store a value of their own
};

// A policy counts only as a REG_DWORD within the range: anything else is taken for none, so that
// a mistyped policy leaves the user's own choice rather than some number made of its bytes. The
// user's own value is as the profile reads it (any type), absent when it is not there.
NumberInForce ResolveNumber(const RegistryValue& machinePolicy, const RegistryValue& userPolicy,
                            const std::optional<int>& own, int defaultValue, PolicyRange range);

// "AllowedSenders" the same way, but a policy that is there and is no string, or that the registry
// would not give, lets nobody in: neither the user's own list nor everyone may take its place.
StoredAllowedSenders ResolveAllowedSenders(const RegistryValue& machinePolicy, const RegistryValue& userPolicy,
                                           const StoredAllowedSenders& own, bool& byPolicy);
