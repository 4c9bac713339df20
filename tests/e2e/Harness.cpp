// The test driver's view of dusklamp.exe: processes, windows, broadcasts and the registry.
#include "Harness.h"

#include <shlwapi.h>

namespace harness {

namespace {

const char kSettingsPath[] = "Software\\Brightfen\\Dusklamp\\Settings";
const char kWatcherClass[] = "DusklampTestWatcher";

}  // namespace

double NowMs()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const double deadline = NowMs() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (NowMs() > deadline)
            return false;
        ::Sleep(10);
    }
}

Watcher::Watcher()
{
    m_ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this] { Run(); });
    ::WaitForSingleObject(m_ready, 10000);
}

Watcher::~Watcher()
{
    if (m_hwnd)
        ::PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    if (m_thread.joinable())
        m_thread.join();
    ::CloseHandle(m_ready);
}

void Watcher::Run()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Watcher::WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kWatcherClass;
    ::RegisterClassA(&wc);
    m_hwnd = ::CreateWindowExA(0, kWatcherClass, "Dusklamp test watcher", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, this);
    m_threadId = ::GetCurrentThreadId();
    ::SetEvent(m_ready);
    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

LRESULT CALLBACK Watcher::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Watcher*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MONITORPOWER && self) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_events.push_back({lParam, NowMs()});
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        // A test must never end the session it runs in by accident.
        if (self) {
            std::lock_guard<std::mutex> lock(self->m_mutex);
            self->m_queries.push_back(NowMs());
        }
        return FALSE;
    case WM_CLOSE:
        ::DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

std::vector<Watcher::PowerEvent> Watcher::PowerEvents() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

bool Watcher::WaitForPowerEvents(std::size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return PowerEvents().size() >= count; }, timeoutMs);
}

std::vector<double> Watcher::SessionEndQueries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queries;
}

void Watcher::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
}

Process::~Process()
{
    Terminate();
}

std::string Process::ExecutablePath()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of("\\/") + 1);
    return folder + "dusklamp.exe";
}

bool Process::Start(const std::string& arguments)
{
    Terminate();
    std::string commandLine = "\"" + ExecutablePath() + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    m_startedAtMs = NowMs();
    return ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_info)
        != FALSE;
}

bool Process::IsRunning() const
{
    return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::WaitForExit(DWORD timeoutMs) const
{
    return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

void Process::Terminate()
{
    if (!m_info.hProcess)
        return;
    if (IsRunning()) {
        ::TerminateProcess(m_info.hProcess, 1);
        ::WaitForSingleObject(m_info.hProcess, 10000);
    }
    ::CloseHandle(m_info.hProcess);
    ::CloseHandle(m_info.hThread);
    m_info = {};
}

HWND Process::WaitForMainWindow(DWORD timeoutMs) const
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            HWND hwnd = FindMainWindow();
            if (hwnd && WindowProcessId(hwnd) == Id())
                found = hwnd;
            return found != nullptr || !IsRunning();
        },
        timeoutMs);
    return found;
}

HWND Process::WaitUntilResident(DWORD timeoutMs) const
{
    HWND hwnd = WaitForMainWindow(timeoutMs);
    DWORD_PTR ignored = 0;
    if (!hwnd || !::SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored))
        return nullptr;
    return hwnd;
}

HWND FindMainWindow()
{
    return ::FindWindowA(nullptr, kMainTitle);
}

DWORD WindowProcessId(HWND hwnd)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    return processId;
}

namespace {

struct DialogSearch {
    DWORD processId;
    const std::string* caption;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<DialogSearch*>(param);
    char className[64] = "";
    char title[256] = "";
    ::GetClassNameA(hwnd, className, sizeof(className));
    ::GetWindowTextA(hwnd, title, sizeof(title));
    if (WindowProcessId(hwnd) == search->processId && std::string(className) == "#32770"
        && *search->caption == title && ::IsWindowVisible(hwnd)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindDialog(DWORD processId, const std::string& caption)
{
    DialogSearch search = {processId, &caption, nullptr};
    ::EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDialog(DWORD processId, const std::string& caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDialog(processId, caption)) != nullptr; }, timeoutMs);
    return found;
}

std::string DialogText(HWND box)
{
    char text[1024] = "";
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof(text));
    return text;
}

bool HasButton(HWND box, int id)
{
    return ::GetDlgItem(box, id) != nullptr;
}

bool PressButton(HWND box, int id, DWORD timeoutMs)
{
    HWND button = ::GetDlgItem(box, id);
    if (!button)
        return false;
    ::PostMessageA(button, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !::IsWindow(box); }, timeoutMs);
}

void DeleteSettings()
{
    ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brightfen");
}

bool SettingsKeyExists()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

DWORD SettingsValueCount()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD values = 0;
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(key);
    return values;
}

void WriteSettingInt(const char* name, DWORD value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    ::RegCloseKey(key);
}

void WriteSettingString(const char* name, const std::string& value)
{
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

std::optional<DWORD> ReadSettingInt(const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (::SHGetValueA(HKEY_CURRENT_USER, kSettingsPath, name, &type, &value, &size) != ERROR_SUCCESS
        || type != REG_DWORD)
        return std::nullopt;
    return value;
}

std::optional<std::string> ReadSettingString(const char* name)
{
    char value[1024] = "";
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (::SHGetValueA(HKEY_CURRENT_USER, kSettingsPath, name, &type, value, &size) != ERROR_SUCCESS
        || type != REG_SZ)
        return std::nullopt;
    return std::string(value);
}

void PressKeys(const std::vector<WORD>& keys)
{
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *it;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool TrayIconShown()
{
    // The icon's amber moon is the only amber in the bottom-right corner of Wine's desktop.
    const int left = kTrayIconPoint.x - 24;
    const int top = kTrayIconPoint.y - 12;
    const int width = 34;
    const int height = 22;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, left, top, SRCCOPY);
    ::GdiFlush();
    int amber = 0;
    const auto* pixel = static_cast<const unsigned char*>(bits);
    for (int i = 0; i < width * height; ++i, pixel += 4) {
        const int blue = pixel[0];
        const int green = pixel[1];
        const int red = pixel[2];
        if (red > 200 && green > 140 && blue < 140)
            ++amber;
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return amber >= 8;
}

bool WaitForTrayIcon(bool shown, DWORD timeoutMs)
{
    return WaitUntil([&] { return TrayIconShown() == shown; }, timeoutMs);
}

namespace {

void SendMouse(POINT point, const std::vector<DWORD>& buttonEvents)
{
    std::vector<INPUT> inputs;
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = point.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    move.mi.dy = point.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs.push_back(move);
    for (DWORD event : buttonEvents) {
        INPUT button = {};
        button.type = INPUT_MOUSE;
        button.mi.dwFlags = event;
        inputs.push_back(button);
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

}  // namespace

void RightClickAt(POINT point)
{
    SendMouse(point, {MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP});
}

HWND FindPopupMenu(DWORD processId)
{
    for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, "#32768", nullptr)) {
        if (::IsWindowVisible(hwnd) && WindowProcessId(hwnd) == processId)
            return hwnd;
    }
    return nullptr;
}

void ClickButton(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

}  // namespace harness
