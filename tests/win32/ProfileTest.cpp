// The profile functions against the real registry: key creation, value types and sizes, failures.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <string>

#include "framework/Profile.h"

namespace {

const char kCompany[] = "DusklampProfileTest";
const char kSectionPath[] = "Software\\DusklampProfileTest\\App\\Section";

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\DusklampProfileTest"); }
    void TearDown() override { ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\DusklampProfileTest"); }

    static bool SectionExists()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSectionPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(key);
        return true;
    }

    static void SetRaw(const char* name, DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_CURRENT_USER, kSectionPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                                    nullptr),
                  ERROR_SUCCESS);
        ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        ::RegCloseKey(key);
    }

    static bool QueryRaw(const char* name, DWORD& type, std::string& data)
    {
        char buffer[256] = "";
        DWORD size = sizeof(buffer);
        if (::SHGetValueA(HKEY_CURRENT_USER, kSectionPath, name, &type, buffer, &size) != ERROR_SUCCESS)
            return false;
        data.assign(buffer, size);
        return true;
    }

    CProfile m_profile{kCompany, "App"};
};

TEST_F(ProfileTest, ReadOfAbsentValueGivesDefaultAndCreatesWholePath)
{
    ASSERT_FALSE(SectionExists());
    EXPECT_EQ(m_profile.GetInt("Section", "Missing", -1), -1);
    EXPECT_TRUE(SectionExists());
    EXPECT_EQ(m_profile.GetString("Section", "Missing", "fallback"), "fallback");
}

TEST_F(ProfileTest, IntegersAreStoredAsFourByteDwords)
{
    ASSERT_TRUE(m_profile.WriteInt("Section", "Port", 1960));
    ASSERT_TRUE(m_profile.WriteInt("Section", "Negative", -1));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(QueryRaw("Port", type, data));
    EXPECT_EQ(type, DWORD(REG_DWORD));
    EXPECT_EQ(data.size(), 4u);
    EXPECT_EQ(m_profile.GetInt("Section", "Port", 0), 1960);
    EXPECT_EQ(m_profile.GetInt("Section", "Negative", 0), -1);
}

TEST_F(ProfileTest, StringsAreStoredWithTheirTerminator)
{
    ASSERT_TRUE(m_profile.WriteString("Section", "Action", "Restart(Brute)"));
    ASSERT_TRUE(m_profile.WriteString("Section", "Empty", ""));
    DWORD type = 0;
    std::string data;
    ASSERT_TRUE(QueryRaw("Action", type, data));
    EXPECT_EQ(type, DWORD(REG_SZ));
    EXPECT_EQ(data, std::string("Restart(Brute)\0", 15));
    EXPECT_EQ(m_profile.GetString("Section", "Action", "x"), "Restart(Brute)");
    EXPECT_EQ(m_profile.GetString("Section", "Empty", "x"), "");
}

TEST_F(ProfileTest, IntegerReadIgnoresTypeButNotSize)
{
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SetRaw("Long", REG_BINARY, eight, sizeof(eight));
    EXPECT_EQ(m_profile.GetInt("Section", "Long", 42), 42) << "longer than four bytes counts as absent";

    const unsigned char two[2] = {0x34, 0x12};
    SetRaw("Short", REG_BINARY, two, sizeof(two));
    EXPECT_EQ(m_profile.GetInt("Section", "Short", 42), 0x1234) << "shorter values read zero-extended";

    SetRaw("Text", REG_SZ, "ab", 3);
    EXPECT_EQ(m_profile.GetInt("Section", "Text", 42), 0x006261);
}

TEST_F(ProfileTest, StringReadCopesWithMissingTerminatorAndOtherTypes)
{
    SetRaw("Raw", REG_BINARY, "abc", 3);
    EXPECT_EQ(m_profile.GetString("Section", "Raw", "x"), "abc");

    const std::string big(5000, 'z');
    SetRaw("Big", REG_SZ, big.c_str(), static_cast<DWORD>(big.size() + 1));
    EXPECT_EQ(m_profile.GetString("Section", "Big", "x"), big);
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

}  // namespace
