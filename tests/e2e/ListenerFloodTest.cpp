// Strangers on the network that the allowed senders refuse, or that connect and say nothing, as
// fast as they can: the program's user and its allowed senders must not notice them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "DusklampTest.h"
#include "NetPeer.h"
#include "resource.h"

using namespace harness;

namespace {

const char kScheduleCaption[] = "Schedule - Dusklamp";
const u_long kAllowed = 0x7F000002;  // 127.0.0.2, the only allowed sender
const std::string kAllowedText = "127.0.0.2";

// The received log's records, whole: time, address, port, what came of it.
std::vector<std::vector<std::string>> ReceivedRecords()
{
    std::istringstream log(FileBytes(Process::Folder() + "CommandsReceived.csv").value_or(""));
    std::vector<std::vector<std::string>> records;
    for (std::string line; std::getline(log, line);) {
        std::istringstream split(line.substr(0, line.find('\r')));
        records.emplace_back();
        for (std::string field; std::getline(split, field, ',');)
            records.back().push_back(field);
    }
    return records;
}

// How many connections the log's records of the kind from the address stand for ("Refused" is
// one, "Refused 912" 912).
unsigned long long Logged(const std::string& address, const std::string& kind)
{
    unsigned long long total = 0;
    for (const auto& record : ReceivedRecords()) {
        if (record.size() == 4 && record[1] == address && record[3].rfind(kind, 0) == 0)
            total += record[3] == kind ? 1 : std::stoull(record[3].substr(kind.size()));
    }
    return total;
}

// Peers from 127.0.0.1 that connect again as soon as they are refused, for the time given. They
// run outside Wine, as other computers would: peers inside it would share its server with the
// program, which no computer on the network does.
class RefusedPeers {
public:
    RefusedPeers(unsigned short port, int count, int seconds)
    {
        std::string command = std::string("Z:\\usr\\bin\\python3 ") + REFUSED_PEERS_SCRIPT + " " + std::to_string(port)
            + " " + std::to_string(count) + " " + std::to_string(seconds) + " " + std::to_string(m_report.Port());
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION started = {};
        m_started = ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                     &started);
        if (m_started) {
            ::CloseHandle(started.hThread);
            ::CloseHandle(started.hProcess);
        }
    }
    bool Started() const { return m_started; }
    // How many connections they tried and how many the program closed without a byte, once done.
    bool Counts(unsigned long long& attempts, unsigned long long& refused, DWORD timeoutMs)
    {
        std::istringstream report(m_report.Next(timeoutMs));
        return static_cast<bool>(report >> attempts >> refused);
    }

private:
    peer::Listener m_report;
    bool m_started = false;
};

class ListenerFloodTest : public DusklampTest {
protected:
    // Listening, with only 127.0.0.2 allowed; the proof connection came before the list.
    bool StartRefusing() { return StartListening() && (WriteSetting("AllowedSenders", kAllowedText), true); }

    // How long from sending an allowed display-on until the program broadcast it; 0 when it did not.
    double DisplayOnAfter()
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const double sentAt = NowMs();
        if (!peer::SendCommand(m_port, ":displayon", 10000, kAllowed) || !m_watcher.WaitForPowerEvents(before + 1))
            return 0;
        const auto event = m_watcher.PowerEventAt(before);
        return event.power == kPowerOn ? event.atMs - sentAt : 0;
    }

    // How long from pressing the hot key until the program broadcast display-off; 0 when it did not.
    double HotKeyAfter()
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const double pressedAt = NowMs();
        PressKeys({VK_CONTROL, VK_F9});
        if (!m_watcher.WaitForPowerEvents(before + 1))
            return 0;
        const auto event = m_watcher.PowerEventAt(before);
        return event.power == kPowerOff ? event.atMs - pressedAt : 0;
    }
};

