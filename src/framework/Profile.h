// Settings in the current user's registry, under Software\<company>\<application>\<section>.
#pragma once

#include <windows.h>

#include <string>

// Owns one open registry key and closes it on every path.
class CRegKey {
public:
    CRegKey() = default;
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;
    ~CRegKey() { Close(); }

    bool Open(HKEY parent, const char* name, REGSAM access);
    bool Create(HKEY parent, const char* name, REGSAM access);
    void Close();
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// Nothing is cached: every call opens the path afresh, creating missing keys, and closes it again.
class CProfile {
public:
    CProfile(std::string company, std::string application);

    int GetInt(const char* section, const char* entry, int defaultValue) const;
    bool WriteInt(const char* section, const char* entry, int value) const;
    std::string GetString(const char* section, const char* entry, const std::string& defaultValue) const;
    bool WriteString(const char* section, const char* entry, const std::string& value) const;

private:
    bool OpenSection(const char* section, CRegKey& key) const;

    std::string m_company;
    std::string m_application;
};
