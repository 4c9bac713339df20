// Registry-backed profile values: integers as REG_DWORD, strings as REG_SZ.
#include "framework/Profile.h"

#include <vector>

namespace {

// Every step of the path is opened for both, so that a read creates a missing key as a write would.
const REGSAM kAccess = KEY_READ | KEY_WRITE;

}  // namespace

bool CRegKey::Open(HKEY parent, const char* name, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    if (::RegOpenKeyExA(parent, name, 0, access, &key) != ERROR_SUCCESS)
        return false;
    m_key = key;
    return true;
}

bool CRegKey::Create(HKEY parent, const char* name, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExA(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, &disposition)
        != ERROR_SUCCESS)
        return false;
    m_key = key;
    return true;
}

void CRegKey::Close()
{
    if (m_key) {
        ::RegCloseKey(m_key);
        m_key = nullptr;
    }
}

CProfile::CProfile(std::string company, std::string application)
    : m_company(std::move(company)), m_application(std::move(application))
{
}

bool CProfile::OpenSection(const char* section, CRegKey& key) const
{
    CRegKey software;
    CRegKey company;
    CRegKey application;
    return software.Open(HKEY_CURRENT_USER, "Software", kAccess)
        && company.Create(software.Get(), m_company.c_str(), kAccess)
        && application.Create(company.Get(), m_application.c_str(), kAccess)
        && key.Create(application.Get(), section, kAccess);
}

int CProfile::GetInt(const char* section, const char* entry, int defaultValue) const
{
    CRegKey key;
    if (!OpenSection(section, key))
        return defaultValue;
    // The type is not examined; a shorter value reads as its bytes, zero-extended.
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (::RegQueryValueExA(key.Get(), entry, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size)
        != ERROR_SUCCESS)
        return defaultValue;
    return static_cast<int>(value);
}

bool CProfile::WriteInt(const char* section, const char* entry, int value) const
{
    CRegKey key;
    if (!OpenSection(section, key))
        return false;
    const DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data))
        == ERROR_SUCCESS;
}

std::string CProfile::GetString(const char* section, const char* entry, const std::string& defaultValue) const
{
    CRegKey key;
    if (!OpenSection(section, key))
        return defaultValue;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), entry, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return defaultValue;
    // One spare zero byte: stored data need not carry its own terminator.
    std::vector<char> data(size + 1, '\0');
    if (::RegQueryValueExA(key.Get(), entry, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size)
        != ERROR_SUCCESS)
        return defaultValue;
    return std::string(data.data());
}

bool CProfile::WriteString(const char* section, const char* entry, const std::string& value) const
{
    CRegKey key;
    if (!OpenSection(section, key))
        return false;
    return ::RegSetValueExA(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1))
        == ERROR_SUCCESS;
}
