// Registry-backed profile values: integers as REG_DWORD, strings as REG_SZ.
#include "framework/Profile.h"

#include <vector>

namespace {

const REGSAM kWriteAccess = KEY_READ | KEY_WRITE;

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

}  // namespace

bool CRegKey::Open(HKEY parent, const char* name, REGSAM access, bool& missing)
{
    Close();
    HKEY key = nullptr;
    const LONG result = ::RegOpenKeyExA(parent, name, 0, access, &key);
    missing = result == ERROR_FILE_NOT_FOUND;
    if (result != ERROR_SUCCESS)
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

bool CProfile::OpenSectionToRead(const char* section, CRegKey& key, bool& missing) const
{
    // Read access alone: where the user may read the settings but not change them, asking for
    // more would fail the read, and every value would take its default.
    return key.Open(HKEY_CURRENT_USER, SectionPath(section).c_str(), KEY_READ, missing);
}

std::string CProfile::SectionPath(const char* section) const
{
    return "Software\\" + m_company + "\\" + m_application + "\\" + section;
}

bool CProfile::CreateSection(const char* section, CRegKey& key) const
{
    CRegKey software;
    CRegKey company;
    CRegKey application;
    bool missing = false;
    return software.Open(HKEY_CURRENT_USER, "Software", kWriteAccess, missing)
        && company.Create(software.Get(), m_company.c_str(), kWriteAccess)
        && application.Create(company.Get(), m_application.c_str(), kWriteAccess)
        && key.Create(application.Get(), section, kWriteAccess);
}

int CProfile::GetInt(const char* section, const char* entry, int defaultValue) const
{
    int value = 0;
    return QueryInt(section, entry, value) ? value : defaultValue;
}

bool CProfile::QueryInt(const char* section, const char* entry, int& value) const
{
    CRegKey key;
    bool missing = false;
    if (!OpenSectionToRead(section, key, missing))
        return false;
    // The type is not examined; a shorter value reads as its bytes, zero-extended.
    DWORD data = 0;
    DWORD size = sizeof(data);
    if (::RegQueryValueExA(key.Get(), entry, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size)
        != ERROR_SUCCESS)
        return false;
    value = static_cast<int>(data);
    return true;
}

bool CProfile::WriteInt(const char* section, const char* entry, int value) const
{
    CRegKey key;
    if (!CreateSection(section, key))
        return false;
    const DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExA(key.Get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data))
        == ERROR_SUCCESS;
}

std::string CProfile::GetString(const char* section, const char* entry, const std::string& defaultValue) const
{
    CRegKey key;
    bool missing = false;
    if (!OpenSectionToRead(section, key, missing))
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

bool CProfile::QueryString(const char* section, const char* entry, std::string& value, bool& exists) const
{
    value.clear();
    CRegKey key;
    bool missing = false;
    if (!OpenSectionToRead(section, key, missing)) {
        exists = false;
        return missing;
    }
    DWORD type = 0;
    DWORD size = 0;
    const LONG sized = ::RegQueryValueExA(key.Get(), entry, nullptr, &type, nullptr, &size);
    exists = sized != ERROR_FILE_NOT_FOUND;
    if (!exists)
        return true;
    if (sized != ERROR_SUCCESS || !IsStringType(type))
        return false;
    // Never an empty buffer, whose null pointer would ask for the size again. A value that grew
    // since it was measured fails rather than reads as part of itself.
    std::vector<char> data(size + 1, '\0');
    if (::RegQueryValueExA(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size)
            != ERROR_SUCCESS
        || !IsStringType(type))
        return false;
    // Only the terminators go: a NUL inside the text stays, so that the text is not taken for the
    // part in front of it.
    while (size > 0 && data[size - 1] == '\0')
        --size;
    value.assign(data.data(), size);
    return true;
}

bool CProfile::WriteString(const char* section, const char* entry, const std::string& value) const
{
    CRegKey key;
    if (!CreateSection(section, key))
        return false;
    return ::RegSetValueExA(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1))
        == ERROR_SUCCESS;
}

RegistryValue ReadRegistryValue(HKEY root, const char* path, const char* name)
{
    using State = RegistryValue::State;
    RegistryValue value;
    CRegKey key;
    bool missing = false;
    if (!key.Open(root, path, KEY_READ, missing)) {
        value.state = missing ? State::Absent : State::Unreadable;
        return value;
    }
    DWORD type = 0;
    DWORD size = 0;
    const LONG sized = ::RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size);
    if (sized == ERROR_FILE_NOT_FOUND)
        return value;
    // Never an empty buffer, whose null pointer would ask for the size again. A value that grew
    // since it was measured fails rather than reads as part of itself.
    std::vector<char> data(size + 1, '\0');
    if (sized != ERROR_SUCCESS
        || ::RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size)
            != ERROR_SUCCESS) {
        value.state = State::Unreadable;
        return value;
    }
    value.state = State::Present;
    value.type = type;
    value.data.assign(data.data(), size);
    return value;
}

bool WriteRegistryString(HKEY root, const char* path, const char* name, const std::string& value)
{
    CRegKey key;
    return key.Create(root, path, KEY_SET_VALUE)
        && ::RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1))
        == ERROR_SUCCESS;
}

bool DeleteRegistryValue(HKEY root, const char* path, const char* name)
{
    CRegKey key;
    bool missing = false;
    if (!key.Open(root, path, KEY_SET_VALUE, missing))
        return missing;
    const LONG result = ::RegDeleteValueA(key.Get(), name);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
