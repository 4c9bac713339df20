// The test driver's view of dusklamp.exe: processes, windows, broadcasts and the registry.
#include "Harness.h"

#include <psapi.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace harness {

namespace {

const char kSettingsPath[] = "Software\\Brightfen\\Dusklamp\\Settings";
const char kPoliciesPath[] = "Software\\Policies\\Brightfen";
const char kPolicyPath[] = "Software\\Policies\\Brightfen\\Dusklamp";
const char kRunPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunName[] = "Dusklamp";
const char kWatcherClass[] = "DusklampTestWatcher";
// The watcher whose window this thread runs: sent messages are handled on the receiving thread.
thread_local Watcher* t_watcher = nullptr;

// The job every started process joins. Closing its last handle, as the system does when the test
// program ends in any way, ends whatever is still in it.
HANDLE StartedJob()
{
    static const HANDLE job = [] {
        HANDLE created = ::CreateJobObjectA(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (created)
            ::SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
        return created;
    }();
    return job;
}

// The null device for a child's standard handles.
HANDLE NullDevice(DWORD access)
{
    return ::CreateFileA("NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool ReadSetting(const char* name, DWORD wantedType, void* value, DWORD size)
{
    DWORD type = 0;
    return ::SHGetValueA(HKEY_CURRENT_USER, kSettingsPath, name, &type, value, &size) == ERROR_SUCCESS
        && type == wantedType;
}

}  // namespace

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
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
        t_watcher = this;
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &Watcher::WindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kWatcherClass;
        ::RegisterClassA(&wc);
        m_hwnd = ::CreateWindowExA(0, kWatcherClass, "Dusklamp test watcher", WS_OVERLAPPED, 0, 0, 10, 10,
                                   nullptr, nullptr, wc.hInstance, nullptr);
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
    const bool power = message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MONITORPOWER;
    if (power || message == WM_QUERYENDSESSION) {
        std::lock_guard<std::mutex> lock(t_watcher->m_mutex);
        if (power)
            t_watcher->m_events.push_back({lParam, NowMs()});
        else
            t_watcher->m_queries.push_back(NowMs());
        return 0;  // for the question: FALSE, no
    }
    if (message == WM_DESTROY)
        ::PostQuitMessage(0);
    return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

std::string Process::Folder()
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    folder.resize(folder.find_last_of("\\/") + 1);
    return folder;
}

bool Process::Start(const std::string& arguments, const std::string& folder)
{
    Terminate();
    std::string commandLine = "\"" + folder + "dusklamp.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = NullDevice(GENERIC_READ);
    startup.hStdOutput = startup.hStdError = NullDevice(GENERIC_WRITE);
    // Suspended until it is in the job, so that nothing it starts can escape it. Wine has been seen
    // to fail a start once in hundreds, with nothing wrong with the program: a second try tells the two apart.
    bool started = false;
    for (int attempt = 0; attempt < 2 && !started; ++attempt) {
        started = ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                   nullptr, &startup, &m_info)
            != FALSE;
        if (!started)
            std::fprintf(stderr, "starting %s failed with error %lu\n", commandLine.c_str(), ::GetLastError());
    }
    ::CloseHandle(startup.hStdInput);
    ::CloseHandle(startup.hStdOutput);
    if (!started) {
        m_info = {};
        return false;
    }
    ::AssignProcessToJobObject(StartedJob(), m_info.hProcess);
    ::ResumeThread(m_info.hThread);
    return true;
}

void Process::EndAll()
{
    ::TerminateJobObject(StartedJob(), 1);
    // A test program that ended abruptly took its job's processes with it, but an older one, or a
    // process Wine failed to put in the job, may still run from this folder. By path, not by window
    // title: a program stuck at its start-up box has no main window yet, but holds the instance lock.
    // (A copy in another session, as the network tests start, is not among this session's processes.)
    const std::string folder = Folder();
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32First(snapshot, &entry); more; more = ::Process32Next(snapshot, &entry)) {
        if (entry.th32ProcessID == ::GetCurrentProcessId())
            continue;
        HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                       entry.th32ProcessID);
        if (!process)
            continue;
        // Only the program itself: other tests of this build (the sender's) may run meanwhile.
        char image[MAX_PATH] = "";
        ::GetModuleFileNameExA(process, nullptr, image, MAX_PATH);
        if (::StrCmpNIA(image, folder.c_str(), static_cast<int>(folder.size())) == 0
            && ::lstrcmpiA(::PathFindFileNameA(image), "dusklamp.exe") == 0) {
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 10000);
        }
        ::CloseHandle(process);
    }
    ::CloseHandle(snapshot);
}

