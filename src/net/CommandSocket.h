// The listening socket for other computers' commands: one short text per connection, each
// connection served on its own.
#pragma once

#include <cstddef>
#include <string>

#include "framework/Socket.h"
#include "net/AllowedSenders.h"
#include "net/RepeatSummary.h"
#include "settings/NetworkValues.h"

// What each received command text is handed to.
class IReceivedCommandTarget {
public:
    // Called from the message loop, never inside a socket's event, so the command may run a modal
    // loop (a dialog or box it opens); other connections are served meanwhile.
    virtual void ExecuteReceived(const std::string& text) = 0;
    // What the log of received commands calls the command the text stands for.
    virtual std::string NameReceived(const std::string& text) const = 0;

protected:
    ~IReceivedCommandTarget() = default;
};

class CCommandSocket : public CAsyncSocket {
public:
    // How long a connected peer may take to send its command or close.
    static const UINT kReadLimitMs = 3000;
    // Connections open at once; past that the system's backlog holds (and then refuses) the rest.
    static const std::size_t kMaxConnections = 64;
    // Connections taken per turn. The next turn waits for a timer, which the system delivers only
    // when no input is waiting: socket notices are posted messages, which always come first, so
    // a listener that took every connection as it came could keep the user's keys, the hot key
    // and every timer waiting for as long as peers kept connecting.
    static const int kAcceptsPerTurn = 16;

    explicit CCommandSocket(IReceivedCommandTarget& target);

    // Closes whatever listened before, then listens on the port on every local IPv4 address.
    // Connections already accepted are served on.
    bool Open(unsigned port);

protected:
    void OnAccept(int error) override;
    void OnTimeout() override;

private:
    // What one turn of accepting found.
    struct Turn {
        int accepted = 0;
        bool more = false;  // the turn ended with connections possibly still waiting
    };
    // One accepted connection: read once, then its text runs from the message loop.
    class CConnection : public CAsyncSocket {
    public:
        CCommandSocket* m_owner = nullptr;

        bool Begin(const sockaddr_in& peer);

    protected:
        void OnReceive(int error) override;
        void OnClose(int error) override;
        void OnTimeout() override;
        void OnDeferred() override;

    private:
        void ReadOnce();

        sockaddr_in m_peer = {};
        bool m_read = false;
        std::string m_text;
    };

    // Takes waiting connections into free slots, at most one turn's worth.
    Turn AcceptWaiting();
    // A turn now, unless one is already waiting for its timer, then the timer the state calls for.
    void TakeTurn();
    void ScheduleNext(const Turn& turn);
    // A slot came free.
    void OnConnectionEnded();
    void RefreshAllowedSenders();
    bool IsAllowed(const sockaddr_in& peer) const;
    // What strangers repeat goes to the summary, written out at most once a period.
    void CountRepeat(const sockaddr_in& peer, const char* kind);
    void WriteDueSummaries();
    bool AnyOpen() const;

    IReceivedCommandTarget& m_target;
    CConnection m_connections[kMaxConnections];
    bool m_turnScheduled = false;
    // The allowed senders as last parsed, and the stored value they were parsed from: a flood costs
    // one registry read per turn, and a parse only when the value changed.
    StoredAllowedSenders m_allowedStored;
    bool m_allowedRead = false;
    CAllowedSenders m_allowed;
    CRepeatSummary m_repeats;
};

// Opens or reopens the listener as the stored settings say, starting the socket layer when sending
// or receiving is switched on; false only when the socket layer could not be started (the user
// has been told). A listener is never closed when receiving is switched off: it runs on until exit.
bool StartCommandListener(CCommandSocket& listener);
