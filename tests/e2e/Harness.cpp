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
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const double deadline = NowMs() + timeoutMs;
    while (!condition()) {
        if (NowMs() > deadline)
            return false;
        ::Sleep(10);
    }
    return true;
}

Watcher::Watcher()
{
    HANDLE ready = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_thread = std::thread([this, ready] {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Watcher::WindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kWatcherClass;
        ::RegisterClassA(&wc);
        m_hwnd = ::CreateWindowExA(0, kWatcherClass, "Dusklamp test watcher", WS_OVERLAPPED, 0, 0, 10, 10,
                                   nullptr, nullptr, wc.hInstance, this);
        ::SetEvent(ready);
        MSG msg;
        while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
            ::DispatchMessageA(&msg);
    });
    ::WaitForSingleObject(ready, 10000);
    ::CloseHandle(ready);
}

Watcher::~Watcher()
{
    ::PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
    m_thread.join();
}

LRESULT CALLBACK Watcher::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Watcher*>(::GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER && self) {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_events.push_back({lParam, NowMs()});
        return 0;
    }
    if (message == WM_QUERYENDSESSION && self) {
        std::lock_guard<std::mutex> lock(self->m_mutex);
        self->m_queries.push_back(NowMs());
        return FALSE;
    }
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

std::vector<Watcher::PowerEvent> Watcher::PowerEvents() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_events;
}

std::vector<double> Watcher::SessionEndQueries() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queries;
}

bool Watcher::WaitForPowerEvents(std::size_t count, DWORD timeoutMs) const
{
    return WaitUntil([&] { return PowerEvents().size() >= count; }, timeoutMs);
}

void Watcher::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_events.clear();
}

std::string Process::Folder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of("\\/") + 1);
    return folder;
}

bool Process::Start(const std::string& arguments)
{
    Terminate();
    std::string commandLine = "\"" + Folder() + "dusklamp.exe\" " + arguments;
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

HWND Process::WaitUntilResident(DWORD timeoutMs) const
{
    HWND main = nullptr;
    WaitUntil(
        [&] {
            HWND found = FindMainWindow();
            main = found && WindowProcessId(found) == Id() ? found : nullptr;
            return main != nullptr || !IsRunning();
        },
        timeoutMs);
    DWORD_PTR ignored = 0;
    if (!main || !::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored))
        return nullptr;
    return main;
}

HWND FindMainWindow()
{
    return ::FindWindowA(nullptr, kMainWindowTitle);
}

DWORD WindowProcessId(HWND hwnd)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    return processId;
}

std::vector<HWND> FindDialogs(DWORD processId, const char* caption)
{
    std::vector<HWND> found;
    for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, "#32770", caption); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, "#32770", caption)) {
        if (WindowProcessId(hwnd) == processId && ::IsWindowVisible(hwnd))
            found.push_back(hwnd);
    }
    return found;
}

HWND WaitForDialog(DWORD processId, const char* caption, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const auto dialogs = FindDialogs(processId, caption);
            found = dialogs.empty() ? nullptr : dialogs.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = "";
    ::GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

bool PressButton(HWND dialog, int id, DWORD timeoutMs)
{
    HWND button = ::GetDlgItem(dialog, id);
    if (!button)
        return false;
    ::PostMessageA(button, BM_CLICK, 0, 0);
    // An outer dialog ended under an inner one is hidden at once but destroyed only when the
    // inner one's loop returns.
    return WaitUntil([&] { return !::IsWindowVisible(dialog); }, timeoutMs);
}

void ClickButton(HWND dialog, int id)
{
    ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void DeleteSettings()
{
    ::SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Brightfen");
}

std::optional<DWORD> SettingsValueCount()
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD values = 0;
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                       nullptr, nullptr);
    ::RegCloseKey(key);
    return values;
}

void WriteSetting(const char* name, DWORD value)
{
    ::SHSetValueA(HKEY_CURRENT_USER, kSettingsPath, name, REG_DWORD, &value, sizeof(value));
}

void WriteSetting(const char* name, const std::string& value)
{
    ::SHSetValueA(HKEY_CURRENT_USER, kSettingsPath, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
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
    std::vector<INPUT> inputs(keys.size() * 2);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        inputs[i].type = inputs[inputs.size() - 1 - i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    ::SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void RightClickAt(POINT point)
{
    INPUT inputs[3] = {};
    for (INPUT& input : inputs)
        input.type = INPUT_MOUSE;
    inputs[0].mi.dx = point.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
    inputs[0].mi.dy = point.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
    inputs[2].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
    ::SendInput(3, inputs, sizeof(INPUT));
}

bool TrayIconShown()
{
    // The icon's amber moon is the only amber in the bottom-right corner of Wine's desktop.
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
    ::BitBlt(memory, 0, 0, width, height, screen, kTrayIconPoint.x - 24, kTrayIconPoint.y - 12, SRCCOPY);
    ::GdiFlush();
    int amber = 0;
    const auto* pixel = static_cast<const unsigned char*>(bits);  // blue, green, red, unused
    for (int i = 0; i < width * height; ++i, pixel += 4)
        amber += pixel[2] > 200 && pixel[1] > 140 && pixel[0] < 140;
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

HWND FindPopupMenu(DWORD processId)
{
    for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, "#32768", nullptr); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, "#32768", nullptr)) {
        if (::IsWindowVisible(hwnd) && WindowProcessId(hwnd) == processId)
            return hwnd;
    }
    return nullptr;
}

}  // namespace harness
