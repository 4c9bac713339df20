// Sockets over Windows Sockets 1.1: one hidden window turns socket events, timers and look-up
// answers into calls on the objects that asked for them.
#include "framework/Socket.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

namespace {

const char kWindowClass[] = "Dusklamp.SocketWindow";

// Numbers private to our window class. Every socket and every look-up gets one for as long as it
// lives, so that an answer still queued for one that is gone cannot reach a newcomer that was
// given the same handle value.
const UINT kFirstSocketMessage = WM_USER;
const UINT kLastSocketMessage = 0x7FFF;
// Above every event the socket layer reports.
const long kDeferredEvent = 0x8000;
// A timer message may come this early and still be ours; one posted sooner by another program is not.
const DWORD kTimerSlackMs = 20;

struct EventHandler {
    long event;
    void (CAsyncSocket::*handler)(int error);
};

bool g_socketLayerReady = false;

// A look-up the system is still working on. It stays until the system's answer comes, even when
// its owner has gone, and only then gives back its buffer and its message number.
struct PendingLookup {
    UINT message;
    HANDLE task;
    std::unique_ptr<char[]> buffer;
    CHostLookup* owner;
};

// The first IPv4 address of a look-up's answer, which must lie wholly inside its buffer.
bool AddressFromAnswer(const char* buffer, in_addr& address)
{
    const char* end = buffer + MAXGETHOSTSTRUCT;
    auto inside = [&](const void* p, std::size_t size) {
        const char* c = static_cast<const char*>(p);
        return c >= buffer && c <= end && size <= static_cast<std::size_t>(end - c);
    };
    const auto* host = reinterpret_cast<const hostent*>(buffer);
    if (host->h_addrtype != AF_INET || host->h_length != sizeof(in_addr) || !inside(host->h_addr_list, sizeof(char*))
        || !inside(host->h_addr_list[0], sizeof(in_addr)))
        return false;
    std::memcpy(&address, host->h_addr_list[0], sizeof(address));
    return true;
}

}  // namespace

// The hidden window, the open sockets by handle, and the look-ups under way.
class CSocketNotifier {
public:
    static HWND Window();
    static void DestroyWindow();
    static UINT NewMessageNumber();
    static void Add(CAsyncSocket* socket) { State().sockets[socket->m_socket] = socket; }
    static void Remove(const CAsyncSocket* socket);
    static void CloseAll();
    static UINT_PTR NewTimerId();
    static bool StartLookup(CHostLookup* lookup, const char* hostName);
    static void ForgetLookup(const CHostLookup* lookup);

private:
    struct CState {
        HWND window = nullptr;
        std::map<SOCKET, CAsyncSocket*> sockets;
        std::vector<PendingLookup> lookups;
        UINT nextMessage = kFirstSocketMessage;
        UINT_PTR nextTimer = 1;
    };

    // Never destroyed: sockets owned by static objects may close after static destructors have run.
    static CState& State()
    {
        static CState* state = new CState;
        return *state;
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static void Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    static bool AnswerLookup(UINT message, WPARAM wParam, LPARAM lParam);
    static void Timeout(UINT_PTR timer);
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
        for (const PendingLookup& lookup : state.lookups)
            inUse = inUse || lookup.message == candidate;
        if (!inUse)
            return candidate;
    }
    return 0;
}

UINT_PTR CSocketNotifier::NewTimerId()
{
    // Never one still running: the ids go round only after billions of time-outs.
    UINT_PTR& next = State().nextTimer;
    const UINT_PTR id = next++;
    if (next == 0)
        next = 1;
    return id;
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
    CState& state = State();
    while (!state.sockets.empty()) {
        CAsyncSocket* socket = state.sockets.begin()->second;
        state.sockets.erase(state.sockets.begin());
        socket->Close();
    }
    for (PendingLookup& lookup : state.lookups) {
        if (lookup.owner)
            lookup.owner->Cancel();
    }
}

