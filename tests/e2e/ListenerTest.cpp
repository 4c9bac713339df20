// The command listener, driven by real TCP peers on loopback as other computers would drive it.
#include <random>
#include <string>
#include <thread>

#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

namespace {

// The program's limit for a connected peer to send its command (see CCommandSocket).
const DWORD kReadLimitMs = 3000;

class ListenerTest : public DusklampTest {
protected:
    // Starts the program listening on a free port, as "WorkAsClient" 1 makes it.
    HWND StartListening(const std::string& arguments = ":silent")
    {
        m_port = peer::FreePort();
        WriteSetting("WorkAsClient", 1);
        WriteSetting("ClientPort", m_port);
        HWND main = StartResident(arguments);
        return main && WaitUntil([&] { return peer::SendCommand(m_port, ":silent", 2000); }) ? main : nullptr;
    }

    unsigned short m_port = 0;
};

struct TextCase {
    const char* name;
    std::string bytes;
    std::initializer_list<LPARAM> broadcasts;
};

TEST_F(ListenerTest, EachTextActsAsTheSameSwitchWouldAndNothingIsSentBack)
{
    std::string noise(300, '\0');
    std::mt19937 random(1960);
    for (char& byte : noise)
        byte = static_cast<char>('a' + random() % 26);
    const std::string beyondTheRead = std::string(100, 'x') + ":displayon" + std::string(10, 'y');
    const TextCase cases[] = {
        {"display on", ":displayon", {kPowerOn}},
        {"a single space", " ", {kPowerOff}},
        {"an empty connection", "", {kPowerOff}},
        {"silent", ":silent", {}},
        {"300 bytes without a switch", noise, {kPowerOff}},
        {"a switch after byte 100", beyondTheRead, {kPowerOff}},
        {"the text is cut at its first NUL", std::string("\0:displayon", 11), {kPowerOff}},
    };
    HWND main = StartListening();
    ASSERT_NE(main, nullptr);
    for (const TextCase& c : cases) {
        m_watcher.Clear();
        ASSERT_TRUE(peer::SendCommand(m_port, c.bytes)) << c.name;
        ExpectBroadcastsBeforeProbe(main, c.broadcasts);
    }
}

TEST_F(ListenerTest, LockInCapitalsReachesTheLockPath)
{
    ASSERT_NE(StartListening(), nullptr);
    peer::Connection connection;
    ASSERT_TRUE(connection.Connect(m_port));
    ASSERT_TRUE(connection.Send(":LOCK"));
    connection.FinishSending();
    // Wine always refuses the lock; the connection stays open while the box is shown.
    EXPECT_TRUE(AnswerMessageBox("Could not Lock WorkStation", IDNO, nullptr));
    EXPECT_TRUE(connection.ClosedByPeerWithoutData());
}

TEST_F(ListenerTest, ACommandInTwoPiecesIsReadFromTheFirst)
{
    HWND main = StartListening();
    ASSERT_NE(main, nullptr);
    peer::Connection connection;
    ASSERT_TRUE(connection.Connect(m_port));
    ASSERT_TRUE(connection.Send(":displ"));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    ASSERT_TRUE(connection.Send("ayon"));
    connection.FinishSending();
    EXPECT_TRUE(connection.ClosedByPeerWithoutData());
    ExpectBroadcastsBeforeProbe(main, {kPowerOff});
}

TEST_F(ListenerTest, AStalledPeerIsDroppedAndDelaysTheNextCommandAtMostByTheLimit)
{
    HWND main = StartListening();
    ASSERT_NE(main, nullptr);
    peer::Connection stalled;
    ASSERT_TRUE(stalled.Connect(m_port));
    const double sentAt = NowMs();
    std::thread next([&] { EXPECT_TRUE(peer::SendCommand(m_port, ":displayon")); });
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    next.join();
    const double delay = m_watcher.PowerEvents().front().atMs - sentAt;
    EXPECT_EQ(m_watcher.PowerEvents().front().power, kPowerOn) << "the stalled peer caused no action";
    EXPECT_LT(delay, kReadLimitMs + 500 + 1000);
    EXPECT_TRUE(stalled.ClosedByPeerWithoutData(1000)) << "the program dropped the stalled peer";
    ExpectBroadcastsBeforeProbe(main, {kPowerOn});
}

TEST_F(ListenerTest, PeersConnectingTogetherAreServedOneAfterTheOther)
{
    HWND main = StartListening();
    ASSERT_NE(main, nullptr);
    std::thread first([&] { EXPECT_TRUE(peer::SendCommand(m_port, ":displayon")); });
    std::thread second([&] { EXPECT_TRUE(peer::SendCommand(m_port, ":displayon")); });
    first.join();
    second.join();
    const auto events = m_watcher.PowerEvents();
    ASSERT_EQ(events.size(), 2u);
    // Each command waits its own half second before its broadcast.
    EXPECT_GE(events[1].atMs - events[0].atMs, 450);
    ExpectBroadcastsBeforeProbe(main, {kPowerOn, kPowerOn});
}

TEST_F(ListenerTest, AFloodOfConnectionsIsServedAndTheProgramStaysResponsive)
{
    HWND main = StartListening();
    ASSERT_NE(main, nullptr);
    int served = 0;
    for (int i = 0; i < 200; ++i)
        served += peer::SendCommand(m_port, ":silent") ? 1 : 0;
    EXPECT_EQ(served, 200);
    DWORD_PTR result = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    ExpectBroadcastsBeforeProbe(main);
}

struct PortCase {
    const char* name;
    DWORD workAsClient;
    DWORD workAsServer;
};

TEST_F(ListenerTest, NoPortIsOpenedUnlessReceivingIsOn)
{
    const PortCase cases[] = {{"sending only", 0, 1}, {"both off", 0, 0}, {"an unknown value", 2, 0}};
    for (const PortCase& c : cases) {
        const unsigned short port = peer::FreePort();
        WriteSetting("WorkAsClient", c.workAsClient);
        WriteSetting("WorkAsServer", c.workAsServer);
        WriteSetting("ClientPort", port);
        ASSERT_NE(StartResident(":silent"), nullptr) << c.name;
        EXPECT_FALSE(peer::Accepts(port)) << c.name;
        EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty()) << c.name << ": start-up stays silent";
        m_app.Terminate();
    }
}

