// Real TCP peers on loopback for the network tests: senders that connect to the program's
// listener, and listeners that record what the program sends.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace peer {

// A loopback port nobody listens on right now, other than the one given.
unsigned short FreePort(unsigned short besides = 0);

// One outgoing connection to 127.0.0.1.
class Connection {
public:
    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { Close(); }

    // False when refused (nobody listens) or not made within the time. From another loopback
    // address (127.0.0.2, say) when one is given, in host order.
    bool Connect(unsigned short port, DWORD timeoutMs = 5000, u_long from = INADDR_ANY);
    // The port the system gave our end.
    unsigned short LocalPort() const;
    bool Send(std::string_view bytes);
    // Half-closes: the other side reads the end of the stream.
    void FinishSending() { ::shutdown(m_socket, SD_SEND); }
    // True when the other side closed without ever sending a byte, within the time.
    bool ClosedByPeerWithoutData(DWORD timeoutMs = 10000);
    void Close();

private:
    friend class Listener;  // for the connections it accepts
    friend std::vector<bool> WaitUntilReadable(const std::vector<const Connection*>&, DWORD);
    SOCKET m_socket = INVALID_SOCKET;
};

// Waits until any of the connections can be read (its peer closed it, say), up to 200 of them; which
// could be then, in the same order. None when the time ran out.
std::vector<bool> WaitUntilReadable(const std::vector<const Connection*>& connections, DWORD timeoutMs);

// What a sending Dusklamp does: connect, send, close without reading. True once the program has
// closed its end, which it does when it has handled the text.
bool SendCommand(unsigned short port, std::string_view bytes, DWORD timeoutMs = 10000, u_long from = INADDR_ANY);
inline bool Accepts(unsigned short port) { return Connection().Connect(port, 2000); }

// What a receiving Dusklamp sees: a loopback listener that takes connections only when asked, so
// that the system holds them meanwhile.
class Listener {
public:
    Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    ~Listener() { ::closesocket(m_socket); }

    unsigned short Port() const { return m_port; }
    // What the next connection sent, up to the end of its stream (marked when it did not end in time).
    std::string Next(DWORD timeoutMs = 10000);
    // Leaves connection requests unanswered: idle connections of our own fill the accept queue,
    // so the system drops a client's request, which asks again about a second later.
    bool Hold();
    void Release();

private:
    SOCKET m_socket = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::list<Connection> m_idle;
};

}  // namespace peer
