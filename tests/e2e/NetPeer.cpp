// Loopback peers over Winsock; under Wine these are the host's own TCP sockets.
// Room in a socket set for every connection the listener tests hold at once.
#define FD_SETSIZE 256
#include "NetPeer.h"

#include "Harness.h"

namespace peer {

namespace {

SOCKET NewSocket()
{
    // The socket layer starts once, for the whole test program.
    static WSADATA data;
    static const bool started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    return started ? ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP) : INVALID_SOCKET;
}

// Host order in, network order out.
sockaddr_in Address(u_long host, unsigned short port)
{
    sockaddr_in address = {AF_INET, htons(port), {}, {}};
    address.sin_addr.s_addr = htonl(host);
    return address;
}

// The port the system gave the socket; 0 when it cannot say.
unsigned short PortOf(SOCKET socket)
{
    sockaddr_in address = {};
    int size = sizeof(address);
    return ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) == 0 ? ntohs(address.sin_port) : 0;
}

// A new socket on a loopback port the system picks; the port is 0 when that failed.
SOCKET BindLoopback(unsigned short& port)
{
    SOCKET socket = NewSocket();
    const sockaddr_in address = Address(INADDR_LOOPBACK, 0);
    port = ::bind(socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 ? PortOf(socket) : 0;
    return socket;
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

unsigned short FreePort(unsigned short besides)
{
    unsigned short port = 0;
    do
        ::closesocket(BindLoopback(port));
    while (port != 0 && port == besides);
    return port;
}

bool Connection::Connect(unsigned short port, DWORD timeoutMs, u_long from)
{
    Close();
    m_socket = NewSocket();
    const sockaddr_in source = Address(from, 0);
    if (from != INADDR_ANY && ::bind(m_socket, reinterpret_cast<const sockaddr*>(&source), sizeof(source)) != 0)
        Close();
    // Without blocking, so that the time-out is ours and not the system's; every later wait is a select.
    u_long nonBlocking = 1;
    ::ioctlsocket(m_socket, FIONBIO, &nonBlocking);
    const sockaddr_in address = Address(INADDR_LOOPBACK, port);
    int error = ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
        ? 0 : ::WSAGetLastError();
    int size = sizeof(error);
    if (error == WSAEWOULDBLOCK && WaitFor(m_socket, true, timeoutMs))
        ::getsockopt(m_socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
    if (error != 0)
        Close();
    return error == 0;
}

unsigned short Connection::LocalPort() const { return PortOf(m_socket); }

bool Connection::Send(std::string_view bytes)
{
    return ::send(m_socket, bytes.data(), static_cast<int>(bytes.size()), 0) == static_cast<int>(bytes.size());
}

bool Connection::ClosedByPeerWithoutData(DWORD timeoutMs)
{
    char byte = 0;
    return m_socket != INVALID_SOCKET && WaitFor(m_socket, false, timeoutMs) && ::recv(m_socket, &byte, 1, 0) == 0;
}

void Connection::Close()
{
    if (m_socket != INVALID_SOCKET)
        ::closesocket(m_socket);
    m_socket = INVALID_SOCKET;
}

std::vector<bool> WaitUntilReadable(const std::vector<const Connection*>& connections, DWORD timeoutMs)
{
    std::vector<bool> readable(connections.size(), false);
    fd_set set;
    FD_ZERO(&set);
    for (const Connection* connection : connections)
        FD_SET(connection->m_socket, &set);
    timeval timeout = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    if (connections.size() > FD_SETSIZE || ::select(0, &set, nullptr, nullptr, &timeout) <= 0)
        return readable;
    for (std::size_t i = 0; i < connections.size(); ++i)
        readable[i] = FD_ISSET(connections[i]->m_socket, &set) != 0;
    return readable;
}

bool SendCommand(unsigned short port, std::string_view bytes, DWORD timeoutMs, u_long from)
{
    Connection connection;
    if (!connection.Connect(port, 5000, from) || (!bytes.empty() && !connection.Send(bytes)))
        return false;
    connection.FinishSending();
    return connection.ClosedByPeerWithoutData(timeoutMs);
}

Listener::Listener()
{
    m_socket = BindLoopback(m_port);
    ::listen(m_socket, 1);
}

std::string Listener::Next(DWORD timeoutMs)
{
    if (!WaitFor(m_socket, false, timeoutMs))
        return "<no connection>";
    Connection connection;
    const SOCKET socket = connection.m_socket = ::accept(m_socket, nullptr, nullptr);
    std::string bytes;
    char buffer[512];
    int got = SOCKET_ERROR;
    while (WaitFor(socket, false, 5000) && (got = ::recv(socket, buffer, sizeof(buffer), 0)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return got == 0 ? bytes : bytes + "<no end of stream>";
}

bool Listener::Hold()
{
    // The first of our own that the system leaves unanswered shows that the queue is full.
    for (int tries = 0; tries < 16; ++tries) {
        m_idle.emplace_back();
        // Loopback answers a connection request at once while there is room in the queue; two
        // seconds are plenty even on a busy machine.
        if (!m_idle.back().Connect(m_port, 2000)) {
            m_idle.pop_back();
            return true;
        }
    }
    return false;
}

void Listener::Release()
{
    for (std::size_t i = 0; i < m_idle.size() && WaitFor(m_socket, false, 5000); ++i)
        ::closesocket(::accept(m_socket, nullptr, nullptr));
    m_idle.clear();
}

}  // namespace peer