void RestoreSession()
{
    char system[MAX_PATH] = "";
    ::GetSystemDirectoryA(system, MAX_PATH);
    const std::string tool = std::string(system) + "\\ShutDown.exe";
    // Wine takes overrides for a started program from the host's environment of the starting one,
    // which a Windows program cannot change: so the tests that need one set it in the registry.
    ::SHDeleteKeyA(HKEY_CURRENT_USER, kAppOverridesKey);
    ::SHDeleteValueA(HKEY_CURRENT_USER, kOverridesKey, "shutdown.exe");
    if (::GetFileAttributesA((tool + ".saved").c_str()) != INVALID_FILE_ATTRIBUTES)
        ::MoveFileExA((tool + ".saved").c_str(), tool.c_str(), MOVEFILE_REPLACE_EXISTING);
    char browser[1024] = "";
    DWORD size = sizeof(browser);
    if (::SHGetValueA(HKEY_CURRENT_USER, kSavedAssociationsKey, "https", nullptr, browser, &size) == ERROR_SUCCESS) {
        ::SHSetValueA(HKEY_CLASSES_ROOT, "https\\shell\\open\\command", nullptr, REG_SZ, browser,
                      static_cast<DWORD>(std::strlen(browser) + 1));
        ::SHDeleteKeyA(HKEY_CLASSES_ROOT, ".csv");
        ::SHDeleteKeyA(HKEY_CLASSES_ROOT, "DusklampTest.csv");
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kSavedAssociationsKey);
    }
    // A policy left behind would decide for every later test, and a logon entry start the program.
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        ::SHDeleteKeyA(root, kPoliciesPath);
        ::SHDeleteValueA(root, kRunPath, kRunName);
    }
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
    WaitUntil([&] {
        main = FindMainWindow();
        main = main && WindowProcessId(main) == Id() ? main : nullptr;
        return main != nullptr || !IsRunning();
    }, timeoutMs);
    DWORD_PTR ignored = 0;
    return main && ::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) ? main : nullptr;
}

DWORD ProcessHandleCount(DWORD processId)
{
    // The system's list of every open handle (SystemHandleInformation): a count, then the entries.
    struct HandleEntry { USHORT processId, backTrace; UCHAR type, attributes; USHORT handle; void* object; ULONG access; };
    struct HandleList { ULONG count; HandleEntry entries[1]; };
    const ULONG kSystemHandleInformation = 16;
    using Query = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<char> buffer(1 << 22);
    ULONG size = 0;
    if (!query || query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0)
        return 0;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    DWORD count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        count += list->entries[i].processId == processId ? 1 : 0;
    return count;
}

std::optional<std::string> FileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return in ? std::optional<std::string>(std::string(std::istreambuf_iterator<char>(in), {})) : std::nullopt;
}

DWORD WindowProcessId(HWND hwnd)
{
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    return processId;
}

std::vector<HWND> FindWindows(DWORD processId, const char* className, const char* caption)
{
    std::vector<HWND> found;
    for (HWND hwnd = ::FindWindowExA(nullptr, nullptr, className, caption); hwnd;
         hwnd = ::FindWindowExA(nullptr, hwnd, className, caption)) {
        if (WindowProcessId(hwnd) == processId && ::IsWindowVisible(hwnd))
            found.push_back(hwnd);
    }
    return found;
}

HWND WaitForDialog(DWORD processId, const char* caption, DWORD timeoutMs)
{
    std::vector<HWND> dialogs;
    WaitUntil([&] { return !(dialogs = FindDialogs(processId, caption)).empty(); }, timeoutMs);
    return dialogs.empty() ? nullptr : dialogs.front();
}

std::string ItemText(HWND dialog, int id)
{
    char text[1024] = "";
    ::GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

HWND FocusOf(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus;
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

void StoreHotKey(DWORD key, DWORD modifiers)
{
    WriteSetting("Key", key);
    WriteSetting("Mod", modifiers);
}

std::optional<DWORD> ReadSettingInt(const char* name)
{
    DWORD value = 0;
    return ReadSetting(name, REG_DWORD, &value, sizeof(value)) ? std::optional<DWORD>(value) : std::nullopt;
}

std::optional<std::string> ReadSettingString(const char* name)
{
    char value[1024] = "";
    return ReadSetting(name, REG_SZ, value, sizeof(value)) ? std::optional<std::string>(value) : std::nullopt;
}

void WritePolicy(HKEY root, const char* name, DWORD value)
{
    ::SHSetValueA(root, kPolicyPath, name, REG_DWORD, &value, sizeof(value));
}

void WritePolicy(HKEY root, const char* name, const std::string& value)
{
    ::SHSetValueA(root, kPolicyPath, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void WriteRunEntry(HKEY root, const std::string& command)
{
    ::SHSetValueA(root, kRunPath, kRunName, REG_SZ, command.c_str(), static_cast<DWORD>(command.size() + 1));
}

std::optional<std::string> ReadRunEntry(HKEY root)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, kRunPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    char value[1024] = "";
    DWORD type = 0;
    DWORD size = sizeof(value) - 1;
    const LONG result = ::RegQueryValueExA(key, kRunName, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS && type == REG_SZ ? std::optional<std::string>(value) : std::nullopt;
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
    const int width = 34, height = 22;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, kTrayIconPoint.x - 24, kTrayIconPoint.y - 12, SRCCOPY);
    int amber = 0;
    for (int i = 0; i < width * height; ++i) {
        const COLORREF pixel = ::GetPixel(memory, i % width, i / width);
        amber += GetRValue(pixel) > 200 && GetGValue(pixel) > 140 && GetBValue(pixel) < 140;
    }
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return amber >= 8;
}

}  // namespace harness
