// Loopback peers over Winsock; under Wine these are the host's own TCP sockets.
#include "NetPeer.h"

#include "Harness.h"

namespace peer {

namespace {

sockaddr_in Loopback(unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// Waits until the socket is readable (or writable); false on time-out.
bool WaitFor(SOCKET socket, bool write, DWORD timeoutMs)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    fd_set errors = set;
    timeval timeout = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    return ::select(0, write ? nullptr : &set, write ? &set : nullptr, &errors, &timeout) > 0
        && FD_ISSET(socket, &set);
}

}  // namespace

bool StartSockets()
{
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

unsigned short FreePort()
{
    StartSockets();
    SOCKET probe = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    int size = sizeof(address);
    unsigned short port = 0;
    if (::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0
        && ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::closesocket(probe);
    return port;
}

bool Connection::Connect(unsigned short port, DWORD timeoutMs)
{
    StartSockets();
    Close();
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    ::ioctlsocket(m_socket, FIONBIO, &nonBlocking);
    const sockaddr_in address = Loopback(port);
    if (::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        && ::WSAGetLastError() != WSAEWOULDBLOCK) {
        Close();
        return false;
    }
    int error = 0;
    int size = sizeof(error);
    if (!WaitFor(m_socket, true, timeoutMs)
        || ::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0) {
        Close();
        return false;
    }
    u_long blocking = 0;
    ::ioctlsocket(m_socket, FIONBIO, &blocking);
    return true;
}

bool Connection::Send(std::string_view bytes)
{
    return ::send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
}

void Connection::FinishSending()
{
    ::shutdown(m_socket, SD_SEND);
}

bool Connection::ClosedByPeerWithoutData(DWORD timeoutMs)
{
    char byte = 0;
    return m_socket != INVALID_SOCKET && WaitFor(m_socket, false, timeoutMs) && ::recv(m_socket, &byte, 1, 0) == 0;
}

void Connection::Close()
{
    if (m_socket != INVALID_SOCKET) {
        ::closesocket(m_socket);
        m_socket = INVALID_SOCKET;
    }
}

bool SendCommand(unsigned short port, std::string_view bytes, DWORD timeoutMs)
{
    Connection connection;
    if (!connection.Connect(port) || (!bytes.empty() && !connection.Send(bytes)))
        return false;
    connection.FinishSending();
    return connection.ClosedByPeerWithoutData(timeoutMs);
}

bool Accepts(unsigned short port)
{
    Connection connection;
    return connection.Connect(port, 2000);
}

Listener::Listener()
{
    StartSockets();
    m_socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = Loopback(0);
    int size = sizeof(address);
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 && ::listen(m_socket, 1) == 0
        && ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
}

Listener::~Listener()
{
    m_stopping = true;
    m_thread.join();
    ::closesocket(m_socket);
}

void Listener::Serve()
{
    // Short waits rather than a blocking accept, so that the destructor never waits on a peer.
    while (!m_stopping) {
        if (!WaitFor(m_socket, false, 100) || m_holding)
            continue;
        SOCKET connection = ::accept(m_socket, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            continue;
        if (m_idleToSkip > 0) {
            --m_idleToSkip;
            ::closesocket(connection);
            continue;
        }
        std::string bytes;
        char buffer[512];
        int got = SOCKET_ERROR;
        while (WaitFor(connection, false, 5000) && (got = ::recv(connection, buffer, sizeof(buffer), 0)) > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
        ::closesocket(connection);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.push_back(got == 0 ? bytes : bytes + "<no end of stream>");
        m_lastEndMs = harness::NowMs();
    }
}

std::vector<std::string> Listener::Received() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_received;
}

double Listener::LastEndMs() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastEndMs;
}

bool Listener::Hold()
{
    m_holding = true;
    // The first of our own that the system leaves unanswered shows that the queue is full.
    for (int tries = 0; tries < 16; ++tries) {
        m_idle.emplace_back();
        if (!m_idle.back().Connect(m_port, 300)) {
            m_idle.pop_back();
            m_idleToSkip = static_cast<int>(m_idle.size());
            return true;
        }
    }
    return false;
}

void Listener::Release()
{
    m_idle.clear();
    m_holding = false;
}

bool Listener::WaitForConnections(std::size_t count, DWORD timeoutMs) const
{
    return harness::WaitUntil([&] { return Received().size() >= count; }, timeoutMs);
}

}  // namespace peer
