// Drives the real dusklamp.exe from outside: starts it, watches the display broadcast with a
// window of our own, reads its registry values, and finds and answers its message boxes.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace harness {

// Milliseconds on a monotonic clock.
double NowMs();

// Polls the condition until it holds or the deadline passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

const UINT kUmShowSettings = WM_USER + 1;
const UINT kUmDisplayOff = WM_USER + 2;
const UINT kUmSchedule = WM_USER + 3;
const UINT kUmLockDisplayOff = WM_USER + 4;
const UINT kUmNetwork = WM_USER + 5;
const UINT kUmDisplayOn = WM_USER + 6;
const char kMainTitle[] = "Settings - Dusklamp";
const LPARAM kPowerOff = 2;
const LPARAM kPowerOn = -1;

// A top-level window on its own thread that pumps all the time, as every window must for a
// broadcast to pass, and records the monitor power commands it receives.
class Watcher {
public:
    struct PowerEvent {
        LPARAM power;
        double atMs;
    };

    Watcher();
    ~Watcher();
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    HWND Hwnd() const { return m_hwnd; }
    std::vector<PowerEvent> PowerEvents() const;
    // Times at which the session-end question arrived; the watcher always answers no.
    std::vector<double> SessionEndQueries() const;
    bool WaitForPowerEvents(std::size_t count, DWORD timeoutMs = 10000) const;
    void Clear();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    std::thread m_thread;
    HWND m_hwnd = nullptr;
    DWORD m_threadId = 0;
    HANDLE m_ready = nullptr;
    mutable std::mutex m_mutex;
    std::vector<PowerEvent> m_events;
    std::vector<double> m_queries;
};

// One started dusklamp.exe; ended by its process id when the object goes.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts dusklamp.exe (beside this test program) with the given command-line tail.
    bool Start(const std::string& arguments);
    bool IsRunning() const;
    bool WaitForExit(DWORD timeoutMs = 10000) const;
    void Terminate();
    DWORD Id() const { return m_info.dwProcessId; }
    double StartedAtMs() const { return m_startedAtMs; }

    // The main window once it exists and belongs to this process, else nullptr.
    HWND WaitForMainWindow(DWORD timeoutMs = 10000) const;
    // Waits for the main window and for the program to take messages (its message loop runs).
    HWND WaitUntilResident(DWORD timeoutMs = 10000) const;

    static std::string ExecutablePath();

private:
    PROCESS_INFORMATION m_info = {};
    double m_startedAtMs = 0;
};

// The dusklamp main window of any process, or nullptr.
HWND FindMainWindow();
DWORD WindowProcessId(HWND hwnd);

// A visible dialog-class top-level window of the process with this caption (message boxes are such).
HWND FindDialog(DWORD processId, const std::string& caption);
HWND WaitForDialog(DWORD processId, const std::string& caption, DWORD timeoutMs = 10000);
std::string DialogText(HWND box);
bool HasButton(HWND box, int id);
// Presses a button of another process's dialog and waits until the dialog is gone.
bool PressButton(HWND box, int id, DWORD timeoutMs = 10000);

// HKEY_CURRENT_USER\Software\Brightfen\Dusklamp\Settings.
void DeleteSettings();
bool SettingsKeyExists();
DWORD SettingsValueCount();
void WriteSettingInt(const char* name, DWORD value);
void WriteSettingString(const char* name, const std::string& value);
std::optional<DWORD> ReadSettingInt(const char* name);
std::optional<std::string> ReadSettingString(const char* name);

// Presses and releases a key combination with SendInput, modifiers first.
void PressKeys(const std::vector<WORD>& keys);

// Where Wine's desktop taskbar shows the first notification-area icon.
const POINT kTrayIconPoint = {1013, 758};
// Whether our icon's moon is drawn in the notification area right now.
bool TrayIconShown();
bool WaitForTrayIcon(bool shown, DWORD timeoutMs = 10000);
// A real right click at a screen point.
void RightClickAt(POINT point);
// The open popup menu window of the process, or nullptr.
HWND FindPopupMenu(DWORD processId);
// Posts a click to a button of another process's window (it may block there in a message box).
void ClickButton(HWND dialog, int id);

}  // namespace harness
