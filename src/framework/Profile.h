// Settings in the current user's registry, under Software\<company>\<application>\<section>.
#pragma once

#include <windows.h>

#include <string>

#include "framework/RegistryValue.h"

// Owns one open registry key and closes it on every path.
class CRegKey {
public:
    CRegKey() = default;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey() { Close(); }

    // missing says whether it failed because the key is not there.
    bool Open(HKEY parent, const char* name, REGSAM access, bool& missing);
    bool Create(HKEY parent, const char* name, REGSAM access);
    void Close();
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Nothing is cached: every call opens the path afresh and closes it again. Reads open it for
// reading only and create nothing; writes create the keys that are missing.
class CProfile {
public:
    CProfile(std::string company, std::string application);

    int GetInt(const char* section, const char* entry, int defaultValue) const;
    // As GetInt, but telling a value that is there from one that is not (or cannot be read).
    bool QueryInt(const char* section, const char* entry, int& value) const;
    bool WriteInt(const char* section, const char* entry, int value) const;
    std::string GetString(const char* section, const char* entry, const std::string& defaultValue) const;
    bool WriteString(const char* section, const char* entry, const std::string& value) const;
    // For a value whose absence means something else than a value that cannot be read. False when
    // the value is there but is no string (REG_SZ or REG_EXPAND_SZ) or the registry refuses or
    // fails to give it; true otherwise, with exists false when neither the value nor its key is there.
    bool QueryString(const char* section, const char* entry, std::string& value, bool& exists) const;
    // The section's key under HKEY_CURRENT_USER.
    std::string SectionPath(const char* section) const;

private:
    bool OpenSectionToRead(const char* section, CRegKey& key, bool& missing) const;
    bool CreateSection(const char* section, CRegKey& key) const;

    std::string m_company;
    std::string m_application;
};

// Any key's value, type and bytes as stored, with the key opened for reading only.
RegistryValue ReadRegistryValue(HKEY root, const char* path, const char* name);
// Writes a REG_SZ, creating the key when it is missing.
bool WriteRegistryString(HKEY root, const char* path, const char* name, const std::string& value);
// True also when there was nothing to delete.
bool DeleteRegistryValue(HKEY root, const char* path, const char* name);