bool CSocketNotifier::StartLookup(CHostLookup* lookup, const char* hostName)
{
    const HWND window = Window();
    const UINT message = window ? NewMessageNumber() : 0;
    if (!message) {
        ::WSASetLastError(WSAENOBUFS);
        return false;
    }
    std::unique_ptr<char[]> buffer(new char[MAXGETHOSTSTRUCT]());
    const HANDLE task = ::WSAAsyncGetHostByName(window, message, hostName, buffer.get(), MAXGETHOSTSTRUCT);
    if (!task)
        return false;
    lookup->m_task = task;
    State().lookups.push_back({message, task, std::move(buffer), lookup});
    return true;
}

void CSocketNotifier::ForgetLookup(const CHostLookup* lookup)
{
    for (PendingLookup& pending : State().lookups) {
        if (pending.owner == lookup)
            pending.owner = nullptr;
    }
}

LRESULT CALLBACK CSocketNotifier::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Another program can post to this window too: it must not close it.
    if (message == WM_CLOSE)
        return 0;
    if (message == WM_TIMER) {
        Timeout(wParam);
        return 0;
    }
    if (message < kFirstSocketMessage || message > kLastSocketMessage)
        return ::DefWindowProcA(hwnd, message, wParam, lParam);
    if (!AnswerLookup(message, wParam, lParam))
        Deliver(message, wParam, lParam);
    return 0;
}

void CSocketNotifier::Deliver(UINT message, WPARAM wParam, LPARAM lParam)
{
    static const EventHandler kHandlers[] = {
        {FD_READ, &CAsyncSocket::OnReceive},    {FD_WRITE, &CAsyncSocket::OnSend},
        {FD_ACCEPT, &CAsyncSocket::OnAccept},   {FD_CONNECT, &CAsyncSocket::OnConnect},
        {FD_CLOSE, &CAsyncSocket::OnClose},
    };
    const auto found = State().sockets.find(static_cast<SOCKET>(wParam));
    if (found == State().sockets.end() || found->second->m_message != message)
        return;
    CAsyncSocket* socket = found->second;
    const long event = WSAGETSELECTEVENT(lParam);
    if (event == kDeferredEvent) {
        // Only when asked for: a forged one must not run the owner's work twice.
        if (socket->m_deferred) {
            socket->m_deferred = false;
            socket->OnDeferred();
        }
        return;
    }
    // Only an event the socket asked for, under its own handle and number, is a real notification.
    for (const EventHandler& entry : kHandlers) {
        if (entry.event == event && (event & socket->m_events) != 0) {
            (socket->*entry.handler)(WSAGETSELECTERROR(lParam));
            return;
        }
    }
}

bool CSocketNotifier::AnswerLookup(UINT message, WPARAM wParam, LPARAM lParam)
{
    std::vector<PendingLookup>& lookups = State().lookups;
    auto found = lookups.begin();
    while (found != lookups.end() && (found->message != message || found->task != reinterpret_cast<HANDLE>(wParam)))
        ++found;
    if (found == lookups.end())
        return false;
    // Out of the list before the owner hears: it may start another look-up at once.
    const PendingLookup answered = std::move(*found);
    lookups.erase(found);
    CHostLookup* owner = answered.owner;
    if (!owner)
        return true;
    owner->m_task = nullptr;
    in_addr address = {};
    int error = WSAGETASYNCERROR(lParam);
    if (error == 0 && !AddressFromAnswer(answered.buffer.get(), address))
        error = WSANO_DATA;
    owner->OnLookupDone(error, address);
    return true;
}

