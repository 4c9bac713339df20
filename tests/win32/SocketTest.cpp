// The socket classes on loopback against the real socket layer: events, time-outs, look-ups, and
// notifications that are stale or forged. Connecting and deferred work are used by every network test.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/Socket.h"

namespace {

const DWORD kDeadline = 5000;

// Dispatches what arrives until the condition holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& condition, DWORD deadline = kDeadline)
{
    const DWORD start = ::GetTickCount();
    for (MSG msg;; ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT)) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
        if (condition() || ::GetTickCount() - start >= deadline)
            return condition();
    }
}

unsigned short PortOf(SOCKET socket)
{
    sockaddr_in address = {};
    int length = sizeof(address);
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

// The other end of a connection: a plain blocking socket.
struct CPeer {
    SOCKET socket = INVALID_SOCKET;
    ~CPeer() { Close(); }
    bool Connect(unsigned short port)
    {
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {AF_INET, htons(port), {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    void Close() { ::closesocket(socket); socket = INVALID_SOCKET; }
};

// Notes each call as a letter (A accept, R receive, X close, T time-out); reads what arrives, so
// that the next event can come.
class CRecordingSocket : public CAsyncSocket {
public:
    std::string events;

protected:
    void OnAccept(int) override { events += 'A'; }
    void OnReceive(int) override
    {
        char buffer[64];
        Receive(buffer, sizeof(buffer));
        events += 'R';
    }
    void OnClose(int) override { events += 'X'; }
    void OnTimeout() override { events += 'T'; }
};

class SocketTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CAsyncSocket::InitSocketLayer() && m_listener.Create(0, FD_ACCEPT) && m_listener.Listen(5));
        m_port = PortOf(m_listener.GetHandle());
    }

    // A connection from a new peer, accepted into the socket given.
    bool Accept(CPeer& peer, CAsyncSocket& accepted, long events = FD_READ | FD_CLOSE)
    {
        return peer.Connect(m_port) && PumpUntil([&] { return m_listener.events.size() > m_accepts; })
            && m_listener.Accept(accepted, events) && ++m_accepts;
    }

    CRecordingSocket m_listener;
    unsigned short m_port = 0;
    std::size_t m_accepts = 0;
};

TEST_F(SocketTest, EventsReachTheirSocketButNeverANewSocketGivenTheSameHandle)
{
    CPeer peer, otherPeer;
    CRecordingSocket first, other;
    ASSERT_TRUE(Accept(peer, first) && Accept(otherPeer, other));

    // first's events are queued when it closes; its handle value then goes to a newcomer.
    const SOCKET handle = first.GetHandle();
    ::send(peer.socket, "x", 1, 0);
    peer.Close();
    const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, "Dusklamp.SocketWindow", nullptr);
    MSG queued = {};
    const DWORD start = ::GetTickCount();
    while (!(::PeekMessageA(&queued, window, WM_USER, 0x7FFF, PM_NOREMOVE) && queued.wParam == handle)
           && ::GetTickCount() - start < kDeadline)
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
    ASSERT_EQ(queued.wParam, handle) << "no event was queued for the closing socket";
    first.Close();
    CRecordingSocket fresh[8];
    size_t reused = 0;
    while (reused < 7 && fresh[reused].Create(0, FD_READ | FD_CLOSE) && fresh[reused].GetHandle() != handle)
        ++reused;
    ASSERT_EQ(fresh[reused].GetHandle(), handle) << "the socket layer did not reuse the handle value";
    ::send(otherPeer.socket, "x", 1, 0);
    otherPeer.Close();
    EXPECT_TRUE(PumpUntil([&] { return other.events == "RX"; })) << other.events;
    EXPECT_EQ(fresh[reused].events + first.events, "");
}

TEST_F(SocketTest, TimeOutsComeOnceAtTheirTimeUnlessReplacedCancelledOrClosed)
{
    CRecordingSocket sockets[4];
    for (CRecordingSocket& socket : sockets)
        ASSERT_TRUE(socket.Create(0, FD_READ) && socket.SetTimeout(300));
    ASSERT_TRUE(sockets[1].SetTimeout(800));
    sockets[2].CancelTimeout();
    sockets[3].Close();
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(PumpUntil([&] { return !sockets[0].events.empty(); }));
    EXPECT_GE(::GetTickCount() - start, 280u);
    EXPECT_TRUE(PumpUntil([&] { return !sockets[1].events.empty(); }));
    EXPECT_GE(::GetTickCount() - start, 780u);
    PumpUntil([] { return false; }, 400);
    EXPECT_EQ(sockets[0].events + sockets[1].events + sockets[2].events + sockets[3].events, "TT");
}

class CRecordingLookup : public CHostLookup {
public:
    int answers = 0;
    int error = -1;
    in_addr address = {};

protected:
    void OnLookupDone(int lookupError, const in_addr& found) override
    {
        ++answers;
        error = lookupError;
        address = found;
    }
};

TEST_F(SocketTest, LookUpsAnswerOnceFromTheLoopAndACancelledOneNever)
{
    CRecordingLookup found, cancelled;
    EXPECT_TRUE(CRecordingLookup().Start("localhost")) << "its answer comes after it has gone";
    ASSERT_TRUE(found.Start("localhost") && cancelled.Start("localhost"));
    cancelled.Cancel();
    EXPECT_TRUE(PumpUntil([&] { return found.answers > 0; }, 20000));
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(found.answers, 1);
    EXPECT_EQ(found.error, 0);
    EXPECT_EQ(found.address.s_addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(cancelled.answers, 0);
}

TEST_F(SocketTest, ForgedNotificationsReachNoSocketAndLeaveTheWindowWorking)
{
    const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, "Dusklamp.SocketWindow", nullptr);
    ASSERT_NE(window, nullptr);
    // Under every private number, its own too, the listener's handle with an event it did not ask
    // for, or a deferral it did not ask for; then a request to close.
    const long kUnasked[] = {FD_READ, FD_WRITE, FD_CLOSE, 0x8000};
    for (UINT message = WM_USER; message <= 0x7FFF; ++message) {
        ::PostMessageA(window, message, m_listener.GetHandle(), WSAMAKESELECTREPLY(kUnasked[message % 4], 0));
        if (message % 1000 == 0)
            PumpUntil([] { return true; });
    }
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    PumpUntil([] { return true; });
    EXPECT_EQ(m_listener.events, "");

    CPeer peer;
    ASSERT_TRUE(peer.Connect(m_port));
    EXPECT_TRUE(PumpUntil([&] { return m_listener.events == "A"; }));
}

}  // namespace
