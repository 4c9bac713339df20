// The socket classes on loopback against the real socket layer: blocking waits, held and stale notifications.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Socket.h"

namespace {

const DWORD kDeadline = 5000;
const DWORD kBound = 600;
const char kWindowClass[] = "Dusklamp.SocketWindow";
int g_quitCode = -1;

// Checks the condition whenever messages arrive; dispatches them first unless told not to.
bool PumpUntil(const std::function<bool()>& condition, bool dispatch = true)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (dispatch && ::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            g_quitCode = msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : g_quitCode;
            ::DispatchMessageA(&msg);
        }
        const bool met = condition();
        const DWORD elapsed = ::GetTickCount() - start;
        if (met || elapsed >= kDeadline)
            return met;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, kDeadline - elapsed, QS_ALLINPUT);
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
    SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ~CPeer() { Close(); }
    bool Connect(unsigned short port)
    {
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    }
    void Close()
    {
        if (socket != INVALID_SOCKET)
            ::closesocket(socket);
        socket = INVALID_SOCKET;
    }
};

struct CEvent {
    HANDLE handle = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~CEvent() { ::CloseHandle(handle); }
};

// Notes each notification as a letter, and reads what arrives so that the next one can come.
class CRecordingSocket : public CSocket {
public:
    std::string events;
    void OnAccept(int) override { events += 'A'; }
    void OnReceive(int) override
    {
        char buffer[64];
        events += 'R';
        CAsyncSocket::Receive(buffer, sizeof(buffer));
    }
    void OnSend(int) override { events += 'W'; }
    void OnConnect(int) override { events += 'N'; }
    void OnClose(int) override { events += 'C'; }
    void OnOutOfBandData(int) override { events += 'O'; }
};

ULONGLONG ThreadCpuMilliseconds()
{
    FILETIME unused, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &unused, &unused, &kernel, &user);
    ULARGE_INTEGER k{{kernel.dwLowDateTime, kernel.dwHighDateTime}}, u{{user.dwLowDateTime, user.dwHighDateTime}};
    return (k.QuadPart + u.QuadPart) / 10000;
}

enum class Peer { Sends, Closes, StaysSilent };

struct ReceiveCase {
    const char* name;
    Peer peer;
    bool quitPending;
    int result;
    int error;
};

// Receives once inside its accept notification, as the command listener does.
class CReceivingListener : public CSocket {
public:
    explicit CReceivingListener(const ReceiveCase& row) : m_row(row) {}
    void OnAccept(int) override
    {
        CSocket connection;
        connection.SetReceiveTimeout(kBound);
        if (!Accept(connection))
            return;
        if (m_row.quitPending)
            ::PostQuitMessage(7);
        // Stands for user input, which must wait until the receive is over.
        ::PostThreadMessageA(::GetCurrentThreadId(), WM_APP, 0, 0);
        ::SetEvent(receiving.handle);
        const DWORD start = ::GetTickCount();
        const ULONGLONG cpuStart = ThreadCpuMilliseconds();
        result = connection.Receive(buffer, sizeof(buffer));
        error = ::WSAGetLastError();
        elapsed = ::GetTickCount() - start;
        cpu = ThreadCpuMilliseconds() - cpuStart;
        MSG msg;
        inputWaited = ::PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE) != FALSE;
        done = true;
    }

    CEvent receiving;
    char buffer[100] = {};
    int result = 0, error = 0;
    DWORD elapsed = 0;
    ULONGLONG cpu = 0;
    bool inputWaited = false, done = false;

private:
    const ReceiveCase& m_row;
};

class ReceiveSocketTest : public ::testing::TestWithParam<ReceiveCase> {};

