// The listening socket for other computers' commands: one short text per connection.
#pragma once

#include <string>

#include "framework/Socket.h"

// What each received command text is handed to.
class IReceivedCommandTarget {
public:
    virtual void ExecuteReceived(const std::string& text) = 0;
    // What the log of received commands calls the command the text stands for.
    virtual std::string NameReceived(const std::string& text) const = 0;

protected:
    ~IReceivedCommandTarget() = default;
};

class CCommandSocket : public CSocket {
public:
    // How long a connected peer may take to send its command or close.
    static const DWORD kReadLimitMs = 3000;

    explicit CCommandSocket(IReceivedCommandTarget& target) : m_target(target) {}

    // Closes whatever listened before, then listens on the port on every local IPv4 address.
    bool Open(unsigned port);

protected:
    void OnAccept(int error) override;

private:
    IReceivedCommandTarget& m_target;
};

// Opens or reopens the listener as the stored settings say, starting the socket layer when sending
// or receiving is switched on; false only when the socket layer could not be started (the user
// has been told). A listener is never closed when receiving is switched off: it runs on until exit.
bool StartCommandListener(CCommandSocket& listener);
