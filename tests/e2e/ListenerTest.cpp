// The command listener, driven by real TCP peers on loopback as other computers would drive it.
#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <atomic>
#include <fstream>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

namespace {

// The program's limit for a connected peer to send its command (see CCommandSocket).
const DWORD kReadLimitMs = 3000;

class ListenerTest : public DusklampTest {
protected:
    // Connects silent peers; false when one could not connect.
    bool HoldIdle(std::list<peer::Connection>& idle, int count)
    {
        for (int i = 0; i < count; ++i) {
            idle.emplace_back();
            if (!idle.back().Connect(m_port))
                return false;
        }
        return true;
    }

    // Sends a command on a new connection while the idle peers are held, and tells which the program
    // closed first: the command's connection (served) or an idle one (dropped at its read limit), or
    // both when they went at once.
    struct FirstClosed { bool command = false, idle = false; };
    FirstClosed SendWhileHolding(std::list<peer::Connection>& idle, peer::Connection& command, const char* text)
    {
        FirstClosed first;
        if (!command.Connect(m_port) || !command.Send(text))
            return first;
        command.FinishSending();
        std::vector<const peer::Connection*> watched = {&command};
        for (const peer::Connection& connection : idle)
            watched.push_back(&connection);
        const std::vector<bool> readable = peer::WaitUntilReadable(watched, kReadLimitMs * 5);
        for (std::size_t i = 0; i < readable.size(); ++i)
            (i == 0 ? first.command : first.idle) |= readable[i];
        return first;
    }
};

TEST_F(ListenerTest, EachTextActsAsTheSameSwitchWouldAndNothingIsSentBack)
{
    const std::string noise(300, 'q');
    // A box is shown while the connection is still open; the rest is sent once the program has acted.
    const struct { const char* name; std::string bytes; std::initializer_list<LPARAM> broadcasts;
                   const char* box = nullptr; const char* rest = nullptr; } cases[] = {
        {"display on", ":displayon", {kPowerOn}},
        {"a single space", " ", {kPowerOff}},
        {"an empty connection", "", {kPowerOff}},
        {"silent", ":silent", {}},
        {"300 bytes without a switch", noise, {kPowerOff}},
        {"a switch after byte 100", std::string(100, 'x') + ":displayon" + std::string(10, 'y'), {kPowerOff}},
        {"the text is cut at its first NUL", std::string("\0:displayon", 11), {kPowerOff}},
        // Wine always refuses the lock, which shows the lock path's own box.
        {"lock in capitals", ":LOCK", {}, "Could not Lock WorkStation"},
        {"a command in two pieces is read from the first", ":displ", {kPowerOff}, nullptr, "ayon"},
    };
    ASSERT_TRUE(StartListening());
    for (const auto& c : cases) {
        m_watcher.Clear();
        peer::Connection connection;
        ASSERT_TRUE(connection.Connect(m_port) && connection.Send(c.bytes)) << c.name;
        EXPECT_TRUE(!c.rest || (m_watcher.WaitForPowerEvents(1) && connection.Send(c.rest))) << c.name;
        connection.FinishSending();
        EXPECT_TRUE(!c.box || AnswerMessageBox(c.box, IDNO, nullptr)) << c.name;
        EXPECT_TRUE(connection.ClosedByPeerWithoutData()) << c.name;
        ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, c.broadcasts));
    }
}

