// Which value is in force: the machine's policy, the user's policy, the user's own value, the default.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "net/AllowedSenders.h"
#include "settings/PolicyRules.h"

namespace {

RegistryValue Stored(std::uint32_t type, std::string data) { return {RegistryValue::State::Present, type, data}; }
RegistryValue Dword(std::uint32_t n)
{
    return Stored(kRegistryDword, {char(n), char(n >> 8), char(n >> 16), char(n >> 24)});
}
RegistryValue Sz(const std::string& text) { return Stored(kRegistryString, text + '\0'); }

const RegistryValue kAbsent{};
const RegistryValue kUnreadable{RegistryValue::State::Unreadable, 0, ""};
const std::uint32_t kQword = 11, kMultiSz = 7;
const PolicyRange kAny = kAnyPolicyNumber, kPort = kPolicyPortRange;

TEST(PolicyRules, APolicyWinsOnlyAsADwordWithinItsRangeAndAnythingElseIsTakenForNone)
{
    const struct {
        const char* name; RegistryValue machine, user; std::optional<int> own; PolicyRange range;
        int value; bool byPolicy;
    } cases[] = {
        {"nothing anywhere", kAbsent, kAbsent, std::nullopt, kAny, 7, false},
        {"the user's own", kAbsent, kAbsent, 0, kAny, 0, false}, {"a string", Sz("1"), Dword(5), 0, kAny, 5, true},
        {"the user's policy over the own", kAbsent, Dword(1), 0, kAny, 1, true},
        {"the machine's over the user's", Dword(0), Dword(1), 1, kAny, 0, true},
        {"two bytes are no DWORD", Stored(kRegistryDword, "\x01\x00"), kAbsent, 3, kAny, 3, false},
        {"a QWORD is no DWORD", Stored(kQword, std::string(8, '\x01')), kAbsent, 3, kAny, 3, false},
        {"unreadable", kUnreadable, Dword(2), 3, kAny, 2, true},
        {"port 0", Dword(0), kAbsent, 1960, kPort, 1960, false},
        {"port 65536", Dword(65536), Dword(70000), std::nullopt, kPort, 7, false},
        {"port 1", Dword(1), kAbsent, 1960, kPort, 1, true},
        {"port 65535 from the user's policy", Dword(0), Dword(65535), 1960, kPort, 65535, true},
        {"every bit", Dword(0xFFFFFFFF), kAbsent, 0, kAny, -1, true},
        {"key 255", Dword(255), Dword(254), 0, kPolicyKeyRange, 254, true},
        {"modifier 16", Dword(16), kAbsent, 2, kPolicyModRange, 2, false}};
    for (const auto& c : cases) {
        const NumberInForce found = ResolveNumber(c.machine, c.user, c.own, 7, c.range);
        EXPECT_EQ(found.value, c.value) << c.name;
        EXPECT_EQ(found.byPolicy, c.byPolicy) << c.name;
    }
}

TEST(PolicyRules, AnAllowedSendersPolicyThatIsNoStringLetsNobodyInNeverTheOwnListOrEveryone)
{
    using Kind = StoredAllowedSenders::Kind;
    const std::uint32_t second = 0x7F000002;  // 127.0.0.2
    const StoredAllowedSenders ownSecond{Kind::Text, "127.0.0.2"}, ownEveryone{Kind::Empty, ""};
    const struct {
        const char* name; RegistryValue machine, user; StoredAllowedSenders own; bool byPolicy, admitsSecond;
    } cases[] = {
        {"no policy", kAbsent, kAbsent, ownSecond, false, true}, {"a DWORD", Dword(0), kAbsent, ownSecond, true, false},
        {"a DWORD over the user's policy", Dword(0), Sz("127.0.0.2"), ownEveryone, true, false},
        {"a multi-string", Stored(kMultiSz, std::string("127.0.0.2\0\0", 11)), kAbsent, ownEveryone, true, false},
        {"unreadable", kUnreadable, kAbsent, ownEveryone, true, false},
        {"the user's policy", kAbsent, Sz("10.0.0.0/8"), ownEveryone, true, false},
        {"an expandable string", Stored(kRegistryExpandString, "127.0.0.2"), kAbsent, ownEveryone, true, true},
        {"an empty policy admits everyone on purpose", Sz(""), kAbsent, {Kind::Text, "10.0.0.1"}, true, true}};
    for (const auto& c : cases) {
        bool byPolicy = !c.byPolicy;
        const StoredAllowedSenders found = ResolveAllowedSenders(c.machine, c.user, c.own, byPolicy);
        EXPECT_EQ(byPolicy, c.byPolicy) << c.name;
        EXPECT_EQ(IsSenderAllowed(found, second), c.admitsSecond) << c.name;
    }
}

}  // namespace