TEST_P(ReceiveSocketTest, AcceptNotificationReceivesWithinBoundWhileInputWaits)
{
    ASSERT_TRUE(CAsyncSocket::InitSocketLayer());
    const ReceiveCase& row = GetParam();
    CReceivingListener listener(row);
    ASSERT_TRUE(listener.Create(0) && listener.Listen());
    CEvent finished;
    std::thread peerThread([&] {
        CPeer peer;
        if (!peer.Connect(PortOf(listener.GetHandle())))
            return;
        ::WaitForSingleObject(listener.receiving.handle, kDeadline);
        if (row.peer == Peer::Sends)
            ::send(peer.socket, "hello", 5, 0);
        if (row.peer == Peer::Closes)
            peer.Close();
        ::WaitForSingleObject(finished.handle, kDeadline);
    });
    g_quitCode = -1;
    const bool done = PumpUntil([&] { return listener.done; });
    ::SetEvent(finished.handle);
    peerThread.join();

    ASSERT_TRUE(done);
    EXPECT_EQ(listener.result, row.result);
    EXPECT_EQ(row.result == SOCKET_ERROR ? listener.error : 0, row.error);
    EXPECT_STREQ(listener.buffer, row.result > 0 ? "hello" : "");
    EXPECT_TRUE(listener.inputWaited);
    EXPECT_LT(listener.cpu, kBound / 10) << "waiting must not spin";
    if (row.error == WSAETIMEDOUT) {
        EXPECT_GE(listener.elapsed, kBound);
        EXPECT_LT(listener.elapsed, kBound + 1000);
    }
    if (row.quitPending) {
        EXPECT_LT(listener.elapsed, kBound);
        EXPECT_TRUE(PumpUntil([] { return g_quitCode == 7; })) << "the quit request must stay queued";
    }
}

const ReceiveCase kReceiveCases[] = {
    {"DataArrives", Peer::Sends, false, 5, 0},
    {"PeerClosesWithoutSending", Peer::Closes, false, 0, 0},
    {"SilentPeerTimesOut", Peer::StaysSilent, false, SOCKET_ERROR, WSAETIMEDOUT},
    {"QuitEndsWaitAndStaysQueued", Peer::StaysSilent, true, SOCKET_ERROR, WSAEINTR},
};

INSTANTIATE_TEST_SUITE_P(Peer, ReceiveSocketTest, ::testing::ValuesIn(kReceiveCases),
                         [](const ::testing::TestParamInfo<ReceiveCase>& info) { return info.param.name; });

TEST(SocketTest, OtherSocketsNotificationsAreHeldDuringReceiveAndDeliveredAfterInOrder)
{
    ASSERT_TRUE(CAsyncSocket::InitSocketLayer());
    CSocket listener, waiting;
    CRecordingSocket otherListener, other;
    ASSERT_TRUE(listener.Create(0, FD_ACCEPT | FD_READ | FD_WRITE | FD_CLOSE) && listener.Listen());
    ASSERT_TRUE(otherListener.Create(0, FD_ACCEPT) && otherListener.Listen());
    CPeer silentPeer, talkingPeer, lateComer;
    ASSERT_TRUE(silentPeer.Connect(PortOf(listener.GetHandle())) && listener.Accept(waiting));
    ASSERT_TRUE(talkingPeer.Connect(PortOf(listener.GetHandle())) && listener.Accept(other));

    ::send(talkingPeer.socket, "x", 1, 0);
    talkingPeer.Close();
    ASSERT_TRUE(lateComer.Connect(PortOf(otherListener.GetHandle())));
    waiting.SetReceiveTimeout(kBound);
    char byte;
    EXPECT_EQ(waiting.Receive(&byte, 1), SOCKET_ERROR);
    EXPECT_EQ(other.events + otherListener.events, "");

    EXPECT_TRUE(PumpUntil([&] { return other.events.find('C') != std::string::npos && !otherListener.events.empty(); }));
    EXPECT_EQ(other.events, "WRC");
    EXPECT_EQ(otherListener.events, "A");
}

TEST(SocketTest, StaleCloseNotificationDoesNotReachNewSocketWithSameHandle)
{
    ASSERT_TRUE(CAsyncSocket::InitSocketLayer());
    CSocket listener;
    CRecordingSocket first;
    CPeer peer;
    ASSERT_TRUE(listener.Create(0) && listener.Listen());
    ASSERT_TRUE(peer.Connect(PortOf(listener.GetHandle())) && listener.Accept(first));
    const SOCKET handle = first.GetHandle();
    peer.Close();

    // The close notification stays undelivered until the handle value has a new owner.
    const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, nullptr);
    std::vector<MSG> queued;
    ASSERT_TRUE(PumpUntil([&] {
        MSG msg;
        while (::PeekMessageA(&msg, window, WM_USER, 0x7FFF, PM_REMOVE))
            queued.push_back(msg);
        return std::any_of(queued.begin(), queued.end(), [&](const MSG& seen) {
            return seen.wParam == handle && WSAGETSELECTEVENT(seen.lParam) == FD_CLOSE;
        });
    }, false));
    first.Close();
    std::vector<std::unique_ptr<CRecordingSocket>> fresh;
    while (fresh.size() < 8 && (fresh.empty() || fresh.back()->GetHandle() != handle)) {
        fresh.push_back(std::make_unique<CRecordingSocket>());
        ASSERT_TRUE(fresh.back()->Create(0));
    }
    ASSERT_EQ(fresh.back()->GetHandle(), handle) << "the socket layer did not reuse the handle value";

    for (const MSG& msg : queued)
        ::DispatchMessageA(&msg);
    PumpUntil([] { return true; });
    EXPECT_EQ(fresh.back()->events, "");
}