TEST_F(ListenerTest, IdlePeersAndOpenDialogsHoldUpNoCommandAndAtMost64AreServedAtOnce)
{
    WriteSetting("IntroductionOfNetwork", DWORD(1));
    ASSERT_TRUE(StartListening());
    ASSERT_TRUE(peer::SendCommand(m_port, ":network"));
    HWND dialog = WaitForDialog(m_app.Id(), "Dusklamp : Network Settings");
    ASSERT_NE(dialog, nullptr);
    // Whatever else is connected, 50 silent peers and a dialog that another peer's text opened, a
    // command is served before any silent peer's read limit runs out.
    std::list<peer::Connection> idle;
    ASSERT_TRUE(HoldIdle(idle, 50));
    peer::Connection command;
    const FirstClosed served = SendWhileHolding(idle, command, ":displayon");
    EXPECT_TRUE(served.command && !served.idle) << "the command waited for the silent peers";
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    for (peer::Connection& connection : idle)
        EXPECT_TRUE(connection.ClosedByPeerWithoutData(kReadLimitMs * 5));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOn}));

    // With every place taken, the program accepts nothing more until a silent peer is dropped at the
    // read limit, without any action.
    m_watcher.Clear();
    std::list<peer::Connection> all;
    const double firstAt = NowMs();
    ASSERT_TRUE(HoldIdle(all, 64));
    peer::Connection waiting;
    const FirstClosed dropped = SendWhileHolding(all, waiting, ":displayon");
    EXPECT_TRUE(dropped.idle) << "a 65th was served while 64 silent peers were held";
    EXPECT_TRUE(waiting.ClosedByPeerWithoutData(kReadLimitMs * 5));
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    EXPECT_GT(m_watcher.PowerEventAt(0).atMs - firstAt, kReadLimitMs) << "before any silent peer's limit";
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOn}));
}

TEST_F(ListenerTest, AFloodFrom32PeersLeavesTheProgramAnsweringWithItsHandlesBackAsTheyWere)
{
    ASSERT_TRUE(StartListening());
    const DWORD before = ProcessHandleCount(m_app.Id());
    ASSERT_NE(before, 0u);
    std::atomic<int> served{0};
    std::vector<std::thread> peers;
    for (int p = 0; p < 32; ++p)
        peers.emplace_back([&] {
            for (int i = 0; i < 5000 / 32; ++i)
                served += peer::SendCommand(m_port, ":silent") ? 1 : 0;
        });
    for (std::thread& thread : peers)
        thread.join();
    EXPECT_EQ(served, 5000 / 32 * 32);
    EXPECT_TRUE(peer::SendCommand(m_port, ":displayon"));
    EXPECT_TRUE(WaitUntil([&] { return ProcessHandleCount(m_app.Id()) <= before; }))
        << before << " before, " << ProcessHandleCount(m_app.Id()) << " after";
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOn}));
}

TEST_F(ListenerTest, StartUpSilentlyOpensTheStoredPortOnlyWhenReceivingIsOn)
{
    const struct { const char* name; DWORD workAsClient; DWORD workAsServer; } cases[] = {
        {"sending only", 0, 1}, {"both off", 0, 0}, {"an unknown value", 2, 0}};
    for (const auto& c : cases) {
        const unsigned short port = peer::FreePort();
        WriteSetting("WorkAsClient", c.workAsClient);
        WriteSetting("WorkAsServer", c.workAsServer);
        WriteSetting("ClientPort", port);
        ASSERT_NE(StartResident(":silent"), nullptr) << c.name;
        EXPECT_FALSE(peer::Accepts(port)) << c.name;
        EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty()) << c.name;
        m_app.Terminate();
    }
    // A port another program holds: no message, and its commands are not ours.
    peer::Listener holder;
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", holder.Port());
    ASSERT_NE(StartResident(":silent"), nullptr);
    peer::Connection sender;
    ASSERT_TRUE(sender.Connect(holder.Port()) && sender.Send(":displayon"));
    sender.FinishSending();
    EXPECT_EQ(holder.Next(), ":displayon");
    EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty());
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    m_app.Terminate();

    // Every start listening shows the stored port taken at start-up; the running program keeps it.
    ASSERT_TRUE(StartListening());
    WriteSetting("ClientPort", peer::FreePort());
    EXPECT_TRUE(peer::SendCommand(m_port, ":silent"));
}

