// The application object: start-up, the message loop with its filter, exit, and profile access.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Profile.h"

class CWnd;

class CWinApp {
public:
    CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    static CWinApp* Current();

    // Called by the entry point once; when InitInstance fails the loop is skipped.
    int Main(HINSTANCE instance, const char* commandLine);

    virtual bool InitInstance();
    // Sees every message taken from the thread's queue first; true consumes it.
    virtual bool PreTranslateMessage(MSG* msg);
    // Sees the messages that the system's own modal loops (message boxes, menus, dialog boxes)
    // take, which never pass through PreTranslateMessage; true consumes the message.
    virtual bool ProcessMessageFilter(int code, MSG* msg);
    virtual int ExitInstance();

    // Filter, then the given dialog's keyboard handling, then translate and dispatch.
    void ProcessMessage(MSG& msg, HWND dialog);

    // A message box with the application's name as its caption. A box with the same text that is
    // still open is not shown again: the request is dropped and the result is 0.
    int ShowMessage(HWND owner, const char* text, UINT style);

    HINSTANCE GetInstanceHandle() const { return m_instance; }
    CWnd* GetMainWnd() const { return m_mainWnd; }
    const std::string& GetAppName() const { return m_appName; }

    // Settings live under HKEY_CURRENT_USER\Software\<company>\<application name>.
    void SetRegistryKey(const char* company) { m_registryKey = company; }
    int GetProfileInt(const char* section, const char* entry, int defaultValue) const;
    // As CProfile::QueryInt.
    bool QueryProfileInt(const char* section, const char* entry, int& value) const;
    bool WriteProfileInt(const char* section, const char* entry, int value) const;
    std::string GetProfileString(const char* section, const char* entry, const std::string& defaultValue) const;
    bool WriteProfileString(const char* section, const char* entry, const std::string& value) const;
    // As CProfile::QueryString.
    bool QueryProfileString(const char* section, const char* entry, std::string& value, bool& exists) const;
    std::string ProfileSectionPath(const char* section) const { return Profile().SectionPath(section); }

protected:
    // The text after the program's own name on its command line.
    const std::string& CommandLineTail() const { return m_commandLine; }
    void SetMainWnd(CWnd* wnd) { m_mainWnd = wnd; }
    int Run();

private:
    static LRESULT CALLBACK MessageFilterHook(int code, WPARAM wParam, LPARAM lParam);
    CProfile Profile() const { return CProfile(m_registryKey, m_appName); }

    HINSTANCE m_instance = nullptr;
    std::string m_commandLine;
    std::string m_appName;
    std::string m_registryKey;
    CWnd* m_mainWnd = nullptr;
    int m_exitCode = 0;
    HHOOK m_messageFilterHook = nullptr;
    std::vector<std::string> m_openMessages;
};
