// Accepting a command connection: read once, within a time limit, and hand the text on.
#include "net/CommandSocket.h"

#include "net/CommandTable.h"
#include "settings/NetworkValues.h"

namespace {

const int kBacklog = 5;

// A read the peer broke off (a reset, say) counts as the empty text, as it always has; one that
// ran out of time, or that our own quit interrupted, is no command at all.
bool CameFromThePeer(int error)
{
    return error != WSAETIMEDOUT && error != WSAEINTR && error != WSAEINVAL;
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

    // Read once. A peer that says nothing within the limit is dropped without any action: an idle
    // or half-open connection (a port scan, say) is not a command. One that closes without
    // sending still turns the display off, as the empty text always has.
    char buffer[kMaxCommandBytes] = {};
    connection.SetReceiveTimeout(kReadLimitMs);
    const int received = connection.Receive(buffer, static_cast<int>(sizeof(buffer)));
    if (received == SOCKET_ERROR && !CameFromThePeer(::WSAGetLastError()))
        return;
    const std::string text = CommandTextFromBytes(buffer, received > 0 ? static_cast<std::size_t>(received) : 0);
    // The command runs while the connection is still open, as it always has; nothing is ever
    // written back, and the connection closes when this returns.
    m_target.ExecuteReceived(text);
}
