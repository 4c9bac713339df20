// The listener for other computers' commands, and its start from the stored settings: each
// connection is read once, within a time limit, and its text handed on.
#include "net/CommandSocket.h"

#include "framework/App.h"
#include "framework/Clock.h"
#include "net/CommandTable.h"
#include "net/DataFiles.h"
#include "settings/NetworkValues.h"

namespace {

// Room for a burst: a sender waits its turn in the queue rather than being refused by the system.
const int kBacklog = 64;
// The next turn after one that stopped at its bound: as soon as nothing else waits (timers come
// after input and posted messages).
const UINT kNextTurnMs = 1;
// Under a flood the socket layer has been seen to leave a connection that arrived while we were
// accepting without its notice, and with it every later one: a look this often picks them up.
// Only while connections come and go: after a look that finds nothing to take and nothing open,
// an idle listener is never woken.
const UINT kAcceptCheckMs = 500;

void LogReceived(const sockaddr_in& peer, const std::string& what)
{
    AppendReceivedLog(::inet_ntoa(peer.sin_addr), ntohs(peer.sin_port), what);
}

unsigned long long NowMs()
{
    return MonotonicMicroseconds() / 1000;
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
    Shut();
    m_waitingForTurn = false;
    m_lookPending = false;
    if (port < kLowestPort || port > kHighestPort)
        return false;
    // Only FD_ACCEPT: a connection taken inherits it, so one refused and closed at once has nothing
    // posted for it.
    return Create(static_cast<unsigned short>(port), FD_ACCEPT) && Listen(kBacklog);
}

void CCommandSocket::Shut()
{
    WritePendingSummaries();
    Close();
}

void CCommandSocket::OnAccept(int)
{
    RequestTurn();
}

void CCommandSocket::OnTimeout()
{
    m_lookPending = false;
    TakeTurn();
}

void CCommandSocket::OnConnectionEnded()
{
    // A slot is free again: with every slot taken, connections may be waiting without a notice.
    RequestTurn();
}

void CCommandSocket::RequestTurn()
{
    if (m_waitingForTurn)
        return;
    // Posted notices come before input, the hot key and timers: peers that connect as fast as they
    // are served would hold those back for good. While any of them waits, the listener steps aside
    // until the queue has let them through, and takes no connection meanwhile, so that no notice
    // of it is posted either.
    if (HIWORD(::GetQueueStatus(QS_INPUT | QS_HOTKEY | QS_TIMER)) != 0 && SetTimeout(kNextTurnMs)) {
        m_waitingForTurn = true;
        m_lookPending = false;
        return;
    }
    TakeTurn();
}

void CCommandSocket::TakeTurn()
{
    m_waitingForTurn = false;
    // Here rather than in a timer of its own: a flood of posted notices would hold back any timer.
    WriteDueSummaries(NowMs());
    ScheduleTurn(IsOpen() ? AcceptWaiting() : Turn());
}

void CCommandSocket::ScheduleTurn(const Turn& turn)
{
    // Without a listener there are no turns, and no flood to fold: the last few go out now.
    if (!IsOpen()) {
        WritePendingSummaries();
        return;
    }
    UINT delay = 0;
    if (turn.more)
        delay = kNextTurnMs;
    else if (turn.taken > 0 || turn.failed || AnyOpen())
        delay = kAcceptCheckMs;
    if (m_repeats.HasPending()) {
        const unsigned long long now = NowMs(), due = m_repeats.DueAtMs();
        const UINT untilDue = due > now ? static_cast<UINT>(due - now) : kNextTurnMs;
        if (delay == 0 || untilDue < delay)
            delay = untilDue;
    }
    if (delay == 0) {
        CancelTimeout();
        m_lookPending = false;
        return;
    }
    // A look already set comes soon enough: setting a timer costs as much as the look.
    if (delay == kAcceptCheckMs && m_lookPending)
        return;
    // Never left waiting for a timer that will not come: notices would be ignored for good.
    const bool timerSet = SetTimeout(delay);
    m_waitingForTurn = turn.more && timerSet;
    m_lookPending = timerSet && delay == kAcceptCheckMs;
}

CCommandSocket::CConnection* CCommandSocket::FreeSlot()
{
    for (CConnection& connection : m_connections) {
        if (!connection.IsOpen())
            return &connection;
    }
    return nullptr;
}

bool CCommandSocket::AnyOpen() const
{
    for (const CConnection& connection : m_connections) {
        if (connection.IsOpen())
            return true;
    }
    return false;
}

const CAllowedSenders& CCommandSocket::AllowedSenders()
{
    // Parsed again only when the registry says the value may have changed, so that a connection
    // costs no registry read, and a long list no more than a short one; the watch starts before
    // the read, so that a change made meanwhile is seen at the next turn.
    if (!m_allowedLoaded || m_allowedWatch.HasChanged()) {
        m_allowedWatch.Start();
        m_allowed.Load(CNetworkSettings().ReadAllowedSenders());
        m_allowedLoaded = true;
    }
    return m_allowed;
}

void CCommandSocket::CountRepeat(const sockaddr_in& peer, const char* kind)
{
    m_repeats.Add(ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port), kind);
}

void CCommandSocket::WritePendingSummaries()
{
    WriteDueSummaries(m_repeats.DueAtMs());
}

void CCommandSocket::WriteDueSummaries(unsigned long long nowMs)
{
    std::vector<ReceivedRecord> records;
    for (CRepeatSummary::Record& due : m_repeats.TakeDue(nowMs)) {
        in_addr address = {};
        address.s_addr = htonl(due.address);
        records.push_back({::inet_ntoa(address), due.port, std::move(due.what)});
    }
    AppendReceivedLog(records);
}

CCommandSocket::Turn CCommandSocket::AcceptWaiting()
{
    // Each free slot takes one waiting connection. With every slot taken nothing is accepted, and
    // the socket layer tells of no further connection until we accept again: a connection that
    // ends calls us back. A flood thus costs no more than the slots, and no turn more than its bound.
    Turn turn;
    const CAllowedSenders* allowed = nullptr;
    while (CConnection* slot = FreeSlot()) {
        if (turn.taken == kAcceptsPerTurn) {
            turn.more = true;
            break;
        }
        sockaddr_in peer;
        const SOCKET taken = TakeConnection(peer);
        if (taken == INVALID_SOCKET) {
            const int error = ::WSAGetLastError();
            if (error == WSAEWOULDBLOCK)
                RenewNotices();
            // A connection reset while it waited is gone, and the next may be taken. Any other
            // failure (no handles left, say) would fail again at once: the look in a while tries again.
            if (error != WSAECONNRESET) {
                turn.failed = error != WSAEWOULDBLOCK;
                break;
            }
        }
        ++turn.taken;
        if (taken == INVALID_SOCKET)
            continue;
        if (!allowed)
            allowed = &AllowedSenders();
        // Before any read or timer: a sender outside the list is closed at once and only counted.
        if (!allowed->Allows(ntohl(peer.sin_addr.s_addr))) {
            ::closesocket(taken);
            CountRepeat(peer, kReceivedRefused);
            continue;
        }
        if (!slot->Attach(taken, FD_READ | FD_CLOSE) || !slot->Begin(peer))
            slot->Close();
    }
    return turn;
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
    // What a port scan leaves: counted, as refusals are, not written one by one.
    Close();
    m_owner->CountRepeat(m_peer, kReceivedSilent);
    m_owner->OnConnectionEnded();
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
        m_owner->OnConnectionEnded();
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
    owner.OnConnectionEnded();
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
