// The profile functions against the real registry: key creation, value types and sizes, failures.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <functional>
#include <string>

#include "framework/Profile.h"
#include "framework/RegistryWatch.h"

namespace {

const char kSectionPath[] = "Software\\DusklampProfileTest\\App\\Section";

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override { ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\DusklampProfileTest"); }

    // The value's type and bytes as the registry holds them; type 0 when it is absent.
    static std::pair<DWORD, std::string> Raw(const char* name)
    {
        char data[256] = "";
        DWORD size = sizeof(data);
        DWORD type = 0;
        if (::SHGetValueA(HKEY_CURRENT_USER, kSectionPath, name, &type, data, &size) != ERROR_SUCCESS)
            return {0, ""};
        return {type, std::string(data, size)};
    }

    static void SetRaw(const char* name, DWORD type, const std::string& data)
    {
        ::SHSetValueA(HKEY_CURRENT_USER, kSectionPath, name, type, data.data(), static_cast<DWORD>(data.size()));
    }

    CProfile m_profile{"DusklampProfileTest", "App"};
};

TEST_F(ProfileTest, ReadsOfAnAbsentPathGiveDefaultsAndCreateNothing)
{
    EXPECT_EQ(m_profile.GetInt("Section", "Missing", -1), -1);
    EXPECT_EQ(m_profile.GetString("Section", "Missing", "fallback"), "fallback");
    std::string value = "x";
    bool exists = true;
    EXPECT_TRUE(m_profile.QueryString("Section", "Missing", value, exists));
    EXPECT_FALSE(exists);
    EXPECT_EQ(value, "");
    HKEY key = nullptr;
    EXPECT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\DusklampProfileTest", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

TEST_F(ProfileTest, IntegersAreFourByteDwordsAndStringsKeepTheirTerminator)
{
    ASSERT_TRUE(m_profile.WriteInt("Section", "Port", 1960));
    ASSERT_TRUE(m_profile.WriteInt("Section", "Negative", -1));
    ASSERT_TRUE(m_profile.WriteString("Section", "Action", "Restart(Brute)"));
    ASSERT_TRUE(m_profile.WriteString("Section", "Empty", ""));
    EXPECT_EQ(Raw("Port"), std::make_pair(DWORD(REG_DWORD), std::string("\xA8\x07\0\0", 4)));
    EXPECT_EQ(Raw("Action"), std::make_pair(DWORD(REG_SZ), std::string("Restart(Brute)\0", 15)));
    EXPECT_EQ(m_profile.GetInt("Section", "Port", 0), 1960);
    EXPECT_EQ(m_profile.GetInt("Section", "Negative", 0), -1);
    EXPECT_EQ(m_profile.GetString("Section", "Action", "x"), "Restart(Brute)");
    EXPECT_EQ(m_profile.GetString("Section", "Empty", "x"), "");
}

TEST_F(ProfileTest, ReadsOfOtherTypesAndSizes)
{
    SetRaw("Long", REG_BINARY, "\1\2\3\4\5\6\7\x08");
    EXPECT_EQ(m_profile.GetInt("Section", "Long", 42), 42) << "longer than four bytes counts as absent";
    SetRaw("Short", REG_BINARY, "\x34\x12");
    EXPECT_EQ(m_profile.GetInt("Section", "Short", 42), 0x1234) << "shorter values read zero-extended";
    SetRaw("Text", REG_SZ, std::string("ab", 3));
    EXPECT_EQ(m_profile.GetInt("Section", "Text", 42), 0x006261) << "the type does not matter";

    SetRaw("Raw", REG_BINARY, "abc");
    EXPECT_EQ(m_profile.GetString("Section", "Raw", "x"), "abc") << "no terminator";
    const std::string big(5000, 'z');
    SetRaw("Big", REG_SZ, std::string(big.c_str(), big.size() + 1));
    EXPECT_EQ(m_profile.GetString("Section", "Big", "x"), big);
}

TEST_F(ProfileTest, AStringIsQueriedAsStoredAndAnyOtherTypeAsUnreadable)
{
    // The value's type and bytes; whether it reads; and as what.
    const struct { DWORD type; std::string data; bool read; std::string value; } cases[] = {
        {REG_SZ, std::string("10.0.0.1\0", 9), true, "10.0.0.1"}, {REG_SZ, std::string("\0", 1), true, ""},
        {REG_SZ, "", true, ""}, {REG_SZ, "abc", true, "abc"}, {REG_EXPAND_SZ, std::string("a\0", 2), true, "a"},
        // A NUL inside stays, so that the text is not taken for its front part alone.
        {REG_SZ, std::string("1.2.3.4\0x\0\0", 11), true, std::string("1.2.3.4\0x", 9)},
        {REG_DWORD, std::string(4, '\0'), false, ""}, {REG_BINARY, "abc", false, ""},
        {REG_MULTI_SZ, std::string("a\0\0", 3), false, ""}};
    for (const auto& c : cases) {
        SetRaw("Value", c.type, c.data);
        std::string value = "x";
        bool exists = false;
        EXPECT_EQ(m_profile.QueryString("Section", "Value", value, exists), c.read) << c.type << " " << c.data;
        EXPECT_TRUE(exists) << c.type << " " << c.data;
        EXPECT_EQ(value, c.value) << c.type << " " << c.data;
    }
    std::string value;
    bool exists = true;
    EXPECT_TRUE(m_profile.QueryString("Section", "Other", value, exists));
    EXPECT_FALSE(exists) << "a missing value in a key that is there";
}

TEST_F(ProfileTest, UnopenablePathGivesDefaultsAndFailedWrites)
{
    // Key names are limited to 255 characters, so this company key can never be created.
    const CProfile broken(std::string(300, 'c'), "App");
    EXPECT_EQ(broken.GetInt("Section", "Any", 7), 7);
    EXPECT_EQ(broken.GetString("Section", "Any", "d"), "d");
    EXPECT_FALSE(broken.WriteInt("Section", "Any", 1));
    EXPECT_FALSE(broken.WriteString("Section", "Any", "v"));
}

// A watch tells of every change on its paths, whether the keys were there or not, and of nothing
// before one; without the watch, a changed list would be applied late or never.
TEST_F(ProfileTest, ARegistryWatchSeesKeysMadeValuesSetAndKeysDeletedOnItsPathsAlone)
{
    const char kOther[] = "Software\\DusklampProfileTest\\Other";
    const char kElsewhere[] = "Software\\DusklampProfileTestElsewhere";
    const char kAppPath[] = "Software\\DusklampProfileTest\\App";
    CRegistryWatch watch;
    const auto step = [&](const char* what, const std::function<void()>& change, bool seen) {
        watch.Watch({{HKEY_CURRENT_USER, kSectionPath}, {HKEY_CURRENT_USER, kOther}});
        EXPECT_FALSE(watch.HasChanged()) << what;
        change();
        EXPECT_EQ(watch.HasChanged(), seen) << what;
    };
    step("nothing", [] {}, false);
    step("the whole path made", [] { SetRaw("AllowedSenders", REG_SZ, "10.0.0.1"); }, true);
    step("a value set", [] { SetRaw("AllowedSenders", REG_SZ, "10.0.0.2"); }, true);
    step("another path's key made", [&] { ::SHSetValueA(HKEY_CURRENT_USER, kOther, "x", REG_SZ, "1", 1); }, true);
    step("elsewhere", [&] { ::SHSetValueA(HKEY_CURRENT_USER, kElsewhere, "x", REG_SZ, "1", 1); }, false);
    step("the key deleted", [] { ::SHDeleteKeyA(HKEY_CURRENT_USER, kSectionPath); }, true);
    step("a value on the way", [&] { ::SHSetValueA(HKEY_CURRENT_USER, kAppPath, "v", REG_SZ, "1", 1); }, false);
    step("the key made again", [] { SetRaw("AllowedSenders", REG_SZ, "10.0.0.3"); }, true);
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kElsewhere);
}

}  // namespace
