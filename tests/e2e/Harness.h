// Drives the real dusklamp.exe from outside: starts it, watches the display broadcast with a
// window of our own, reads its registry values, and finds and answers its dialogs.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "resource.h"
#include "ui/PrivateMessages.h"

namespace harness {

// Milliseconds on a monotonic clock.
double NowMs();
// Polls the condition until it holds or the deadline passes; true when it held.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);

const LPARAM kPowerOff = 2, kPowerOn = -1;

// A top-level window on its own thread that pumps all the time, as every window must for a
// broadcast to pass. It records the monitor power commands and session-end questions it gets,
// and answers every question no: a test must never end the session it runs in.
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
    std::vector<PowerEvent> PowerEvents() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    std::vector<double> SessionEndQueries() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_queries;
    }
    bool WaitForPowerEvents(std::size_t count, DWORD timeoutMs = 10000) const
    {
        return WaitUntil([&] { return PowerEvents().size() >= count; }, timeoutMs);
    }
    // The event at this place, or one with power 0 at time 0 when there is none yet: a check that
    // follows a failed wait then fails on its own rather than reading past the list.
    PowerEvent PowerEventAt(std::size_t index) const
    {
        const auto events = PowerEvents();
        return index < events.size() ? events[index] : PowerEvent{0, 0.0};
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
    }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    std::thread m_thread;
    HWND m_hwnd = nullptr;
    mutable std::mutex m_mutex;
    std::vector<PowerEvent> m_events;
    std::vector<double> m_queries;
};

// One started dusklamp.exe; ended by its process id when the object goes. Every process started
// here also joins one job of the test program, which ends them all at every test's end (whatever
// became of the objects) and when the test program itself ends, even by a crash. Their standard
// handles are the null device, so that none holds the test runner's output open.
class Process {
public:
    Process() = default;
    ~Process() { Terminate(); }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the folder's dusklamp.exe (by default the one beside this test program) with the given
    // command-line tail.
    bool Start(const std::string& arguments, const std::string& folder = Folder());
    bool IsRunning() const { return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT; }
    bool WaitForExit(DWORD timeoutMs = 10000) const
    {
        return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, timeoutMs) == WAIT_OBJECT_0;
    }
    void Terminate();
    DWORD Id() const { return m_info.dwProcessId; }
    // The main window once the program takes messages (its message loop runs), else nullptr.
    HWND WaitUntilResident(DWORD timeoutMs = 10000) const;

    static std::string Folder();
    // Ends every process started from this test program, and any program of this build's folder
    // that an earlier, aborted test program left running.
    static void EndAll();

private:
    PROCESS_INFORMATION m_info = {};
};

// The dusklamp main window of any process, or nullptr.
inline HWND FindMainWindow() { return ::FindWindowA(nullptr, kMainWindowTitle); }
DWORD WindowProcessId(HWND hwnd);
// Puts back what a test that ended abruptly may have left changed in the shared Wine session: the
// system's shutdown tool, Wine's DLL overrides, the shell's associations for https and .csv, the
// machine's and the user's policies for the program and their logon entries for it.
void RestoreSession();
// How many handles the process holds, from the system's list of handles; 0 when it cannot be read.
// (Wine's GetProcessHandleCount always says 0, and its process list gives the handle table's size.)
// Only a count at rest means anything: the program holds registry keys open for a moment at times.
DWORD ProcessHandleCount(DWORD processId);
// Wine's DLL overrides for every program, and for those named dusklamp.exe.
const char kOverridesKey[] = "Software\\Wine\\DllOverrides";
const char kAppOverridesKey[] = "Software\\Wine\\AppDefaults\\dusklamp.exe\\DllOverrides";
// Where the shell stand-in keeps the association it replaced until it puts it back.
const char kSavedAssociationsKey[] = "Software\\DusklampTest\\SavedAssociations";
std::optional<std::string> FileBytes(const std::string& path);

// The process's visible top-level windows of the class (popup menus are "#32768") with the
// caption, or with any caption when it is null.
std::vector<HWND> FindWindows(DWORD processId, const char* className, const char* caption);
// The same for dialogs, message boxes included.
inline std::vector<HWND> FindDialogs(DWORD processId, const char* caption)
{
    return FindWindows(processId, "#32770", caption);
}
HWND WaitForDialog(DWORD processId, const char* caption, DWORD timeoutMs = 10000);
// A control's text, by default a message box's text.
std::string ItemText(HWND dialog, int id = 0xFFFF);
// The control with the keyboard focus in the dialog's thread.
HWND FocusOf(HWND dialog);
// Presses a button of another process's dialog and waits until the dialog is gone or hidden.
bool PressButton(HWND dialog, int id, DWORD timeoutMs = 10000);
// Posts a click and returns at once (the click may open a message box of its own).
inline void ClickButton(HWND dialog, int id) { ::PostMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// HKEY_CURRENT_USER\Software\Brightfen\Dusklamp\Settings.
void DeleteSettings();
// How many values the key holds; nothing when the key does not exist.
std::optional<DWORD> SettingsValueCount();
void WriteSetting(const char* name, DWORD value);
void WriteSetting(const char* name, const std::string& value);
// The hot key as the settings window stores it: "Key" and "Mod".
void StoreHotKey(DWORD key, DWORD modifiers);
std::optional<DWORD> ReadSettingInt(const char* name);
std::optional<std::string> ReadSettingString(const char* name);

// Software\Policies\Brightfen\Dusklamp of the machine (HKEY_LOCAL_MACHINE) or the user.
void WritePolicy(HKEY root, const char* name, DWORD value);
void WritePolicy(HKEY root, const char* name, const std::string& value);
// "Dusklamp" under Software\Microsoft\Windows\CurrentVersion\Run, the command run at logon.
void WriteRunEntry(HKEY root, const std::string& command);
std::optional<std::string> ReadRunEntry(HKEY root);

// Presses and releases a key combination with SendInput, modifiers first.
void PressKeys(const std::vector<WORD>& keys);
// A real right click at a screen point.
void RightClickAt(POINT point);

// Where Wine's desktop taskbar shows the first notification-area icon.
const POINT kTrayIconPoint = {1013, 758};
// Whether our icon's moon is drawn in the notification area right now.
bool TrayIconShown();
inline bool WaitForTrayIcon(bool shown, DWORD timeoutMs = 10000)
{
    return WaitUntil([&] { return TrayIconShown() == shown; }, timeoutMs);
}

}  // namespace harness
