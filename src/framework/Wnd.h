// Thin window wrapper: a handle, a per-class message table and an overridable default procedure.
#pragma once

#include <windows.h>

#include <cstddef>

// One row of a class's message table. Rows for WM_COMMAND, WM_TIMER and WM_NOTIFY also name the
// command, timer or control id they take; a message with another id is not theirs. Timer and
// control ids are pointer-sized: a 64-bit program must not take 0x100000001 for timer 1.
template <class T>
struct MessageEntry {
    UINT message;
    UINT_PTR id;
    LRESULT (T::*handler)(UINT message, WPARAM wParam, LPARAM lParam);
};

// The id a row must match, or false for messages that carry none.
inline bool MessageId(UINT message, WPARAM wParam, UINT_PTR& id)
{
    switch (message) {
    case WM_COMMAND:
        id = LOWORD(wParam);
        return true;
    case WM_TIMER:
    case WM_NOTIFY:
        id = wParam;
        return true;
    }
    return false;
}

// Runs the first row of the table that matches; false when none does.
template <class T, std::size_t N>
bool RouteMessage(T* target, const MessageEntry<T> (&table)[N], UINT message, WPARAM wParam, LPARAM lParam,
                  LRESULT& result)
{
    UINT_PTR id = 0;
    const bool hasId = MessageId(message, wParam, id);
    for (const MessageEntry<T>& entry : table) {
        if (entry.message != message || (hasId && entry.id != id))
            continue;
        result = (target->*entry.handler)(message, wParam, lParam);
        return true;
    }
    return false;
}

class CWnd {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    virtual ~CWnd();

    HWND GetSafeHwnd() const { return m_hWnd; }
    void ShowWindow(int command)
    {
        if (m_hWnd)
            ::ShowWindow(m_hWnd, command);
    }
    bool IsWindowVisible() const { return m_hWnd && ::IsWindowVisible(m_hWnd); }
    // True while one of its handlers runs, a message box it shows, say: the object must live on.
    bool IsHandlingMessage() const { return m_handling > 0; }
    bool DestroyWindow();
    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    void EnableDlgItem(int id, bool enable) { ::EnableWindow(GetDlgItem(id), enable ? TRUE : FALSE); }
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

    static CWnd* FromHandle(HWND hwnd);

    // A window that is never shown and gets no broadcasts, for timers and notifications; of a
    // class of its own when given one, so that another program can find it.
    bool CreateMessageWindow(const char* className = nullptr);

protected:
    // A class routes its message table here and leaves the rest to its base class.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Sees every message the tables did not take, and those their handlers pass on.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    // Routes the window's messages through this object from now on.
    bool SubclassWindow(HWND hwnd);
    // Called once the window is gone and this object no longer bound to it.
    virtual void PostNcDestroy() {}

    HWND m_hWnd = nullptr;
    int m_handling = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnFinalMessage();

    WNDPROC m_superProc = nullptr;
};
