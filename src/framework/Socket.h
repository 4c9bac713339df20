// TCP sockets and host-name look-ups whose events and time-outs arrive as calls on the GUI thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

// For the GUI thread only: every socket's notifications, time-outs and look-ups go to one hidden
// window, made by the thread that opens the first socket. Nothing here ever waits.
class CAsyncSocket {
public:
    static constexpr long kAllEvents = FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

    // Windows Sockets 1.1, once per process; false when the system cannot offer exactly that version.
    static bool InitSocketLayer();
    // Closes every socket still open and drops every look-up, then releases the socket layer.
    static void ReleaseSocketLayer();

    CAsyncSocket() = default;
    CAsyncSocket(const CAsyncSocket&) = delete;
    CAsyncSocket& operator=(const CAsyncSocket&) = delete;
    virtual ~CAsyncSocket();

    // A TCP stream socket bound to the port on every local IPv4 address, notifying the given events.
    bool Create(unsigned short port = 0, long events = kAllEvents);
    bool Listen(int backlog);
    // Attaches a waiting connection to the closed socket given, which notifies the given events.
    // False with WSAEWOULDBLOCK when none waits.
    bool Accept(CAsyncSocket& connected, long events);
    // A waiting connection and its far end (all zeros when the system no longer knows it), not
    // yet anybody's: Attach it, or closesocket it. INVALID_SOCKET with WSAEWOULDBLOCK when none
    // waits. It notifies what this socket does until attached, so a listener that only notifies
    // FD_ACCEPT gets nothing posted for a connection it closes at once.
    SOCKET TakeConnection(sockaddr_in& peer);
    // Asks for this socket's notices afresh: after an accept that found nothing waiting, Wine has
    // been seen to tell of no further connection until the next accept that takes one.
    bool RenewNotices();
    // Makes a connection from TakeConnection this closed socket's, notifying the given events;
    // false when it could not, and the connection is closed then.
    bool Attach(SOCKET connection, long events);
    // Starts connecting; OnConnect tells how it ended. False when it failed at once.
    bool Connect(const in_addr& address, unsigned short port);
    // Both give SOCKET_ERROR on failure, with the reason in WSAGetLastError; neither waits.
    int Send(const void* data, int length);
    int Receive(void* buffer, int length);
    void Close();

    // OnTimeout once after the time, unless the socket closes or gets another time-out first.
    bool SetTimeout(UINT milliseconds);
    void CancelTimeout();
    // OnDeferred once from the message loop, after the notification running now has returned.
    bool Defer();

    SOCKET GetHandle() const { return m_socket; }
    bool IsOpen() const { return m_socket != INVALID_SOCKET; }

protected:
    // Notifications, each with the error code the socket layer reported for the event.
    virtual void OnAccept(int error);
    virtual void OnReceive(int error);
    virtual void OnSend(int error);
    virtual void OnConnect(int error);
    virtual void OnClose(int error);
    virtual void OnTimeout();
    virtual void OnDeferred();

private:
    friend class CSocketNotifier;

    bool Register(long events);
    bool FailAndClose();

    SOCKET m_socket = INVALID_SOCKET;
    UINT m_message = 0;
    long m_events = 0;
    UINT_PTR m_timer = 0;
    DWORD m_timerDue = 0;
    bool m_deferred = false;
};

// A host name's first IPv4 address, looked up by the system while the GUI thread goes on.
class CHostLookup {
public:
    CHostLookup() = default;
    CHostLookup(const CHostLookup&) = delete;
    CHostLookup& operator=(const CHostLookup&) = delete;
    virtual ~CHostLookup();

    // False when the look-up could not start, with the reason in WSAGetLastError; otherwise
    // OnLookupDone comes once, unless Cancel comes first.
    bool Start(const char* hostName);
    // The system still finishes the look-up; its answer is dropped.
    void Cancel();
    bool IsRunning() const { return m_task != nullptr; }

protected:
    // The error is 0 when the address was found.
    virtual void OnLookupDone(int error, const in_addr& address) = 0;

private:
    friend class CSocketNotifier;

    HANDLE m_task = nullptr;
};