struct ConnectCase {
    const char* name;
    const char* host;
    bool listening;
    int error;
};

class ConnectSocketTest : public ::testing::TestWithParam<ConnectCase> {};

TEST_P(ConnectSocketTest, ConnectsAndSendsOrReportsWhy)
{
    ASSERT_TRUE(CAsyncSocket::InitSocketLayer());
    const ConnectCase& row = GetParam();
    CRecordingSocket listener;
    ASSERT_TRUE(listener.Create(0) && listener.Listen());
    // Bound but not listening: the port stays ours, and connecting to it is refused.
    CPeer refusing;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    ASSERT_EQ(::bind(refusing.socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    CSocket sender, accepted;
    ASSERT_TRUE(sender.Create());
    const bool connected = sender.Connect(row.host, PortOf(row.listening ? listener.GetHandle() : refusing.socket));
    EXPECT_EQ(connected ? 0 : ::WSAGetLastError(), row.error);
    if (!connected)
        return;
    EXPECT_EQ(sender.Send("hello", 5), 5);
    char buffer[8] = {};
    accepted.SetReceiveTimeout(kDeadline);
    ASSERT_TRUE(PumpUntil([&] { return listener.events == "A"; }) && listener.Accept(accepted));
    EXPECT_EQ(accepted.Receive(buffer, sizeof(buffer)), 5);
    EXPECT_STREQ(buffer, "hello");
}

const ConnectCase kConnectCases[] = {
    {"DottedAddress", "127.0.0.1", true, 0},
    {"HostName", "localhost", true, 0},
    {"ClosedPortIsRefused", "127.0.0.1", false, WSAECONNREFUSED},
    {"UnresolvableNameIsInvalid", "no-such-host.invalid", true, WSAEINVAL},
};

INSTANTIATE_TEST_SUITE_P(Target, ConnectSocketTest, ::testing::ValuesIn(kConnectCases),
                         [](const ::testing::TestParamInfo<ConnectCase>& info) { return info.param.name; });

TEST(SocketTest, ForgedNotificationsReachNoSocketAndLeaveWindowWorking)
{
    ASSERT_TRUE(CAsyncSocket::InitSocketLayer());
    CRecordingSocket listener;
    ASSERT_TRUE(listener.Create(0, FD_ACCEPT) && listener.Listen());
    const HWND window = ::FindWindowExA(HWND_MESSAGE, nullptr, kWindowClass, nullptr);
    ASSERT_TRUE(window);

    // Every private number with the listener's handle and an event it did not ask for, several or
    // none; now and then a handle no socket has; and a request to close the window.
    const long kForeign[] = {FD_READ, FD_WRITE, FD_OOB, FD_CONNECT, FD_CLOSE, 0, FD_ACCEPT | FD_READ, 0xFFFF};
    for (UINT message = WM_USER; message <= 0x7FFF; ++message) {
        ::PostMessageA(window, message, listener.GetHandle(), WSAMAKESELECTREPLY(kForeign[message % 8], 0));
        if (message % 16 == 0)
            ::PostMessageA(window, message, message * 7919u, WSAMAKESELECTREPLY(FD_ACCEPT, 0));
        if (message % 1000 == 0)
            PumpUntil([] { return true; });
    }
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    PumpUntil([] { return true; });
    EXPECT_EQ(listener.events, "");
    ASSERT_TRUE(::IsWindow(window));

    CPeer peer;
    ASSERT_TRUE(peer.Connect(PortOf(listener.GetHandle())));
    EXPECT_TRUE(PumpUntil([&] { return listener.events == "A"; }));
}

}  // namespace
