// Real TCP peers on loopback for the network tests: senders that connect to the program's
// listener, and listeners that record what the program sends.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <string_view>

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

}  // namespace peer
