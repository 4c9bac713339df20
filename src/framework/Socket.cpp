// Sockets over Windows Sockets 1.1: one hidden window turns socket events into notifications.
#include "framework/Socket.h"

#include <cstring>
#include <map>
#include <vector>

namespace {

const char kWindowClass[] = "Dusklamp.SocketWindow";

// Numbers private to our window class. The first asks for held notifications to be delivered;
// every socket gets one of the others for as long as it is open, so that a notification still
// queued for a closed socket cannot reach a new socket that was given the same handle value.
const UINT kDeliverHeldMessage = WM_USER;
const UINT kFirstSocketMessage = WM_USER + 1;
const UINT kLastSocketMessage = 0x7FFF;

struct EventHandler {
    long event;
    void (CAsyncSocket::*handler)(int error);
};

const EventHandler kEventHandlers[] = {
    {FD_READ, &CAsyncSocket::OnReceive},   {FD_WRITE, &CAsyncSocket::OnSend},
    {FD_OOB, &CAsyncSocket::OnOutOfBandData}, {FD_ACCEPT, &CAsyncSocket::OnAccept},
    {FD_CONNECT, &CAsyncSocket::OnConnect}, {FD_CLOSE, &CAsyncSocket::OnClose},
};

struct HeldNotification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

bool g_socketLayerReady = false;

bool ResolveAddress(const char* hostAddress, in_addr& address)
{
    if (!hostAddress)
        return false;
    address.s_addr = ::inet_addr(hostAddress);
    if (address.s_addr != INADDR_NONE)
        return true;
    const hostent* host = ::gethostbyname(hostAddress);
    if (!host || host->h_addrtype != AF_INET || !host->h_addr_list[0])
        return false;
    std::memcpy(&address, host->h_addr_list[0], sizeof(address));
    return true;
}

}  // namespace

// The hidden window, the open sockets by handle, and the notifications held while a CSocket blocks.
class CSocketNotifier {
public:
    static HWND Window();
    static void DestroyWindow();
    static UINT NewMessageNumber();
    static void Add(CAsyncSocket* socket) { State().sockets[socket->m_socket] = socket; }
    static void Remove(const CAsyncSocket* socket);
    static void CloseAll();

    static const CAsyncSocket* Blocking() { return State().blocking; }
    static void SetBlocking(const CAsyncSocket* socket) { State().blocking = socket; }
    static bool HasHeld() { return !State().held.empty(); }
    // While a socket blocks, only its own held notifications; otherwise all, oldest first.
    static void DeliverHeld();

private:
    struct CState {
        HWND window = nullptr;
        std::map<SOCKET, CAsyncSocket*> sockets;
        std::vector<HeldNotification> held;
        const CAsyncSocket* blocking = nullptr;
        UINT nextMessage = kFirstSocketMessage;
    };

