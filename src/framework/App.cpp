// Application object: the one message loop every message of the program passes through.
#include "framework/App.h"

#include "framework/Dialog.h"
#include "framework/Wnd.h"

namespace {

CWinApp* g_currentApp = nullptr;

// The application takes its name from this string resource, as it has no other.
const UINT kAppTitleStringId = 0xE000;

}  // namespace

CWinApp::CWinApp()
{
    g_currentApp = this;
}

CWinApp::~CWinApp()
{
    if (g_currentApp == this)
        g_currentApp = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_currentApp;
}

int CWinApp::Main(HINSTANCE instance, const char* commandLine)
{
    m_instance = instance;
    m_commandLine = commandLine ? commandLine : "";
    char title[256] = "";
    if (::LoadStringA(instance, kAppTitleStringId, title, sizeof(title)) > 0)
        m_appName = title;

    // Installed before start-up, whose message boxes already run the system's loop.
    m_messageFilterHook = ::SetWindowsHookExA(WH_MSGFILTER, &CWinApp::MessageFilterHook, nullptr,
                                              ::GetCurrentThreadId());
    if (InitInstance())
        Run();
    const int exitCode = ExitInstance();
    if (m_messageFilterHook)
        ::UnhookWindowsHookEx(m_messageFilterHook);
    m_messageFilterHook = nullptr;
    return exitCode;
}

LRESULT CALLBACK CWinApp::MessageFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    // IsDialogMessage calls this hook as well, so our own loops reach it too, but only with what
    // PreTranslateMessage has let through.
    CWinApp* app = g_currentApp;
    if (code >= 0 && app && app->ProcessMessageFilter(code, reinterpret_cast<MSG*>(lParam)))
        return 1;
    return ::CallNextHookEx(app ? app->m_messageFilterHook : nullptr, code, wParam, lParam);
}

bool CWinApp::ProcessMessageFilter(int, MSG*)
{
    return false;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::Run()
{
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            m_exitCode = static_cast<int>(msg.wParam);
            break;
        }
        if (got == -1)
            break;
        ProcessMessage(msg, m_mainWnd ? m_mainWnd->GetSafeHwnd() : nullptr);
    }
    return m_exitCode;
}

void CWinApp::ProcessMessage(MSG& msg, HWND dialog)
{
    // The program sets no timer callbacks, and DispatchMessage would call whatever address a
    // WM_TIMER posted by another program carried.
    if (msg.message == WM_TIMER && msg.lParam != 0)
        return;
    if (PreTranslateMessage(&msg))
        return;
    // The dialog manager's handling concerns input alone; asked about every message, it would run
    // the message filter hooks for each socket notice too. A dialog open beside the others gets
    // it in whichever loop runs.
    const bool input = (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST)
        || (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST);
    if (input) {
        if (const HWND beside = CDialog::OpenDialogHolding(msg.hwnd))
            dialog = beside;
        if (dialog && ::IsDialogMessageA(dialog, &msg))
            return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

int CWinApp::ShowMessage(HWND owner, const char* text, UINT style)
{
    // A message box's loop dispatches every posted message, so repeated requests would otherwise
    // stack one box inside the other until the stack runs out.
    for (const std::string& open : m_openMessages) {
        if (open == text)
            return 0;
    }
    m_openMessages.push_back(text);
    const int answer = ::MessageBoxA(owner, text, m_appName.c_str(), style);
    for (auto it = m_openMessages.begin(); it != m_openMessages.end(); ++it) {
        if (*it == text) {
            m_openMessages.erase(it);
            break;
        }
    }
    return answer;
}

bool CWinApp::PreTranslateMessage(MSG*)
{
    return false;
}

int CWinApp::ExitInstance()
{
    return m_exitCode;
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) const
{
    return Profile().GetInt(section, entry, defaultValue);
}

bool CWinApp::QueryProfileInt(const char* section, const char* entry, int& value) const
{
    return Profile().QueryInt(section, entry, value);
}

bool CWinApp::WriteProfileInt(const char* section, const char* entry, int value) const
{
    return Profile().WriteInt(section, entry, value);
}

std::string CWinApp::GetProfileString(const char* section, const char* entry,
                                      const std::string& defaultValue) const
{
    return Profile().GetString(section, entry, defaultValue);
}

bool CWinApp::WriteProfileString(const char* section, const char* entry, const std::string& value) const
{
    return Profile().WriteString(section, entry, value);
}

bool CWinApp::QueryProfileString(const char* section, const char* entry, std::string& value, bool& exists) const
{
    return Profile().QueryString(section, entry, value, exists);
}
