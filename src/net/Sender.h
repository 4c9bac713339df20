// Sending one remote command without blocking: look the name up, connect, send the wire text, and
// close without reading.
#pragma once

#include <string>

#include "framework/Socket.h"

// Told once how a send ended. The call comes inside a socket's event: no modal loop there.
class IRemoteSendTarget {
public:
    // 0 when the computer accepted the connection (and was sent the text), else the socket layer's error.
    virtual void OnRemoteSendEnded(int error) = 0;

protected:
    ~IRemoteSendTarget() = default;
};

class CRemoteSend : private CAsyncSocket, private CHostLookup {
public:
    // The look-up and the connection together: a computer that never answers costs no more.
    static const UINT kConnectLimitMs = 15000;

    explicit CRemoteSend(IRemoteSendTarget& target) : m_target(target) {}

    // False when the send failed at once, with the error; otherwise the target is told later,
    // unless Cancel comes first. The socket layer is started here when nothing has started it
    // yet, so that sending works as soon as the user allows it.
    bool Start(const std::string& address, const std::string& portText, const std::string& wire, int& error);
    // Drops the send under way without a word to the target.
    void Cancel();

private:
    void OnLookupDone(int error, const in_addr& address) override;
    void OnConnect(int error) override;
    void OnTimeout() override;
    void End(int error);

    IRemoteSendTarget& m_target;
    std::string m_wire;
    unsigned short m_port = 0;
};

// The message for a computer that could not be reached, ending in the system's text for the error.
std::string ConnectFailureMessage(const std::string& address, const std::string& port, int error);

// An IPv4 address of this computer other than loopback, as dotted text; empty when there is none.
std::string LocalIpAddress();
