// TCP sockets whose events arrive as window messages on the GUI thread, and a blocking variant.
#pragma once

#include <winsock2.h>
#include <windows.h>

// For the GUI thread only: every socket's notifications go to one window, made by the thread that opens
// the first socket.
class CAsyncSocket {
public:
    static constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

    // Windows Sockets 1.1, once per process; false when the system cannot offer exactly that version.
    static bool InitSocketLayer();
    // Closes every socket still open, then releases the socket layer.
    static void ReleaseSocketLayer();

    CAsyncSocket() = default;
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;
    virtual ~CAsyncSocket();

    // A TCP stream socket bound to the port on every local IPv4 address, notifying the given events.
    bool Create(unsigned short port = 0, long events = kAllEvents);
    bool Listen(int backlog = 5);
    // The connection is attached to the closed socket given, with this socket's events.
    virtual bool Accept(CAsyncSocket& connected);
    // A dotted IPv4 address as it is, anything else as a host name (its first address).
    virtual bool Connect(const char* hostAddress, unsigned short port);
    // Both give SOCKET_ERROR on failure, with the reason in WSAGetLastError.
    virtual int Send(const void* data, int length);
    virtual int Receive(void* buffer, int length);
    void Close();

    SOCKET GetHandle() const { return m_socket; }
    bool IsOpen() const { return m_socket != INVALID_SOCKET; }

    // Notifications, each with the error code the socket layer reported for the event.
    virtual void OnAccept(int error);
    virtual void OnReceive(int error);
    virtual void OnSend(int error);
    virtual void OnConnect(int error);
    virtual void OnClose(int error);
    virtual void OnOutOfBandData(int error);

protected:
    long RegisteredEvents() const { return m_events; }
    // Events delivered since the last ForgetEvents, and the error code that came with FD_CONNECT.
    long DeliveredEvents() const { return m_deliveredEvents; }
    int ConnectError() const { return m_connectError; }
    void ForgetEvents() { m_deliveredEvents = 0; }

private:
    friend class CSocketNotifier;

    bool Register(long events);
    void Notify(long event, int error);
    bool FailAndClose();

    SOCKET m_socket = INVALID_SOCKET;
    UINT m_message = 0;
    long m_events = 0;
    long m_deliveredEvents = 0;
    int m_connectError = 0;
};

// Blocking calls for the GUI thread: while one waits, only this socket's notifications and painting
// are handled; input waits, and other sockets' notifications are held and delivered afterwards.
class CSocket : public CAsyncSocket {
public:
    bool Accept(CAsyncSocket& connected) override;
    // Waits as long as the system's own connection time-out.
    bool Connect(const char* hostAddress, unsigned short port) override;
    // Sends everything; gives the length, or SOCKET_ERROR.
    int Send(const void* data, int length) override;
    // Gives what arrived, 0 when the peer closed, or SOCKET_ERROR (WSAETIMEDOUT after the time-out).
    int Receive(void* buffer, int length) override;

    // INFINITE, the default, waits until data or the peer's close.
    void SetReceiveTimeout(DWORD milliseconds) { m_receiveTimeout = milliseconds; }

private:
    bool WaitForEvents(long events, DWORD timeout);

    DWORD m_receiveTimeout = INFINITE;
};

// A modal loop of ours can start inside a blocking call: a message another program sends is
// handled even by the blocking call's restricted loop. For as long as it lives, other sockets are
// served again as usual, and their held notifications are delivered; the blocking call goes on
// afterwards.
class CSocketWaitPause {
public:
    CSocketWaitPause();
    CSocketWaitPause(const CSocketWaitPause&) = delete;
    CSocketWaitPause& operator=(const CSocketWaitPause&) = delete;
    ~CSocketWaitPause();

private:
    const CAsyncSocket* m_blocking;
};
