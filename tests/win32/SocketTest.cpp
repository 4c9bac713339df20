// The socket classes on loopback against the real socket layer: blocking waits, held and stale notifications.
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <utility>

#include "framework/Socket.h"

namespace {

const DWORD kDeadline = 5000;
const DWORD kBound = 600;

// Dispatches what arrives until the condition holds or the deadline passes.
bool PumpUntil(const std::function<bool()>& condition)
{
    const DWORD start = ::GetTickCount();
    for (MSG msg;; ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT)) {
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&msg);
        if (condition() || ::GetTickCount() - start >= kDeadline)
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
    bool Connect(SOCKET listener)
    {
        socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {AF_INET, htons(PortOf(listener)), {}, {}};
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    void Close() { ::closesocket(socket); socket = INVALID_SOCKET; }
};

// Opens the socket layer and the listener on a free port, then connects each peer and accepts it.
bool Listen(CAsyncSocket& listener, std::initializer_list<std::pair<CPeer*, CAsyncSocket*>> pairs = {},
            long events = CAsyncSocket::kAllEvents)
{
    bool ok = CAsyncSocket::InitSocketLayer() && listener.Create(0, events) && listener.Listen();
    for (const auto& [peer, accepted] : pairs)
        ok = ok && peer->Connect(listener.GetHandle()) && listener.Accept(*accepted);
    return ok;
}

// Notes each notification as a letter, and reads what arrives so that the next one can come.
class CRecordingSocket : public CSocket {
public:
    std::string events;
    void OnAccept(int) override { events += 'A'; }
    void OnReceive(int) override { char buffer[64]; events += 'R'; CAsyncSocket::Receive(buffer, sizeof(buffer)); }
    void OnSend(int) override { events += 'W'; }
    void OnClose(int) override { events += 'C'; }
};

struct ReceiveCase { const char* name; void (*peerAction)(CPeer&); bool quitQueued; int result, error; };
class ReceiveSocketTest : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveSocketTest, EndsOnDataCloseBoundOrQuitWhileInputWaits)
{
    const ReceiveCase& row = GetParam();
    CSocket listener, connection;
    CPeer peer;
    ASSERT_TRUE(Listen(listener, {{&peer, &connection}}));
    // Stands for user input, which must wait until the receive is over.
    ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
    if (row.quitQueued)
        ::PostQuitMessage(7);
    std::thread act(row.peerAction, std::ref(peer));
    char buffer[100] = {};
    connection.SetReceiveTimeout(kBound);
    const DWORD start = ::GetTickCount();
    const int result = connection.Receive(buffer, sizeof(buffer));
    const int error = result == SOCKET_ERROR ? ::WSAGetLastError() : 0;
    const DWORD elapsed = ::GetTickCount() - start;
    act.join();

    EXPECT_EQ(result, row.result);
    EXPECT_EQ(error, row.error);
    EXPECT_STREQ(buffer, row.result > 0 ? "hello" : "");
    EXPECT_TRUE(row.error != WSAETIMEDOUT || (elapsed >= kBound && elapsed < kBound + 400)) << elapsed;
    MSG msg;
    EXPECT_TRUE(::PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));
    EXPECT_EQ(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : 0,
              row.quitQueued ? 7 : 0) << "the quit request must stay queued";
}

const ReceiveCase kReceiveCases[] = {
    {"DataArrives", [](CPeer& peer) { ::send(peer.socket, "hello", 5, 0); }, false, 5, 0},
    {"PeerClosesWithoutSending", [](CPeer& peer) { peer.Close(); }, false, 0, 0},
    {"SilentPeerTimesOut", [](CPeer&) {}, false, SOCKET_ERROR, WSAETIMEDOUT},
    {"QuitEndsWaitAndStaysQueued", [](CPeer&) {}, true, SOCKET_ERROR, WSAEINTR},
};
INSTANTIATE_TEST_SUITE_P(Peer, ReceiveSocketTest, ::testing::ValuesIn(kReceiveCases),
                         [](const ::testing::TestParamInfo<ReceiveCase>& info) { return info.param.name; });

TEST(SocketTest, HeldNotificationsComeAfterInOrderButNeverToANewSocketWithTheSameHandle)
{
    CSocket listener, waiting;
    CRecordingSocket other, first, fresh[8];
    CPeer silentPeer, otherPeer, peer;
    ASSERT_TRUE(Listen(listener, {{&silentPeer, &waiting}, {&otherPeer, &other}, {&peer, &first}}));
    const SOCKET handle = first.GetHandle();
    // While one socket waits, the others' notifications are held, first's close among them; by the
    // time they are delivered, first is gone and its handle value has a new owner.
    ::send(otherPeer.socket, "x", 1, 0);
    otherPeer.Close();
    peer.Close();
    char byte;
    waiting.SetReceiveTimeout(kBound);
    ASSERT_EQ(waiting.Receive(&byte, 1), SOCKET_ERROR);
    EXPECT_EQ(other.events + first.events, "");
    first.Close();
    size_t reused = 0;
    while (reused < 7 && fresh[reused].Create(0) && fresh[reused].GetHandle() != handle)
        ++reused;
    ASSERT_EQ(fresh[reused].GetHandle(), handle) << "the socket layer did not reuse the handle value";
    EXPECT_TRUE(PumpUntil([&] { return other.events == "WRC"; })) << other.events;
    EXPECT_EQ(fresh[reused].events, "");
}

struct ConnectCase { const char* host; bool listening; int error; };
class ConnectSocketTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectSocketTest, ConnectsAndSendsOrReportsWhy)
{
    const ConnectCase& row = GetParam();
    // Bound but not listening: the port stays ours, and connecting to it is refused.
    CSocket listener, refusing, sender, accepted;
    ASSERT_TRUE(Listen(listener) && refusing.Create() && sender.Create());

    const bool connected = sender.Connect(row.host, PortOf((row.listening ? listener : refusing).GetHandle()));
    ASSERT_EQ(connected ? 0 : ::WSAGetLastError(), row.error);
    EXPECT_TRUE(!connected || (sender.Send("hello", 5) == 5 && listener.Accept(accepted)));
}

INSTANTIATE_TEST_SUITE_P(Target, ConnectSocketTest, ::testing::Values(
    ConnectCase{"127.0.0.1", true, 0}, ConnectCase{"localhost", true, 0},
    ConnectCase{"127.0.0.1", false, WSAECONNREFUSED}, ConnectCase{"no-such-host.invalid", true, WSAEINVAL}));

TEST(SocketTest, ForgedNotificationsReachNoSocketAndLeaveWindowWorking)
{
    CRecordingSocket listener;
    ASSERT_TRUE(Listen(listener, {}, FD_ACCEPT));
    const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, "Dusklamp.SocketWindow", nullptr);
    // Under every private number, its own too, the listener's handle with an event it did not ask
    // for; then a request to close the window.
    const long kUnasked[] = {FD_READ, FD_WRITE, FD_CLOSE};
    for (UINT message = WM_USER; message <= 0x7FFF; ++message) {
        ::PostMessageA(window, message, listener.GetHandle(), WSAMAKESELECTREPLY(kUnasked[message % 3], 0));
        if (message % 1000 == 0)
            PumpUntil([] { return true; });
    }
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    PumpUntil([] { return true; });
    EXPECT_EQ(listener.events, "");

    CPeer peer;
    ASSERT_TRUE(peer.Connect(listener.GetHandle()));
    EXPECT_TRUE(PumpUntil([&] { return listener.events == "A"; }));
}

}  // namespace
