// The precedence of policies over the user's own values.
#include "settings/PolicyRules.h"

namespace {

bool PolicyNumber(const RegistryValue& policy, PolicyRange range, int& value)
{
    std::uint32_t number = 0;
    if (!RegistryNumber(policy, number) || number < range.lowest || number > range.highest)
        return false;
    value = static_cast<int>(number);
    return true;
}

}  // namespace

NumberInForce ResolveNumber(const RegistryValue& machinePolicy, const RegistryValue& userPolicy,
                            const std::optional<int>& own, int defaultValue, PolicyRange range)
{
    int value = 0;
    if (PolicyNumber(machinePolicy, range, value) || PolicyNumber(userPolicy, range, value))
        return {value, true};
    return {own.value_or(defaultValue), false};
}

StoredAllowedSenders ResolveAllowedSenders(const RegistryValue& machinePolicy, const RegistryValue& userPolicy,
                                           const StoredAllowedSenders& own, bool& byPolicy)
{
    using Kind = StoredAllowedSenders::Kind;
    byPolicy = true;
    for (const RegistryValue* policy : {&machinePolicy, &userPolicy}) {
        if (policy->state == RegistryValue::State::Absent)
            continue;
        StoredAllowedSenders stored;
        if (!RegistryText(*policy, stored.text))
            stored.kind = Kind::Unreadable;
        else
            stored.kind = stored.text.empty() ? Kind::Empty : Kind::Text;
        return stored;
    }
    byPolicy = false;
    return own;
}
