// The listener for other computers' commands, and its start from the stored settings: each
// connection is read once, within a time limit, and its text handed on.
#include "net/CommandSocket.h"

#include "framework/App.h"
#include "net/AllowedSenders.h"
#include "net/CommandTable.h"
#include "net/DataFiles.h"
#include "settings/NetworkSettings.h"
#include "settings/NetworkValues.h"

namespace {

// Room for a burst: a sender waits its turn in the queue rather than being refused by the system.
const int kBacklog = 64;
// Under a flood the socket layer has been seen to leave a connection that arrived while we were
// accepting without its notice, and with it every later one: a look this often picks them up.
// Only while connections come and go; an idle listener is never woken.
const UINT kAcceptCheckMs = 500;

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

CCommandSocket::CCommandSocket(IReceivedCommandTarget& target)
    : m_target(target)
{
    for (CConnection& connection : m_connections)
        connection.m_owner = this;
}

bool CCommandSocket::Open(unsigned port)
{
    Close();
    if (port < kLowestPort || port > kHighestPort)
        return false;
    return Create(static_cast<unsigned short>(port)) && Listen(kBacklog);
}

void CCommandSocket::OnAccept(int)
{
    AcceptWaiting();
    SetTimeout(kAcceptCheckMs);
}

void CCommandSocket::OnTimeout()
{
    if (AcceptWaiting())
        SetTimeout(kAcceptCheckMs);
}

bool CCommandSocket::AcceptWaiting()
{
    // Each free slot takes one waiting connection. With every slot taken nothing is accepted, and
    // the socket layer tells of no further connection until we accept again: a connection that
    // ends calls us back. A flood thus costs no more than the slots.
    for (CConnection& connection : m_connections) {
        if (connection.IsOpen())
            continue;
        if (!Accept(connection, FD_READ | FD_CLOSE)) {
            // Anything but an empty queue lost that one connection (reset while waiting, say).
            if (::WSAGetLastError() == WSAEWOULDBLOCK)
                break;
            continue;
        }
        // Before any read or timer: a sender outside the list costs nothing more and is closed at once.
        const sockaddr_in peer = PeerOf(connection);
        if (!IsAllowed(peer)) {
            LogReceived(peer, kReceivedRefused);
            connection.Close();
            continue;
        }
        if (!connection.Begin(peer))
            connection.Close();
    }
    for (const CConnection& connection : m_connections) {
        if (connection.IsOpen())
            return true;
    }
    return false;
}

bool CCommandSocket::CConnection::Begin(const sockaddr_in& peer)
{
    m_peer = peer;
    m_read = false;
    m_text.clear();
    // A peer that says nothing within the limit is dropped without any action: an idle or
    // half-open connection (a port scan, say) is not a command.
    return SetTimeout(kReadLimitMs);
}

void CCommandSocket::CConnection::OnReceive(int)
{
    ReadOnce();
}

void CCommandSocket::CConnection::OnClose(int)
{
    // What the peer sent before closing is read now; nothing at all is the empty text, which
    // turns the display off, as a peer that connects and closes always has.
    ReadOnce();
}

void CCommandSocket::CConnection::OnTimeout()
{
    // Recorded before the close, as every record is: a peer that sees its connection end can
    // count on the record having been attempted.
    LogReceived(m_peer, kReceivedSilent);
    Close();
    m_owner->AcceptWaiting();
}

void CCommandSocket::CConnection::ReadOnce()
{
    if (m_read)
        return;
    char buffer[kMaxCommandBytes] = {};
    const int received = Receive(buffer, static_cast<int>(sizeof(buffer)));
    // Nothing there after all: the text is still to come.
    if (received == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK)
        return;
    // A read the peer broke off (a reset, say) counts as the empty text, as it always has.
    m_read = true;
    m_text = CommandTextFromBytes(buffer, received > 0 ? static_cast<std::size_t>(received) : 0);
    CancelTimeout();
    // A command may open a dialog whose loop runs for long; it must not run inside this event.
    if (!Defer()) {
        Close();
        m_owner->AcceptWaiting();
    }
}

void CCommandSocket::CConnection::OnDeferred()
{
    // Texts run in the order their connections completed. The record goes first, then the
    // connection closes, without a byte written back, before the command runs, so that a dialog
    // the text opens holds no slot; this object may serve another connection before the command
    // returns, so nothing of it is touched afterwards.
    const std::string text = std::move(m_text);
    CCommandSocket& owner = *m_owner;
    LogReceived(m_peer, owner.m_target.NameReceived(text));
    Close();
    owner.AcceptWaiting();
    owner.m_target.ExecuteReceived(text);
}

bool StartCommandListener(CCommandSocket& listener)
{
    const CNetworkSettings settings;
    if (!settings.IsNetworkUsed())
        return true;
    if (!CAsyncSocket::InitSocketLayer()) {
        CWinApp::Current()->ShowMessage(nullptr, "WinSock Initialisation Failed.", MB_ICONERROR);
        return false;
    }
    bool accept = false;
    unsigned port = 0;
    settings.ReadReceiveSettings(accept, port);
    if (!accept)
        return true;
    // A port that is taken, or out of range, simply leaves no listener: nothing is reported.
    listener.Open(port);
    return true;
}
