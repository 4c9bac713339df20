// The sender's socket layer over Winsock 2 and select() (Windows).
#include "send/SendSocket.h"

#include "send/SendOptions.h"

// Winsock's fd_set is a counted array of this size: room for every socket of the largest --jobs.
#define FD_SETSIZE 1024
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdio>
#include <io.h>

static_assert(FD_SETSIZE >= kMaxJobs, "select() must take every socket tried at once");

namespace {

SOCKET HandleOf(std::uintptr_t handle)
{
    return static_cast<SOCKET>(handle);
}

// Set by Wake(): a look-up has ended or the list's next bytes have come. Never closed, as a thread
// left running may still set it until the process ends.
HANDLE g_wakeEvent = nullptr;

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

DWORD WINAPI RunThread(void* start)
{
    const ThreadStart run = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    run.body(run.argument);
    return 0;
}

}  // namespace

bool SecureStandardStreams()
{
    // Sockets are no C run-time descriptors here, so none can take a standard stream's place. A
    // program started without a standard stream (a service, a scheduled task) would see every report
    // fail, though nobody reads them: like a closed descriptor on Linux, it writes to the null device.
    FILE* const streams[] = {stdin, stdout, stderr};
    const char* const modes[] = {"r", "w", "w"};
    for (int i = 0; i < 3; ++i) {
        const int fd = ::_fileno(streams[i]);
        if ((fd < 0 || ::_get_osfhandle(fd) < 0) && !std::freopen("NUL", modes[i], streams[i]))
            return false;
    }
    return true;
}

CSocketLayer::CSocketLayer()
{
    WSADATA data;
    m_error = ::WSAStartup(MAKEWORD(2, 2), &data);
    if (m_error == 0 && !(g_wakeEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr)))
        m_error = static_cast<int>(::GetLastError());
    m_ready = m_error == 0;
}

// No WSACleanup(): a look-up thread left in getaddrinfo() may still use Winsock until the process ends.
CSocketLayer::~CSocketLayer() = default;

unsigned CSocketLayer::SocketAllowance(unsigned wanted, unsigned& lookupThreads)
{
    lookupThreads = kMaxLookupThreads;
    return wanted;
}

long ReadSome(std::FILE* file, char* buffer, std::size_t size)
{
    // The descriptor's _read(), for fread() would wait for the whole size or the end of the file.
    return ::_read(::_fileno(file), buffer, static_cast<unsigned>(size));
}

bool ResolveIPv4(const std::string& host, std::uint32_t& address, std::string& reason)
{
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        reason = SocketErrorText(result);
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

bool StartDetachedThread(void (*body)(void*), void* argument)
{
    // A look-up needs little stack; hundreds of threads with a large reservation would fill the
    // address space of a 32-bit process.
    const SIZE_T kStackBytes = 256 * 1024;
    auto* start = new ThreadStart{body, argument};
    const HANDLE thread =
        ::CreateThread(nullptr, kStackBytes, RunThread, start, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) {
        delete start;
        return false;
    }
    ::CloseHandle(thread);
    return true;
}

std::string SocketErrorText(int error)
{
    char* buffer = nullptr;
    const DWORD size = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        static_cast<DWORD>(error), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<char*>(&buffer), 0,
        nullptr);
    std::string text = buffer ? std::string(buffer, size) : std::string();
    ::LocalFree(buffer);
    // The system's texts end in a line break and a few span lines; the report has one line per computer.
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (text.empty())
        text = "error " + std::to_string(error);
    return text;
}

int TimedOutError()
{
    return WSAETIMEDOUT;
}

CClientSocket::State CClientSocket::BeginConnect(std::uint32_t address, std::uint16_t port)
{
    Close();
    const SOCKET handle = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (handle == INVALID_SOCKET) {
        Fail(::WSAGetLastError());
        return m_state;
    }
    m_handle = static_cast<std::uintptr_t>(handle);
    u_long nonBlocking = 1;
    if (::ioctlsocket(handle, FIONBIO, &nonBlocking) != 0) {
        Fail(::WSAGetLastError());
        return m_state;
    }
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof(peer)) == 0) {
        m_state = State::Connected;
        return m_state;
    }
    // Winsock says "would block" where BSD sockets say "in progress".
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        m_state = State::Connecting;
    else
        Fail(error);
    return m_state;
}

bool CClientSocket::Send(std::string_view bytes)
{
    const int sent = ::send(HandleOf(m_handle), bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent == static_cast<int>(bytes.size()))
        return true;
    Fail(sent == SOCKET_ERROR ? ::WSAGetLastError() : WSAEWOULDBLOCK);
    return false;
}

void CClientSocket::Close()
{
    if (m_handle != kNoHandle)
        ::closesocket(HandleOf(m_handle));
    m_handle = kNoHandle;
    m_state = State::Idle;
}

void CClientSocket::WaitForConnects(const std::vector<CClientSocket*>& sockets, int timeoutMs, bool woken)
{
    // select() with no socket at all fails at once instead of waiting; then Wake() alone can end it.
    if (sockets.empty()) {
        ::WaitForSingleObject(g_wakeEvent, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
        return;
    }
    // select() takes only sockets, so Wake() cannot end its wait: it is cut short instead.
    const int kWakeCheckMs = 10;
    if (woken && (timeoutMs < 0 || timeoutMs > kWakeCheckMs))
        timeoutMs = kWakeCheckMs;
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    for (const CClientSocket* socket : sockets) {
        FD_SET(HandleOf(socket->m_handle), &writable);
        FD_SET(HandleOf(socket->m_handle), &failed);
    }
    timeval timeout = {timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    // The first argument is ignored by Winsock. A connect that succeeded shows as writable; one that
    // failed shows in the exception set, not as writable as on BSD sockets.
    if (::select(0, nullptr, &writable, &failed, timeoutMs < 0 ? nullptr : &timeout) <= 0)
        return;
    for (CClientSocket* socket : sockets) {
        const SOCKET handle = HandleOf(socket->m_handle);
        if (FD_ISSET(handle, &failed)) {
            int error = 0;
            int size = sizeof(error);
            if (::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
                error = ::WSAGetLastError();
            socket->Fail(error != 0 ? error : WSAECONNREFUSED);
        } else if (FD_ISSET(handle, &writable)) {
            socket->m_state = State::Connected;
        }
    }
}

void CClientSocket::Wake()
{
    ::SetEvent(g_wakeEvent);
}
