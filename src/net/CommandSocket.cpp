// Accepting a command connection: read once, within a time limit, and hand the text on.
#include "net/CommandSocket.h"

#include "net/AllowedSenders.h"
#include "net/CommandLog.h"
#include "net/CommandTable.h"
#include "net/DataFiles.h"
#include "settings/NetworkSettings.h"
#include "settings/NetworkValues.h"

namespace {

const int kBacklog = 5;

// A read the peer broke off (a reset, say) counts as the empty text, as it always has; one that
// ran out of time, or that our own quit interrupted, is no command at all.
bool CameFromThePeer(int error)
{
    return error != WSAETIMEDOUT && error != WSAEINTR && error != WSAEINVAL;
}

// The connection's far end; all zeros when the system no longer knows it (reset meanwhile).
sockaddr_in PeerOf(const CAsyncSocket& connection)
{
    sockaddr_in peer = {};
    int size = sizeof(peer);
    if (::getpeername(connection.GetHandle(), reinterpret_cast<sockaddr*>(&peer), &size) != 0
        || peer.sin_family != AF_INET)
        peer = {};
    return peer;
}

// Read afresh for each connection, as every setting is, so a changed list counts at once.
bool IsAllowed(const sockaddr_in& peer)
{
    return IsSenderAllowed(CNetworkSettings().ReadAllowedSenders(), ntohl(peer.sin_addr.s_addr));
}

void LogReceived(const sockaddr_in& peer, const std::string& what)
{
    AppendReceivedLog(::inet_ntoa(peer.sin_addr), ntohs(peer.sin_port), what);
}

}  // namespace

bool CCommandSocket::Open(unsigned port)
{
    Close();
    if (port < kLowestPort || port > kHighestPort)
        return false;
    return Create(static_cast<unsigned short>(port)) && Listen(kBacklog);
}

void CCommandSocket::OnAccept(int)
{
    // Without waiting: a notification with no connection behind it (another program can post
    // one) is no command, and must not block the program until somebody connects.
    CSocket connection;
    if (!CAsyncSocket::Accept(connection))
        return;
    // Before any read: a sender outside the list costs no read time and is closed at once.
    const sockaddr_in peer = PeerOf(connection);
    if (!IsAllowed(peer)) {
        LogReceived(peer, kReceivedRefused);
        return;
    }

    // Read once. A peer that says nothing within the limit is dropped without any action: an idle
    // or half-open connection (a port scan, say) is not a command. One that closes without
    // sending still turns the display off, as the empty text always has.
    char buffer[kMaxCommandBytes] = {};
    connection.SetReceiveTimeout(kReadLimitMs);
    const int received = connection.Receive(buffer, static_cast<int>(sizeof(buffer)));
    if (received == SOCKET_ERROR && !CameFromThePeer(::WSAGetLastError())) {
        if (::WSAGetLastError() == WSAETIMEDOUT)
            LogReceived(peer, kReceivedSilent);
        return;
    }
    const std::string text = CommandTextFromBytes(buffer, received > 0 ? static_cast<std::size_t>(received) : 0);
    LogReceived(peer, m_target.NameReceived(text));
    // The command runs while the connection is still open, as it always has; nothing is ever
    // written back, and the connection closes when this returns.
    m_target.ExecuteReceived(text);
}
