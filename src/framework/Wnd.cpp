// Window wrapper: binds a window handle to its object and dispatches through the message tables.
#include "framework/Wnd.h"

namespace {

// The object pointer lives in the window's property list, so any window class can be bound.
const char kObjectProperty[] = "Dusklamp.CWnd";

}  // namespace

CWnd::~CWnd()
{
    DestroyWindow();
}

bool CWnd::DestroyWindow()
{
    return m_hWnd && ::DestroyWindow(m_hWnd);
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    return static_cast<CWnd*>(::GetPropA(hwnd, kObjectProperty));
}

bool CWnd::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_superProc)
        return ::CallWindowProcA(m_superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

bool CWnd::CreateMessageWindow(const char* className)
{
    // Any class will do: the object's procedure replaces the class's own at once.
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (className) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = ::DefWindowProcA;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = className;
        if (!::RegisterClassA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return false;
    }
    HWND hwnd = ::CreateWindowExA(0, className ? className : "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  instance, nullptr);
    if (!hwnd)
        return false;
    if (!SubclassWindow(hwnd)) {
        ::DestroyWindow(hwnd);
        return false;
    }
    return true;
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!::SetPropA(hwnd, kObjectProperty, this))
        return false;
    m_hWnd = hwnd;
    m_superProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WindowProc)));
    if (!m_superProc) {
        ::RemovePropA(hwnd, kObjectProperty);
        m_hWnd = nullptr;
        return false;
    }
    return true;
}

LRESULT CALLBACK CWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* wnd = FromHandle(hwnd);
    if (!wnd)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);

    LRESULT result = 0;
    ++wnd->m_handling;
    if (!wnd->OnMessage(message, wParam, lParam, result))
        result = wnd->DefWindowProc(message, wParam, lParam);
    --wnd->m_handling;
    if (message == WM_NCDESTROY)
        wnd->OnFinalMessage();
    return result;
}

void CWnd::OnFinalMessage()
{
    // Later subclassers may still sit on top of us, so only unhook when we are outermost.
    if (::GetWindowLongPtrA(m_hWnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWnd::WindowProc))
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_superProc));
    ::RemovePropA(m_hWnd, kObjectProperty);
    m_hWnd = nullptr;
    m_superProc = nullptr;
    PostNcDestroy();
}
