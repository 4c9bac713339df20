// Strangers on the network that the allowed senders refuse, or that connect and say nothing, as
// fast as they can: the program's user and its allowed senders must not notice them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "DusklampTest.h"
#include "NetPeer.h"
#include "resource.h"

using namespace harness;

namespace {

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

// Peers from 127.0.0.1 that connect again as soon as they are refused, for the time given; outside
// Wine, as other computers are, for inside it they would share its server with the program.
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
    // How many connections they tried and how many the program closed without a byte, once done.
    bool Counts(unsigned long long& attempts, unsigned long long& refused, DWORD timeoutMs)
    {
        std::istringstream report(m_started ? m_report.Next(timeoutMs) : "not started");
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

    // How long from the act until the program broadcast the power state; 0 when it did not.
    double BroadcastAfter(const std::function<bool()>& act, LPARAM power)
    {
        const std::size_t before = m_watcher.PowerEvents().size();
        const double actedAt = NowMs();
        if (!act() || !m_watcher.WaitForPowerEvents(before + 1) || m_watcher.PowerEventAt(before).power != power)
            return 0;
        return m_watcher.PowerEventAt(before).atMs - actedAt;
    }
    double DisplayOnAfter()
    {
        return BroadcastAfter([&] { return peer::SendCommand(m_port, ":displayon", 10000, kAllowed); }, kPowerOn);
    }
};

TEST_F(ListenerFloodTest, RefusedPeersReconnectingCrowdOutNeitherAnAllowedCommandNorTheHotKeyNorTheClock)
{
    StoreHotKey(VK_F9, MOD_CONTROL);
    ASSERT_TRUE(StartRefusing());
    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_SCHEDULE, 0);
    HWND schedule = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
    ASSERT_NE(schedule, nullptr);
    for (int peers : {4, 64}) {
        ::DeleteFileA((Process::Folder() + "CommandsReceived.csv").c_str());
        RefusedPeers flood(m_port, peers, 22);
        const auto logged = [] { return Logged("127.0.0.1", "Refused"); };
        ASSERT_TRUE(WaitUntil([&] { return logged() > 100; })) << peers;
        // The clock line is read throughout: each change is a tick.
        std::string clock = ItemText(schedule, IDC_CURRENT);
        std::vector<double> ticks = {NowMs()};
        for (int commands = 0; NowMs() - ticks.front() < 20000; ::Sleep(100)) {
            if (++commands <= 3) {
                const double displayOn = DisplayOnAfter();
                const double hotKey = BroadcastAfter([] { return PressKeys({VK_CONTROL, VK_F9}), true; }, kPowerOff);
                EXPECT_TRUE(displayOn > 0 && displayOn < 1500 && hotKey > 0 && hotKey < 1000)
                    << peers << " peers: display-on after " << displayOn << " ms, the hot key after " << hotKey;
            }
            if (ItemText(schedule, IDC_CURRENT) != clock) {
                clock = ItemText(schedule, IDC_CURRENT);
                ticks.push_back(NowMs());
            }
        }
        ticks.push_back(NowMs());
        std::adjacent_difference(ticks.begin(), ticks.end(), ticks.begin());
        const double longestWithoutTick = *std::max_element(ticks.begin() + 1, ticks.end());
        std::printf("%d refused peers: %zu clock ticks in 20 s, at most %.0f ms apart\n", peers, ticks.size() - 2,
                    longestWithoutTick);
        // A tick a second; a second and a half between two is a late tick, not a stopped clock.
        EXPECT_GE(ticks.size(), 19u) << peers << " peers";
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
    // Silent allowed peers hold places meanwhile, and are dropped at the read limit.
    std::vector<peer::Connection> silent(20);
    for (peer::Connection& connection : silent)
        ASSERT_TRUE(connection.Connect(m_port, 5000, kAllowed));
    RefusedPeers burst(m_port, 16, 3);
    unsigned long long attempts = 0, refused = 0;
    ASSERT_TRUE(burst.Counts(attempts, refused, 30000));
    EXPECT_GT(refused, 100u);
    for (peer::Connection& connection : silent)
        EXPECT_TRUE(connection.ClosedByPeerWithoutData(15000));
    const double burstEnd = NowMs();
    for (double after : {1000.0, 5000.0, 30000.0}) {
        ::Sleep(static_cast<DWORD>(std::max(0.0, burstEnd + after - NowMs())));
        EXPECT_GT(DisplayOnAfter(), 0) << "sent " << after << " ms after the burst";
    }
    // The silent peers were counted as well, under their own address.
    EXPECT_TRUE(WaitUntil([] { return Logged(kAllowedText, "Silent") == 20; }));
}

}  // namespace