TEST_F(ListenerFloodTest, RefusedPeersReconnectingCrowdOutNeitherAnAllowedCommandNorTheHotKeyNorTheClock)
{
    StoreHotKey(VK_F9, MOD_CONTROL);
    ASSERT_TRUE(StartRefusing());
    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_SCHEDULE, 0);
    HWND schedule = WaitForDialog(m_app.Id(), kScheduleCaption);
    ASSERT_NE(schedule, nullptr);
    for (int peers : {4, 64}) {
        ::DeleteFileA((Process::Folder() + "CommandsReceived.csv").c_str());
        RefusedPeers flood(m_port, peers, 22);
        ASSERT_TRUE(flood.Started());
        const auto logged = [] { return Logged("127.0.0.1", "Refused"); };
        ASSERT_TRUE(WaitUntil([&] { return logged() > 100; })) << peers;
        // The clock line is read throughout: each change is a tick.
        std::string clock = ItemText(schedule, IDC_CURRENT);
        double lastTickAt = NowMs(), longestWithoutTick = 0;
        int ticks = 0, commands = 0;
        const double start = NowMs();
        while (NowMs() - start < 20000) {
            if (++commands <= 3) {
                const double displayOn = DisplayOnAfter(), hotKey = HotKeyAfter();
                EXPECT_TRUE(displayOn > 0 && displayOn < 1500) << peers << " peers: display-on after " << displayOn;
                EXPECT_TRUE(hotKey > 0 && hotKey < 1000) << peers << " peers: hot key after " << hotKey;
                std::printf("%d refused peers: display-on after %.0f ms, hot key after %.0f ms\n", peers, displayOn,
                            hotKey);
            }
            ::Sleep(100);
            const std::string now = ItemText(schedule, IDC_CURRENT);
            if (now != clock) {
                longestWithoutTick = std::max(longestWithoutTick, NowMs() - lastTickAt);
                lastTickAt = NowMs();
                clock = now;
                ++ticks;
            }
        }
        longestWithoutTick = std::max(longestWithoutTick, NowMs() - lastTickAt);
        std::printf("%d refused peers: %d clock ticks in 20 s, at most %.0f ms apart\n", peers, ticks,
                    longestWithoutTick);
        // A tick a second; a second and a half between two is a late tick, not a stopped clock.
        EXPECT_GE(ticks, 17) << peers << " peers";
        EXPECT_LT(longestWithoutTick, 2500) << peers << " peers";

        // Every refusal counted, none twice (a peer that gave up waiting may still have been refused),
        // in at most one record per address and second; the allowed commands each in a record of
        // their own.
        unsigned long long attempts = 0, refused = 0;
        ASSERT_TRUE(flood.Counts(attempts, refused, 30000));
        ASSERT_TRUE(WaitUntil([&] { return logged() >= refused; })) << logged() << " of " << refused;
        EXPECT_LE(logged(), attempts);
        std::map<std::string, int> perSecond;
        int allowed = 0;
        for (const auto& record : ReceivedRecords()) {
            ASSERT_EQ(record.size(), 4u);
            if (record[1] == kAllowedText) {
                EXPECT_EQ(record[3], "Dawnlamp");  // the command's label
                ++allowed;
                continue;
            }
            EXPECT_EQ(record[1], "127.0.0.1");
            EXPECT_EQ(++perSecond[record[0] + " " + record[3].substr(0, record[3].find(' '))], 1) << record[0];
        }
        EXPECT_EQ(allowed, 3) << peers << " peers";
    }
    ASSERT_TRUE(PressButton(schedule, IDCANCEL));
}

TEST_F(ListenerFloodTest, AfterABurstOfRefusedAndSilentPeersCommandsSentOneFiveAndThirtySecondsLaterAllAct)
{
    ASSERT_TRUE(StartRefusing());
    {
        // Silent allowed peers hold places meanwhile, and are dropped at the read limit.
        std::vector<peer::Connection> silent(20);
        for (peer::Connection& connection : silent)
            ASSERT_TRUE(connection.Connect(m_port, 5000, kAllowed));
        RefusedPeers burst(m_port, 16, 3);
        unsigned long long attempts = 0, refused = 0;
        ASSERT_TRUE(burst.Started() && burst.Counts(attempts, refused, 30000));
        EXPECT_GT(refused, 100u);
        for (peer::Connection& connection : silent)
            EXPECT_TRUE(connection.ClosedByPeerWithoutData(15000));
    }
    const double burstEnd = NowMs();
    for (double after : {1000.0, 5000.0, 30000.0}) {
        ::Sleep(static_cast<DWORD>(std::max(0.0, burstEnd + after - NowMs())));
        EXPECT_GT(DisplayOnAfter(), 0) << "sent " << after << " ms after the burst";
    }
    // The silent peers were counted as well, under their own address.
    EXPECT_TRUE(WaitUntil([] { return Logged(kAllowedText, "Silent") == 20; }));
}

}  // namespace
