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

}  // namespace peer