// Runs a copy of the program beside a stand-in socket DLL whose start-up always fails. Wine
// prefers it to its own only by an override for the program's name, held while the copy runs (and
// taken away by the next test's set-up should this one end abruptly).
class CFailingSocketLayer {
public:
    CFailingSocketLayer()
    {
        const std::string folder = Process::Folder() + "winsock-standin\\";
        if (::CopyFileA((Process::Folder() + "dusklamp.exe").c_str(), (folder + "dusklamp.exe").c_str(), FALSE)
            && ::SHSetValueA(HKEY_CURRENT_USER, kAppOverridesKey, "ws2_32", REG_SZ, "native", 7) == ERROR_SUCCESS)
            m_app.Start(":silent", folder);
    }
    ~CFailingSocketLayer()
    {
        m_app.Terminate();
        ::SHDeleteKeyA(HKEY_CURRENT_USER, kAppOverridesKey);
    }
    DWORD Id() const { return m_app.Id(); }

private:
    harness::Process m_app;
};

// The box has no owner: a second OK pressed while the first OK's box is open.
TEST_F(ListenerTest, ASocketLayerThatCannotStartIsReportedAndTheProgramRunsOnAndTheLastOkWins)
{
    const std::string list = Process::Folder() + "winsock-standin\\Clients.txt";
    std::ofstream(list, std::ios::binary) << "10.0.0.1,1960\r\n";
    WriteSetting("WorkAsClient", 1);
    WriteSetting("IntroductionOfNetwork", 1);
    CFailingSocketLayer app;
    ASSERT_NE(app.Id(), 0u);
    for (const char* text : {"WinSock Initialisation Failed.", "Could not wait for Commands from Remote Dusklamp."}) {
        HWND box = WaitForDialog(app.Id(), "Dusklamp");
        ASSERT_NE(box, nullptr) << text;
        EXPECT_EQ(ItemText(box), text);
        EXPECT_EQ(::GetWindow(box, GW_OWNER), nullptr) << "start-up boxes have no owner";
        ASSERT_TRUE(PressButton(box, IDOK));
    }
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        main = FindMainWindow();
        return main && WindowProcessId(main) == app.Id();
    })) << "the program runs on without a listener";

    const std::string noListener = "Could not wait for Commands from Remote Dusklamp.";
    const auto box = [&](const std::string& text) {
        HWND found = nullptr;
        WaitUntil([&] {
            for (HWND dialog : FindDialogs(app.Id(), "Dusklamp"))
                found = ItemText(dialog) == text ? dialog : found;
            return found != nullptr;
        });
        return found;
    };
    ::PostMessageA(main, WM_COMMAND, ID_TRAY_NETWORK, 0);
    HWND dialog = WaitForDialog(app.Id(), "Dusklamp : Network Settings");
    ASSERT_NE(dialog, nullptr);
    ClickButton(dialog, IDOK);
    HWND first = box("WinSock Initialisation Failed.");
    ClickButton(dialog, IDC_ADDCOMPUTER);
    HWND add = WaitForDialog(app.Id(), "Dusklamp : Add New Computer");
    ::SendDlgItemMessageA(add, IDC_IPADDRESS, IPM_SETADDRESS, 0, MAKEIPADDRESS(10, 0, 0, 2));
    ASSERT_TRUE(PressButton(add, IDOK));
    ClickButton(dialog, IDOK);
    ASSERT_TRUE(PressButton(box(noListener), IDOK));
    // Read only once the dialog has gone: a reader holding the file would stop its replacement.
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); }));
    const std::string newer = "10.0.0.1,1960\r\n10.0.0.2,1960\r\n";
    EXPECT_EQ(FileBytes(list), newer);
    // The first OK goes on from its box, and finds its work done.
    ASSERT_TRUE(PressButton(first, IDOK));
    ASSERT_TRUE(PressButton(box(noListener), IDOK));
    EXPECT_TRUE(WaitUntil([&] { return FindDialogs(app.Id(), "Dusklamp").empty(); }));
    EXPECT_EQ(FileBytes(list), newer);
    ::DeleteFileA(list.c_str());
}

}  // namespace
