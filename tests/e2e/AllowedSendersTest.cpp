// Who may send commands, and the log of what came, driven by loopback peers from 127.0.0.1 and
// from other loopback addresses.
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

namespace {

// The program's limit for a connected peer to send its command (see CCommandSocket).
const DWORD kReadLimitMs = 3000;
const u_long kFirst = 0x7F000001, kSecond = 0x7F000002, kFifth = 0x7F000005;  // 127.0.0.x
const char kLog[] = "CommandsReceived.csv";
const char kOlderLog[] = "CommandsReceived.1.csv";
const std::size_t kLogLimit = 1024 * 1024;

std::string PathOf(const char* name) { return Process::Folder() + name; }

std::string FileBytes(const char* name)
{
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The log's records without their time field, which is the locale's, and without CR LF.
std::vector<std::string> Records()
{
    std::istringstream log(FileBytes(kLog));
    std::vector<std::string> records;
    for (std::string record; std::getline(log, record);)
        records.push_back(record.substr(record.find(',') + 1, record.size() - record.find(',') - 2));
    return records;
}

std::string Dotted(u_long address)
{
    return std::to_string(address >> 24) + "." + std::to_string(address >> 16 & 0xFF) + "."
        + std::to_string(address >> 8 & 0xFF) + "." + std::to_string(address & 0xFF);
}

class AllowedSendersTest : public DusklampTest {
protected:
    void SetUp() override
    {
        DusklampTest::SetUp();
        RemoveLogs();
    }

    void TearDown() override
    {
        DusklampTest::TearDown();
        RemoveLogs();
    }

    static void RemoveLogs()
    {
        for (const char* name : {kLog, kOlderLog})
            ::DeleteFileA(PathOf(name).c_str());
    }

    // Listening on a free port, with the log that proved it removed again.
    bool StartListening()
    {
        m_port = peer::FreePort();
        WriteSetting("WorkAsClient", 1);
        WriteSetting("ClientPort", m_port);
        const bool listening = StartResident(":silent")
            && WaitUntil([&] { return peer::SendCommand(m_port, ":silent", 2000); });
        RemoveLogs();
        return listening;
    }

    unsigned short m_port = 0;
};

TEST_F(AllowedSendersTest, TheListDecidesAtAcceptAndEveryConnectionIsLoggedWithWhatCameOfIt)
{
    // A peer that says nothing is closed at once when refused, and only at the read limit otherwise.
    const struct { const char* list; u_long from; const char* bytes; std::initializer_list<LPARAM> broadcasts;
                   const char* logged; } cases[] = {
        {"127.0.0.2", kFirst, nullptr, {}, "Refused"},
        {"127.0.0.2", kSecond, ":displayon", {kPowerOn}, "Dawnlamp"},
        {"10.0.0.0/8, 127.0.0.0/30", kSecond, " ", {kPowerOff}, "Dusklamp"},
        {"10.0.0.0/8, 127.0.0.0/30", kFifth, nullptr, {}, "Refused"},
        {"", kFifth, ":silent", {}, ":silent"},
        {"", kFirst, nullptr, {}, "Silent"},
        {"127.0.0.1 localhost", kFirst, nullptr, {}, "Refused"},  // written by hand: nobody, not everyone
    };
    ASSERT_TRUE(StartListening());
    std::size_t count = 0;
    for (const auto& c : cases) {
        WriteSetting("AllowedSenders", std::string(c.list));
        m_watcher.Clear();
        peer::Connection connection;
        ASSERT_TRUE(connection.Connect(m_port, 5000, c.from)) << c.logged;
        const unsigned short port = connection.LocalPort();
        if (c.bytes) {
            EXPECT_TRUE(connection.Send(c.bytes));
            connection.FinishSending();
        }
        const bool refused = c.logged == std::string("Refused");
        const double start = NowMs();
        EXPECT_TRUE(connection.ClosedByPeerWithoutData(refused ? 1000 : kReadLimitMs + 2000)) << c.logged;
        EXPECT_TRUE(c.bytes || refused || NowMs() - start > kReadLimitMs - 500) << c.logged;
        ExpectBroadcastsBeforeProbe(m_main, c.broadcasts);
        ASSERT_TRUE(WaitUntil([&] { return Records().size() == count + 1; })) << c.logged;
        EXPECT_EQ(Records()[count++], Dotted(c.from) + "," + std::to_string(port) + "," + c.logged);
    }
}

TEST_F(AllowedSendersTest, TheLogStartsAfreshPastItsLimitAndOneThatCannotBeWrittenCostsNoCommand)
{
    ASSERT_TRUE(StartListening());
    const std::string full = std::string(kLogLimit - 20, 'x') + "\r\n";
    std::ofstream(PathOf(kLog), std::ios::binary) << full;
    std::ofstream(PathOf(kOlderLog), std::ios::binary) << "older\r\n";
    ASSERT_TRUE(peer::SendCommand(m_port, ":displayon"));
    ASSERT_TRUE(WaitUntil([&] { return FileBytes(kOlderLog) == full; }));
    EXPECT_EQ(Records().size(), 1u);

    // Held without sharing, as some spreadsheet programs hold what they show.
    HANDLE holder = ::CreateFileA(PathOf(kLog).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(peer::SendCommand(m_port, ":displayon"));
    ::CloseHandle(holder);
    ExpectBroadcastsBeforeProbe(m_main, {kPowerOn, kPowerOn});
    EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty());
    EXPECT_EQ(Records().size(), 1u);
}

TEST_F(AllowedSendersTest, AMalformedEntryIsNamedWithTheFocusOnTheListAndOnlyOkStoresItsShortestForm)
{
    const char* kEntered = "127.0.0.2,127.0.0.1/30  127.0.0.2";
    const struct { const char* entered; const char* refused; UINT closing; std::optional<std::string> stored; }
        cases[] = {
            {"127.0.0.1 010.0.0.1 x", "010.0.0.1", IDOK, std::nullopt},
            {kEntered, nullptr, IDCANCEL, std::nullopt},
            {kEntered, nullptr, IDOK, "127.0.0.2, 127.0.0.0/30"},
        };
    WriteSetting("IntroductionOfNetwork", 1);
    ASSERT_NE(StartResident(":silent"), nullptr);
    for (const auto& c : cases) {
        ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_NETWORK, 0);
        HWND dialog = WaitForDialog(m_app.Id(), "Dusklamp : Network Settings");
        ASSERT_NE(dialog, nullptr);
        ClickButton(dialog, IDC_ALLOWEDSENDERS);
        HWND senders = WaitForDialog(m_app.Id(), "Dusklamp : Allowed Senders");
        ASSERT_NE(senders, nullptr);
        ::SetDlgItemTextA(senders, IDC_SENDERLIST, c.entered);
        ClickButton(senders, IDOK);
        if (c.refused) {
            EXPECT_TRUE(AnswerMessageBox(std::string("\"") + c.refused
                                             + "\" is not an IPv4 address or range.\nPlease enter addresses such as "
                                               "192.168.1.5 and ranges such as 192.168.1.0/24, separated by spaces "
                                               "or commas.",
                                         IDOK, senders));
            GUITHREADINFO focus = {};
            focus.cbSize = sizeof(focus);
            EXPECT_TRUE(WaitUntil([&] {
                return ::GetGUIThreadInfo(::GetWindowThreadProcessId(senders, nullptr), &focus)
                    && focus.hwndFocus == ::GetDlgItem(senders, IDC_SENDERLIST);
            }));
            ASSERT_TRUE(PressButton(senders, IDCANCEL));
        }
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(senders); }));
        // Esc arrives as IDCANCEL; the dialog has no button of that id.
        ::PostMessageA(dialog, WM_COMMAND, c.closing, 0);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }));
        EXPECT_EQ(ReadSettingString("AllowedSenders"), c.stored) << c.entered;
    }
}

}  // namespace