TEST_F(ListenerTest, APortHeldByAnotherProgramLeavesStartUpSilentAndDeaf)
{
    peer::StartSockets();
    const unsigned short port = peer::FreePort();
    SOCKET holder = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(holder, 5), 0);
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", port);
    HWND main = StartResident(":silent");
    ASSERT_NE(main, nullptr);
    peer::Connection connection;
    ASSERT_TRUE(connection.Connect(port));
    ASSERT_TRUE(connection.Send(":displayon"));
    connection.Close();
    ::closesocket(holder);
    EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty());
    ExpectBroadcastsBeforeProbe(main);
}

TEST_F(ListenerTest, AChangedPortTakesEffectAtTheNextStart)
{
    ASSERT_NE(StartListening(), nullptr);
    const unsigned short oldPort = m_port;
    const unsigned short newPort = peer::FreePort();
    WriteSetting("ClientPort", newPort);
    EXPECT_TRUE(peer::SendCommand(oldPort, ":silent")) << "the running program keeps its port";
    m_app.Terminate();
    ASSERT_NE(StartResident(":silent"), nullptr);
    EXPECT_TRUE(WaitUntil([&] { return peer::SendCommand(newPort, ":silent", 2000); }));
    EXPECT_FALSE(peer::Accepts(oldPort));
}

// Runs the program beside a stand-in socket DLL whose start-up always fails. Wine prefers it to
// its own only by an override for the program's name, held just while that copy starts.
class CFailingSocketLayer {
public:
    CFailingSocketLayer()
    {
        const std::string folder = Process::Folder() + "winsock-standin\\";
        const std::string exe = folder + "dusklamp.exe";
        if (!::CopyFileA((Process::Folder() + "dusklamp.exe").c_str(), exe.c_str(), FALSE)
            || ::RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_WRITE, nullptr, &m_overrides,
                                 nullptr)
                != ERROR_SUCCESS)
            return;
        ::RegSetValueExA(m_overrides, "ws2_32", 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), 7);
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + exe + "\" :silent";
        ::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                         &m_info);
    }
    ~CFailingSocketLayer()
    {
        if (m_overrides) {
            ::RegCloseKey(m_overrides);
            ::RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
        }
        if (!m_info.hProcess)
            return;
        ::TerminateProcess(m_info.hProcess, 1);
        ::WaitForSingleObject(m_info.hProcess, 10000);
        ::CloseHandle(m_info.hProcess);
        ::CloseHandle(m_info.hThread);
    }
    DWORD Id() const { return m_info.dwProcessId; }

private:
    static constexpr char kOverrides[] = "Software\\Wine\\AppDefaults\\dusklamp.exe\\DllOverrides";

    HKEY m_overrides = nullptr;
    PROCESS_INFORMATION m_info = {};
};

TEST_F(ListenerTest, ASocketLayerThatCannotStartIsReportedAndTheProgramRunsOn)
{
    WriteSetting("WorkAsClient", 1);
    CFailingSocketLayer app;
    ASSERT_NE(app.Id(), 0u);
    for (const char* text : {"WinSock Initialisation Failed.", "Could not wait for Commands from Remote Dusklamp."}) {
        HWND box = WaitForDialog(app.Id(), "Dusklamp");
        ASSERT_NE(box, nullptr) << text;
        EXPECT_EQ(ItemText(box), text);
        EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr) << "start-up boxes have no owner";
        ASSERT_TRUE(PressButton(box, IDOK));
    }
    EXPECT_TRUE(WaitUntil([&] {
        HWND main = FindMainWindow();
        return main && WindowProcessId(main) == app.Id();
    })) << "the program runs on without a listener";
}

}  // namespace
