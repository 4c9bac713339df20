// The listening socket for other computers' commands: one short text per connection, each
// connection served on its own, and whatever strangers send costing the rest of the program little.
#pragma once

#include <cstddef>
#include <string>

#include "framework/Socket.h"
#include "net/AllowedSenders.h"
#include "net/RepeatSummary.h"
#include "settings/NetworkSettings.h"

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
    // Connections taken in one turn; then the message loop runs, the user's input, the hot key and
    // timers first, before the next turn.
    static const std::size_t kAcceptsPerTurn = 16;

    explicit CCommandSocket(IReceivedCommandTarget& target);

    // Closes whatever listened before, then listens on the port on every local IPv4 address.
    // Connections already accepted are served on.
    bool Open(unsigned port);
    // Closes the listener after writing what it still counted; connections accepted are served on.
    void Shut();

protected:
    void OnAccept(int error) override;
    void OnTimeout() override;

private:
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

    struct Turn {
        std::size_t taken = 0;
        // Stopped at the bound with connections perhaps still waiting.
        bool more = false;
        // Stopped by a failure that would come again at once.
        bool failed = false;
    };

    void RequestTurn();
    void TakeTurn();
    Turn AcceptWaiting();
    void ScheduleTurn(const Turn& turn);
    void OnConnectionEnded();
    CConnection* FreeSlot();
    bool AnyOpen() const;
    const CAllowedSenders& AllowedSenders();
    void CountRepeat(const sockaddr_in& peer, const char* kind);
    void WriteDueSummaries(unsigned long long nowMs);
    void WritePendingSummaries();

    IReceivedCommandTarget& m_target;
    CConnection m_connections[kMaxConnections];
    // Notices that come while a turn waits for its timer are left to that turn.
    bool m_waitingForTurn = false;
    // The look for connections whose notice was lost is set.
    bool m_lookPending = false;
    CAllowedSenders m_allowed;
    CAllowedSendersWatch m_allowedWatch;
    bool m_allowedLoaded = false;
    CRepeatSummary m_repeats;
};

// Opens or reopens the listener as the stored settings say, starting the socket layer when sending
// or receiving is switched on; false only when the socket layer could not be started (the user
// has been told). A listener is never closed when receiving is switched off: it runs on until exit.
bool StartCommandListener(CCommandSocket& listener);