    // Never destroyed: sockets owned by static objects may close after static destructors have run.
    static CState& State()
    {
        static CState* state = new CState;
        return *state;
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static CAsyncSocket* Find(UINT message, WPARAM wParam);
    static void Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    static void Hold(UINT message, WPARAM wParam, LPARAM lParam);
};

HWND CSocketNotifier::Window()
{
    CState& state = State();
    if (state.window)
        return state.window;
    const HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = &CSocketNotifier::WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (!::RegisterClassA(&windowClass) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    // Message-only: it never shows, and broadcasts do not reach it.
    state.window = ::CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    return state.window;
}

void CSocketNotifier::DestroyWindow()
{
    CState& state = State();
    if (state.window)
        ::DestroyWindow(state.window);
    state.window = nullptr;
    state.held.clear();
}

UINT CSocketNotifier::NewMessageNumber()
{
    CState& state = State();
    for (UINT tries = kFirstSocketMessage; tries <= kLastSocketMessage; ++tries) {
        const UINT candidate = state.nextMessage;
        state.nextMessage = candidate == kLastSocketMessage ? kFirstSocketMessage : candidate + 1;
        bool inUse = false;
        for (const auto& entry : state.sockets)
            inUse = inUse || entry.second->m_message == candidate;
        if (!inUse)
            return candidate;
    }
    return 0;
}

void CSocketNotifier::Remove(const CAsyncSocket* socket)
{
    CState& state = State();
    const auto found = state.sockets.find(socket->m_socket);
    if (found != state.sockets.end() && found->second == socket)
        state.sockets.erase(found);
}

void CSocketNotifier::CloseAll()
{
    std::map<SOCKET, CAsyncSocket*>& sockets = State().sockets;
    while (!sockets.empty()) {
        CAsyncSocket* socket = sockets.begin()->second;
        sockets.erase(sockets.begin());
        socket->Close();
    }
}

CAsyncSocket* CSocketNotifier::Find(UINT message, WPARAM wParam)
{
    CState& state = State();
    const auto found = state.sockets.find(static_cast<SOCKET>(wParam));
    if (found == state.sockets.end() || found->second->m_message != message)
        return nullptr;
    return found->second;
}

LRESULT CALLBACK CSocketNotifier::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Another program can post to this window too: it must not close it.
    if (message == WM_CLOSE)
        return 0;
    if (message < kDeliverHeldMessage || message > kLastSocketMessage)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    // Held notifications are older than anything the queue still has.
    if (!Blocking())
        DeliverHeld();
    if (message != kDeliverHeldMessage)
        Deliver(message, wParam, lParam);
    return 0;
}

void CSocketNotifier::Deliver(UINT message, WPARAM wParam, LPARAM lParam)
{
    CAsyncSocket* socket = Find(message, wParam);
    const long event = WSAGETSELECTEVENT(lParam);
    // Only one event the socket asked for, under its own handle and number, is a real notification.
    if (!socket || event == 0 || (event & (event - 1)) != 0 || (event & socket->m_events) == 0)
        return;
    if (Blocking() && Blocking() != socket) {
        Hold(message, wParam, lParam);
        return;
    }
    socket->Notify(event, WSAGETSELECTERROR(lParam));
}

void CSocketNotifier::Hold(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The socket layer posts an event again only after the socket has been served, so a repeat
    // can only be a forgery; dropping it keeps a flood from growing the list.
    std::vector<HeldNotification>& held = State().held;
    for (const HeldNotification& notification : held) {
        if (notification.message == message && notification.wParam == wParam &&
            WSAGETSELECTEVENT(notification.lParam) == WSAGETSELECTEVENT(lParam))
            return;
    }
    held.push_back({message, wParam, lParam});
}

void CSocketNotifier::DeliverHeld()
{
    // Delivery can run handlers that block, hold more or close sockets: look afresh each time.
    std::vector<HeldNotification>& held = State().held;
    for (;;) {
        auto next = held.begin();
        while (next != held.end() && Blocking() && Find(next->message, next->wParam) != Blocking())
            ++next;
        if (next == held.end())
            return;
        const HeldNotification notification = *next;
        held.erase(next);
        Deliver(notification.message, notification.wParam, notification.lParam);
    }
}

bool CAsyncSocket::InitSocketLayer()
{
    if (g_socketLayerReady)
        return true;
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
    g_socketLayerReady = true;
    return true;
}

void CAsyncSocket::ReleaseSocketLayer()
{
    if (!g_socketLayerReady)
        return;
    // Closed through their objects, so that none later closes a handle value given to someone else.
    CSocketNotifier::CloseAll();
    CSocketNotifier::DestroyWindow();
    ::WSACleanup();
    g_socketLayerReady = false;
}

CAsyncSocket::~CAsyncSocket()
{
    Close();
}

bool CAsyncSocket::Create(unsigned short port, long events)
{
    if (IsOpen()) {
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_ANY);
    if (::bind(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || !Register(events))
        return FailAndClose();
    return true;
}

bool CAsyncSocket::Register(long events)
{
    const HWND window = CSocketNotifier::Window();
    const UINT message = window ? CSocketNotifier::NewMessageNumber() : 0;
    if (!message) {
        ::WSASetLastError(WSAENOBUFS);
        return false;
    }
    if (::WSAAsyncSelect(m_socket, window, message, events) != 0)
        return false;
    m_message = message;
    m_events = events;
    m_deliveredEvents = 0;
    CSocketNotifier::Add(this);
    return true;
}

bool CAsyncSocket::FailAndClose()
{
    const int error = ::WSAGetLastError();
    Close();
    ::WSASetLastError(error);
    return false;
}

bool CAsyncSocket::Listen(int backlog)
{
    return ::listen(m_socket, backlog) == 0;
}

bool CAsyncSocket::Accept(CAsyncSocket& connected)
{
    if (connected.IsOpen()) {
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    const SOCKET socket = ::accept(m_socket, nullptr, nullptr);
    if (socket == INVALID_SOCKET)
        return false;
    // The new socket inherits our notification number; it gets its own, and until then the
    // dispatcher ignores what comes under the old one.
    connected.m_socket = socket;
    if (!connected.Register(m_events))
        return connected.FailAndClose();
    return true;
}

bool CAsyncSocket::Connect(const char* hostAddress, unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    if (!ResolveAddress(hostAddress, address.sin_addr)) {
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    return ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

int CAsyncSocket::Send(const void* data, int length)
{
    return ::send(m_socket, static_cast<const char*>(data), length, 0);
}

int CAsyncSocket::Receive(void* buffer, int length)
{
    return ::recv(m_socket, static_cast<char*>(buffer), length, 0);
}

void CAsyncSocket::Close()
{
    if (!IsOpen())
        return;
    CSocketNotifier::Remove(this);
    ::closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    m_message = 0;
    m_events = 0;
}

void CAsyncSocket::Notify(long event, int error)
{
    m_deliveredEvents |= event;
    if (event == FD_CONNECT)
        m_connectError = error;
    for (const EventHandler& entry : kEventHandlers) {
        if (entry.event == event) {
            (this->*entry.handler)(error);
            return;
        }
    }
}

void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}
void CAsyncSocket::OnOutOfBandData(int) {}

namespace {

// Marks a socket as the one blocking; when the outermost blocking call ends, the notifications held
// meanwhile are delivered from the message loop, after what the caller still does.
class CBlockingScope {
public:
    explicit CBlockingScope(const CAsyncSocket* socket) : m_outer(CSocketNotifier::Blocking())
    {
        CSocketNotifier::SetBlocking(socket);
    }
    CBlockingScope(const CBlockingScope&) = delete;
    CBlockingScope& operator=(const CBlockingScope&) = delete;
    ~CBlockingScope()
    {
        CSocketNotifier::SetBlocking(m_outer);
        if (!m_outer && CSocketNotifier::HasHeld())
            ::PostMessageA(CSocketNotifier::Window(), kDeliverHeldMessage, 0, 0);
    }

private:
    const CAsyncSocket* m_outer;
};

}  // namespace

CSocketWaitPause::CSocketWaitPause()
    : m_blocking(CSocketNotifier::Blocking())
{
    CSocketNotifier::SetBlocking(nullptr);
    if (m_blocking && CSocketNotifier::HasHeld())
        ::PostMessageA(CSocketNotifier::Window(), kDeliverHeldMessage, 0, 0);
}

CSocketWaitPause::~CSocketWaitPause()
{
    CSocketNotifier::SetBlocking(m_blocking);
}

bool CSocket::WaitForEvents(long events, DWORD timeout)
{
    // A socket not registered for the events (or closed meanwhile) would never be woken.
    const HWND window = CSocketNotifier::Window();
    if ((RegisteredEvents() & events) == 0 || !window) {
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    CBlockingScope scope(this);
    ForgetEvents();
    const DWORD start = ::GetTickCount();
    MSG msg;
    for (;;) {
        // The quit request belongs to the main loop: leave it there and give up.
        if (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            ::WSASetLastError(WSAEINTR);
            return false;
        }
        CSocketNotifier::DeliverHeld();
        while (::PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            ::DispatchMessageA(&msg);
        // Other sockets' notifications are taken from the queue too, in order, and held. This
        // peek must be the last before the wait: any peek counts every queued message as seen,
        // and the wait below wakes only for messages that arrive after it.
        while (!(DeliveredEvents() & events) &&
               ::PeekMessageA(&msg, window, kDeliverHeldMessage, kLastSocketMessage, PM_REMOVE))
            ::DispatchMessageA(&msg);
        if (DeliveredEvents() & events)
            return true;

        DWORD remaining = INFINITE;
        if (timeout != INFINITE) {
            const DWORD elapsed = ::GetTickCount() - start;
            if (elapsed >= timeout) {
                ::WSASetLastError(WSAETIMEDOUT);
                return false;
            }
            remaining = timeout - elapsed;
        }
        // Filtered peeks count as having looked, so input left in the queue does not wake us again.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, remaining, QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT);
    }
}

bool CSocket::Accept(CAsyncSocket& connected)
{
    for (;;) {
        if (CAsyncSocket::Accept(connected))
            return true;
        if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitForEvents(FD_ACCEPT, INFINITE))
            return false;
    }
}

bool CSocket::Connect(const char* hostAddress, unsigned short port)
{
    if (CAsyncSocket::Connect(hostAddress, port))
        return true;
    if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitForEvents(FD_CONNECT, INFINITE))
        return false;
    if (ConnectError() != 0) {
        ::WSASetLastError(ConnectError());
        return false;
    }
    return true;
}

int CSocket::Send(const void* data, int length)
{
    const char* bytes = static_cast<const char*>(data);
    for (int sent = 0; sent < length;) {
        const int result = CAsyncSocket::Send(bytes + sent, length - sent);
        if (result != SOCKET_ERROR)
            sent += result;
        else if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitForEvents(FD_WRITE | FD_CLOSE, INFINITE))
            return SOCKET_ERROR;
    }
    return length;
}

int CSocket::Receive(void* buffer, int length)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        const int result = CAsyncSocket::Receive(buffer, length);
        if (result != SOCKET_ERROR || ::WSAGetLastError() != WSAEWOULDBLOCK)
            return result;
        DWORD remaining = INFINITE;
        if (m_receiveTimeout != INFINITE) {
            const DWORD elapsed = ::GetTickCount() - start;
            if (elapsed >= m_receiveTimeout) {
                ::WSASetLastError(WSAETIMEDOUT);
                return SOCKET_ERROR;
            }
            remaining = m_receiveTimeout - elapsed;
        }
        if (!WaitForEvents(FD_READ | FD_CLOSE, remaining))
            return SOCKET_ERROR;
    }
}