void CSocketNotifier::Timeout(UINT_PTR timer)
{
    for (const auto& entry : State().sockets) {
        CAsyncSocket* socket = entry.second;
        if (socket->m_timer != timer || timer == 0)
            continue;
        if (static_cast<LONG>(::GetTickCount() - socket->m_timerDue) < -static_cast<LONG>(kTimerSlackMs))
            return;
        socket->CancelTimeout();
        socket->OnTimeout();
        return;
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
    // Registering also makes the socket non-blocking.
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

bool CAsyncSocket::Accept(CAsyncSocket& connected, long events)
{
    if (connected.IsOpen()) {
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    sockaddr_in peer;
    const SOCKET socket = TakeConnection(peer);
    return socket != INVALID_SOCKET && connected.Attach(socket, events);
}

SOCKET CAsyncSocket::TakeConnection(sockaddr_in& peer)
{
    peer = {};
    int size = sizeof(peer);
    const SOCKET socket = ::accept(m_socket, reinterpret_cast<sockaddr*>(&peer), &size);
    if (socket != INVALID_SOCKET && (size != sizeof(peer) || peer.sin_family != AF_INET))
        peer = {};
    return socket;
}

bool CAsyncSocket::RenewNotices()
{
    return IsOpen() && ::WSAAsyncSelect(m_socket, CSocketNotifier::Window(), m_message, m_events) == 0;
}

bool CAsyncSocket::Attach(SOCKET connection, long events)
{
    if (IsOpen()) {
        ::closesocket(connection);
        ::WSASetLastError(WSAEINVAL);
        return false;
    }
    // The new socket inherits the listener's notification number; it gets its own, and until then
    // the dispatcher ignores what comes under the old one.
    m_socket = connection;
    if (!Register(events))
        return FailAndClose();
    return true;
}

bool CAsyncSocket::Connect(const in_addr& address, unsigned short port)
{
    sockaddr_in target = {};
    target.sin_family = AF_INET;
    target.sin_port = ::htons(port);
    target.sin_addr = address;
    // Even a connection made at once is told by FD_CONNECT.
    return ::connect(m_socket, reinterpret_cast<const sockaddr*>(&target), sizeof(target)) == 0
        || ::WSAGetLastError() == WSAEWOULDBLOCK;
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
    CancelTimeout();
    CSocketNotifier::Remove(this);
    ::closesocket(m_socket);
    m_socket = INVALID_SOCKET;
    m_message = 0;
    m_events = 0;
    m_deferred = false;
}

bool CAsyncSocket::SetTimeout(UINT milliseconds)
{
    CancelTimeout();
    const HWND window = CSocketNotifier::Window();
    if (!IsOpen() || !window)
        return false;
    const UINT_PTR id = CSocketNotifier::NewTimerId();
    if (!::SetTimer(window, id, milliseconds, nullptr))
        return false;
    m_timer = id;
    m_timerDue = ::GetTickCount() + milliseconds;
    return true;
}

void CAsyncSocket::CancelTimeout()
{
    if (m_timer)
        ::KillTimer(CSocketNotifier::Window(), m_timer);
    m_timer = 0;
}

bool CAsyncSocket::Defer()
{
    if (!IsOpen())
        return false;
    if (m_deferred)
        return true;
    m_deferred = ::PostMessageA(CSocketNotifier::Window(), m_message, static_cast<WPARAM>(m_socket),
                                WSAMAKESELECTREPLY(kDeferredEvent, 0))
        != FALSE;
    return m_deferred;
}

void CAsyncSocket::OnAccept(int) {}
void CAsyncSocket::OnReceive(int) {}
void CAsyncSocket::OnSend(int) {}
void CAsyncSocket::OnConnect(int) {}
void CAsyncSocket::OnClose(int) {}
void CAsyncSocket::OnTimeout() {}
void CAsyncSocket::OnDeferred() {}

CHostLookup::~CHostLookup()
{
    Cancel();
}

bool CHostLookup::Start(const char* hostName)
{
    Cancel();
    return CSocketNotifier::StartLookup(this, hostName);
}

void CHostLookup::Cancel()
{
    if (!m_task)
        return;
    // Not WSACancelAsyncRequest: a request it cancels is never answered, so its entry would never
    // go, and after some thirty thousand cancels no message number would be left. Left to finish,
    // the look-up frees both when its answer comes, which nobody hears.
    CSocketNotifier::ForgetLookup(this);
    m_task = nullptr;
}
