// Real TCP peers on loopback for the network tests: senders that connect to the program's
// listener, and listeners that record what the program sends.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <list>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace peer {

// Starts the socket layer for this test program, once.
bool StartSockets();
// A loopback port nobody listens on right now.
unsigned short FreePort();

// One outgoing connection to 127.0.0.1.
class Connection {
public:
    Connection() = default;
    ~Connection() { Close(); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // False when the connection was refused (nobody listens) or not made within the time.
    bool Connect(unsigned short port, DWORD timeoutMs = 5000);
    bool Send(std::string_view bytes);
    // Half-closes: the other side reads the end of the stream.
    void FinishSending();
    // True when the other side closed without ever sending a byte, within the time.
    bool ClosedByPeerWithoutData(DWORD timeoutMs = 10000);
    void Close();

private:
    SOCKET m_socket = INVALID_SOCKET;
};

// What a sending Dusklamp does: connect, send the bytes, close without reading. The program
// has handled the text once the connection has been closed from its side; false when it was
// refused or not closed in time.
bool SendCommand(unsigned short port, std::string_view bytes, DWORD timeoutMs = 10000);
// Whether something accepts connections on the port (a bare connect, closed at once).
bool Accepts(unsigned short port);

// What a receiving Dusklamp sees: a loopback listener on a thread of its own that records, one
// connection after the other, what the other side sent up to the end of its stream.
class Listener {
public:
    Listener();
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    unsigned short Port() const { return m_port; }
    // The bytes of each connection, in order; one whose stream did not end in time is marked so.
    std::vector<std::string> Received() const;
    // When the last stream ended (NowMs).
    double LastEndMs() const;
    bool WaitForConnections(std::size_t count, DWORD timeoutMs = 10000) const;

    // Leaves new connections unanswered: the accept queue is filled with idle connections of our
    // own, so the system drops a client's connection request (the client asks again after about
    // a second). Release lets them in again; the idle ones are not recorded.
    bool Hold();
    void Release();

private:
    void Serve();

    SOCKET m_socket = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_holding{false};
    std::atomic<int> m_idleToSkip{0};
    std::list<Connection> m_idle;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_received;
    double m_lastEndMs = 0;
    std::thread m_thread;
};

}  // namespace peer
