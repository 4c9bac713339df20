// The network settings dialogs, the sender and its log, the allowed senders and the log of received
// commands, driven from outside.
#include "DusklampTest.h"
#include "NetPeer.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <utility>

using namespace harness;

namespace {

const char kNetworkCaption[] = "Dusklamp : Network Settings";
const char kRangeMessage[] = "Please enter an integer between 1 and 65535.";
const WPARAM kDawnlamp = 2;  // its place in the command list
const DWORD kNewAddress = MAKEIPADDRESS(192, 168, 0, 7);

std::string ClientsPath() { return Process::Folder() + "Clients.txt"; }
std::string LogPath() { return Process::Folder() + "CommandsLog.csv"; }
std::string ReceivedPath() { return Process::Folder() + "CommandsReceived.csv"; }
std::string OlderReceivedPath() { return Process::Folder() + "CommandsReceived.1.csv"; }
std::string StandInRecord() { return Process::Folder() + "open-standin.txt"; }
std::string RemoteRecord() { return Process::Folder() + "remote-session.txt"; }
std::string Row(unsigned short port) { return "127.0.0.1," + std::to_string(port); }

// The failure message for a computer on this port, ending in what the system says for the error;
// Wine has no text for some (WSAETIMEDOUT, WSAEADDRNOTAVAIL).
std::string Failure(unsigned port, DWORD error)
{
    char text[512] = "";
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
    return "Could not Connect to IP Address 127.0.0.1 at Port " + std::to_string(port)
        + ".\nPlease Make Sure that the IP Address & Port Numbers are Correct & Dusklamp is running on the IP "
          "Address with Port Number Provided.\nLast Error : " + text;
}

bool WaitForText(const std::string& path, const std::string& text, DWORD timeoutMs = 10000)
{
    return WaitUntil([&] { return FileBytes(path).value_or("").find(text) != std::string::npos; }, timeoutMs);
}

// The computer list file's bytes for these "address,port" rows.
std::string ListFile(const std::vector<std::string>& rows)
{
    std::string bytes;
    for (const std::string& row : rows)
        bytes += row + "\r\n";
    return bytes;
}

// The log's lines without their time field, which is the locale's; each keeps its CR.
std::vector<std::string> LogRecords(const std::string& path = LogPath())
{
    std::istringstream log(FileBytes(path).value_or(""));
    std::vector<std::string> records;
    for (std::string record; std::getline(log, record);)
        records.push_back(record.substr(record.find(',') + 1));
    return records;
}

// Points the shell's opening of https addresses and .csv files at the stand-in program, which writes
// down what it was given, for the life of the object. Wine's shell reads only HKEY_CLASSES_ROOT, never
// the user's Software\Classes; the test prefix has a browser for https but no program for .csv.
struct CShellStandIn {
    CShellStandIn()
    {
        const char https[] = "https\\shell\\open\\command";
        const auto set = [](const char* key, const std::string& value) {
            ::SHSetValueA(HKEY_CLASSES_ROOT, key, nullptr, REG_SZ, value.c_str(), value.size() + 1);
        };
        // Kept where RestoreSession finds it: the fixture's after an aborted test, the object's otherwise.
        char browser[1024] = "";
        DWORD size = sizeof(browser);
        ::SHGetValueA(HKEY_CLASSES_ROOT, https, nullptr, nullptr, browser, &size);
        ::SHSetValueA(HKEY_CURRENT_USER, kSavedAssociationsKey, "https", REG_SZ, browser,
                      static_cast<DWORD>(std::strlen(browser) + 1));
        const std::string standIn = "\"" + Process::Folder() + "shutdown_standin.exe\" \"%1\"";
        set(https, standIn);
        set(".csv", "DusklampTest.csv");
        set("DusklampTest.csv\\shell\\open\\command", standIn);
    }
    ~CShellStandIn() { RestoreSession(); }
};

// Selects exactly these rows of the dialog's computer list. List-view messages carry pointers, so
// their records live in memory lent by the program's own process.
void SelectRows(HWND dialog, const std::vector<int>& rows)
{
    HWND list = ::GetDlgItem(dialog, IDC_COMPUTERS);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, WindowProcessId(list));
    LVITEMA items[2] = {};  // not selected, selected
    items[0].stateMask = items[1].stateMask = items[1].state = LVIS_SELECTED;
    auto* lent = static_cast<LVITEMA*>(::VirtualAllocEx(process, nullptr, sizeof(items), MEM_COMMIT, PAGE_READWRITE));
    ::WriteProcessMemory(process, lent, items, sizeof(items), nullptr);
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(lent));
    for (int row : rows)
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(lent + 1));
    ::VirtualFreeEx(process, lent, 0, MEM_RELEASE);
    ::CloseHandle(process);
}

void RemoveDataFiles()
{
    for (const std::string& path :
         {ClientsPath(), LogPath(), StandInRecord(), RemoteRecord(), ReceivedPath(), OlderReceivedPath()})
        ::DeleteFileA(path.c_str());
}

// What closes the dialog, posted to it: a message and its wParam.
using Closing = std::pair<UINT, WPARAM>;
const Closing kOk{WM_COMMAND, IDOK}, kEscape{WM_KEYDOWN, VK_ESCAPE}, kCloseBox{WM_SYSCOMMAND, SC_CLOSE};

class NetworkDialogTest : public DusklampTest {
protected:
    void SetUp() override
    {
        DusklampTest::SetUp();
        RemoveDataFiles();
        WriteSetting("IntroductionOfNetwork", DWORD(1));
        // Inherited by the program and by whatever its shell starts.
        ::SetEnvironmentVariableA("DUSKLAMP_STANDIN_RECORD", StandInRecord().c_str());
    }

    void TearDown() override
    {
        DusklampTest::TearDown();
        RemoveDataFiles();
    }

    // Opens the dialog with the tray menu's command, starting the program if needed.
    HWND OpenDialog()
    {
        if (!m_app.IsRunning() && !StartResident(":silent"))
            return nullptr;
        ::PostMessageA(FindMainWindow(), WM_COMMAND, ID_TRAY_NETWORK, 0);
        return WaitForDialog(m_app.Id(), kNetworkCaption);
    }

    // The same on these rows.
    HWND Open(const std::vector<std::string>& rows, DWORD sendAllowed = 1)
    {
        std::ofstream(ClientsPath(), std::ios::binary) << ListFile(rows);
        WriteSetting("WorkAsServer", sendAllowed);
        return OpenDialog();
    }

    // Presses Remove and answers the question about this "address,port" row.
    ::testing::AssertionResult Remove(HWND dialog, std::string row, int answer)
    {
        ClickButton(dialog, IDC_REMOVECOMPUTER);
        row.replace(row.find(','), 1, " with Port ");
        return AnswerMessageBox("Are you sure you wish to delete the IP Address " + row + "?", answer);
    }

    // Listening on a free port, with the record of the connection that proved it removed again
    // (written before the program closed that connection).
    bool Listen()
    {
        const bool listening = StartListening() && WaitUntil([&] { return LogRecords(ReceivedPath()).size() == 1; });
        ::DeleteFileA(ReceivedPath().c_str());
        return listening;
    }

    static bool CloseDialog(HWND dialog, Closing how)
    {
        ::PostMessageA(dialog, how.first, how.second, 0);
        return WaitUntil([&] { return !::IsWindowVisible(dialog); });
    }

    static void SendTo(HWND dialog, const std::vector<int>& rows, WPARAM command)
    {
        SelectRows(dialog, rows);
        ::SendDlgItemMessageA(dialog, IDC_COMMAND, CB_SETCURSEL, command, 0);
        ClickButton(dialog, IDC_SEND);
    }
};

TEST_F(NetworkDialogTest, IntroductionIsOfferedOncePerUserWhateverTheAnswerAndTheLogOpensInTheProgramForCsv)
{
    const CShellStandIn standIn;
    for (int answer : {IDNO, IDYES}) {
        DeleteSettings();
        ASSERT_TRUE(m_app.Start(":network"));
        EXPECT_TRUE(AnswerMessageBox("Would you like to read introduction about Dusklamp Network Settings?", answer));
        HWND dialog = WaitForDialog(m_app.Id(), kNetworkCaption);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ReadSettingInt("IntroductionOfNetwork"), DWORD(1));
        EXPECT_EQ(WaitForText(StandInRecord(), "https://www.brightfen.example/dusklamp/network/",
                              answer == IDYES ? 10000 : 500),
                  answer == IDYES);
        ASSERT_TRUE(CloseDialog(dialog, kEscape));

        // As a second start's ":network" arrives: the dialog again, and no question before it.
        ::PostMessageA(FindMainWindow(), UM_NETWORK, 0, 0);
        ASSERT_NE(WaitForDialog(m_app.Id(), kNetworkCaption), nullptr);
        EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty());
    }
    for (const auto& [command, path] : {std::pair(ID_TRAY_COMMANDSLOG, LogPath()),
                                        std::pair(ID_TRAY_RECEIVEDLOG, ReceivedPath())}) {
        std::ofstream(path) << "a record\n";
        ::PostMessageA(FindMainWindow(), WM_COMMAND, command, 0);
        EXPECT_TRUE(WaitForText(StandInRecord(), path)) << path;
        ::DeleteFileA(path.c_str());
    }
}

TEST_F(NetworkDialogTest, TheDialogShowsTheStoredChoicesAndOkStoresThemMovingTheListenerAtOnce)
{
    const struct { DWORD lastCommand; const char* shown; DWORD sendAllowed; DWORD accepting; } cases[] = {
        {1, "Lock WorkStation & Dusklamp", 0, 1}, {DWORD(-1), "", 1, 0}};
    for (const auto& c : cases) {
        const unsigned short oldPort = peer::FreePort(), newPort = peer::FreePort(oldPort);
        WriteSetting("LastCommand", c.lastCommand);
        WriteSetting("WorkAsClient", c.accepting);
        WriteSetting("ClientPort", DWORD(oldPort));
        HWND dialog = Open({"10.0.0.1,1960"}, c.sendAllowed);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(ItemText(dialog, IDC_COMMAND), c.shown);
        SelectRows(dialog, {0});
        EXPECT_TRUE(Remove(dialog, "10.0.0.1,1960", IDYES));
        // Send follows its box at once, either way.
        for (DWORD allowed : {c.sendAllowed, 1 - c.sendAllowed, c.sendAllowed}) {
            EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(dialog, IDC_SEND)) != FALSE, allowed == 1);
            ::SendDlgItemMessageA(dialog, IDC_SENDALLOWED, BM_CLICK, 0, 0);
        }
        EXPECT_EQ(peer::SendCommand(oldPort, ":silent"), c.accepting == 1);
        if (c.accepting == 0)
            ::SendDlgItemMessageA(dialog, IDC_ACCEPT, BM_CLICK, 0, 0);
        ::SetDlgItemTextA(dialog, IDC_PORT, std::to_string(newPort).c_str());
        ASSERT_TRUE(CloseDialog(dialog, kOk));
        EXPECT_TRUE(peer::SendCommand(newPort, ":silent")) << c.accepting;
        // A bare connection to a still open port would blank the display: harmless, and it fails.
        EXPECT_FALSE(peer::Accepts(oldPort)) << c.accepting;
        EXPECT_FALSE(FileBytes(ClientsPath())) << "the emptied list takes its file with it";
        m_app.Terminate();
    }
}

TEST_F(NetworkDialogTest, AddChecksItsFieldsRemoveTakesTheFirstSelectedRowAndOnlyOkWritesTheList)
{
    const std::vector<std::string> rows = {"10.0.0.1,1960", "10.0.0.2,1961", "10.0.0.3,1962"};
    // Address 0 leaves it blank; only the last entry is taken.
    const struct { DWORD address; const char* port; const char* refusal; } entries[] = {
        {0, "1960", "Please Enter the IP Address of the new Computer and Port Number"},
        {kNewAddress, "0", kRangeMessage}, {kNewAddress, "70000", kRangeMessage}, {kNewAddress, "2000", nullptr}};
    // Wine 8 replaces a read-only file all the same, where Windows refuses; both refuse to replace
    // a file held open without sharing its deletion, as the C library holds it, so that stands in.
    const struct { const char* name; Closing close; bool held; std::string file; } cases[] = {
        {"Esc", kEscape, false, ListFile(rows)},
        {"the close box", kCloseBox, false, ListFile(rows)},
        {"OK while another program holds the file", kOk, true, ListFile(rows)},
        {"OK", kOk, false, ListFile({rows[0], rows[2], "192.168.0.7,2000"})},
    };
    for (const auto& c : cases) {
        HWND dialog = Open(rows);
        ASSERT_NE(dialog, nullptr) << c.name;
        const std::ifstream holder(c.held ? ClientsPath() : std::string());
        ClickButton(dialog, IDC_ADDCOMPUTER);
        HWND add = WaitForDialog(m_app.Id(), "Dusklamp : Add New Computer");
        ASSERT_NE(add, nullptr) << c.name;
        EXPECT_EQ(ItemText(add, IDC_NEWPORT), "1960");
        for (const auto& e : entries) {
            ::SendDlgItemMessageA(add, IDC_IPADDRESS, e.address ? IPM_SETADDRESS : IPM_CLEARADDRESS, 0, e.address);
            ::SetDlgItemTextA(add, IDC_NEWPORT, e.port);
            ClickButton(add, IDOK);
            EXPECT_TRUE(!e.refusal || AnswerMessageBox(e.refusal, IDOK)) << e.port;
            EXPECT_EQ(WaitUntil([&] { return !::IsWindowVisible(add); }, e.refusal ? 0 : 10000), !e.refusal) << e.port;
        }
        // With the new row, three are selected: removing more than the first would show in the file.
        SelectRows(dialog, {1, 2, 3});
        EXPECT_TRUE(Remove(dialog, rows[1], IDNO)) << c.name;
        EXPECT_TRUE(Remove(dialog, rows[1], IDYES)) << c.name;
        ASSERT_TRUE(CloseDialog(dialog, c.close)) << c.name;
        EXPECT_EQ(FileBytes(ClientsPath()), c.file) << c.name;
        EXPECT_FALSE(FileBytes(ClientsPath() + ".new")) << c.name;
    }
}

TEST_F(NetworkDialogTest, OkRewritesTheListOnlyWhenChangedAndSaysSoWhenItCannot)
{
    // NUL bytes cut fields wherever the list is taken as text: only an edit may rewrite it.
    const char kOdd[] = "10.0.0.1,19\0" "60\r\n10.0.0.2\0,1960\r\n";
    const std::string odd(kOdd, sizeof(kOdd) - 1);
    const std::string notSaved = "Your changes to the computer list were not saved: \"" + ClientsPath()
        + "\" could not be read when this window opened.";
    const struct { const char* name; std::string file; bool held, add; } cases[] = {
        {"an unchanged list", odd, false, false},
        {"a list it could not read", ListFile({"10.0.0.1,1960"}), true, false},
        {"a list it could not read, with a computer added", ListFile({"10.0.0.1,1960"}), true, true},
    };
    for (const auto& c : cases) {
        std::ofstream(ClientsPath(), std::ios::binary) << c.file;
        // Held without sharing while the dialog opens, as by a program writing it; released before OK.
        HANDLE holder = c.held ? ::CreateFileA(ClientsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                               : INVALID_HANDLE_VALUE;
        HWND dialog = OpenDialog();
        ::CloseHandle(holder);
        ASSERT_NE(dialog, nullptr) << c.name;
        if (c.add) {
            ClickButton(dialog, IDC_ADDCOMPUTER);
            HWND add = WaitForDialog(m_app.Id(), "Dusklamp : Add New Computer");
            ASSERT_NE(add, nullptr);
            ::SendDlgItemMessageA(add, IDC_IPADDRESS, IPM_SETADDRESS, 0, kNewAddress);
            ASSERT_TRUE(PressButton(add, IDOK));
        }
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(!c.add || AnswerMessageBox(notSaved, IDOK, nullptr)) << c.name;
        EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(dialog); })) << c.name;
        EXPECT_EQ(FileBytes(ClientsPath()), c.file) << c.name;
    }
}

// How long the opening takes is measured by the benchmark.
TEST_F(NetworkDialogTest, TenThousandComputersAllShowAndTheDialogOpensAgain)
{
    std::vector<std::string> rows;
    for (int i = 0; i < 10000; ++i)
        rows.push_back("10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256) + ",1960");
    ASSERT_NE(StartResident(":silent"), nullptr);
    std::ofstream(ClientsPath(), std::ios::binary) << ListFile(rows);
    for (int opening = 0; opening < 2; ++opening) {
        HWND dialog = OpenDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_COMPUTERS, LVM_GETITEMCOUNT, 0, 0), 10000);
        ASSERT_TRUE(CloseDialog(dialog, kEscape));
    }
}

// A computer whose accept queue is full never answers; one with a port out of range fails at once.
TEST_F(NetworkDialogTest, AComputerThatNeverAnswersFreezesNothingUntilItsTimeOutAndEscEndsTheRound)
{
    peer::Listener silent, unreached;
    ASSERT_TRUE(silent.Hold());
    const unsigned short ownPort = peer::FreePort();
    WriteSetting("WorkAsClient", DWORD(1));
    WriteSetting("ClientPort", DWORD(ownPort));
    StoreHotKey(VK_F9, MOD_CONTROL);
    const std::vector<std::string> rows = {"127.0.0.1,65537", Row(silent.Port()), Row(silent.Port()),
                                           Row(unreached.Port())};
    // Held open for appending, as another Dusklamp holds it: the records go in all the same.
    HANDLE log = ::CreateFileA(LogPath().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, 0, nullptr);
    HWND dialog = Open(rows);
    ASSERT_NE(dialog, nullptr);
    SendTo(dialog, {0, 1, 2, 3}, kDawnlamp);
    EXPECT_TRUE(AnswerMessageBox(Failure(65537, WSAEADDRNOTAVAIL), IDOK, nullptr));
    const double triedAt = NowMs();
    EXPECT_TRUE(WaitUntil([&] { return LogRecords().size() == 2; }));

    // While the connection waits, the listener and the hot key act and the windows answer: all of
    // it before the attempt's time-out shows its box.
    EXPECT_TRUE(peer::SendCommand(ownPort, ":displayon"));
    EXPECT_TRUE(m_watcher.WaitForPowerEvents(1));
    PressKeys({VK_CONTROL, VK_F9});
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(2));
    EXPECT_EQ(m_watcher.PowerEventAt(1).power, kPowerOff);
    DWORD_PTR result = 0;
    for (HWND window : {dialog, m_main})
        EXPECT_TRUE(::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result));
    EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty()) << "the time-out came before the others had their turn";

    EXPECT_TRUE(WaitUntil([&] { return !FindDialogs(m_app.Id(), "Dusklamp").empty(); }, 60000));
    EXPECT_TRUE(AnswerMessageBox(Failure(silent.Port(), WSAETIMEDOUT), IDOK, nullptr));
    EXPECT_GT(NowMs() - triedAt, 10000) << "the attempt gave up early";
    EXPECT_TRUE(WaitUntil([&] { return LogRecords().size() == 3; }));
    ASSERT_TRUE(CloseDialog(dialog, kEscape));
    // Meanwhile a request opens a fresh dialog rather than bring back the one on its way out.
    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_NETWORK, 0);
    HWND fresh = WaitForDialog(m_app.Id(), kNetworkCaption);
    EXPECT_TRUE(fresh && fresh != dialog && !::IsWindowVisible(dialog));
    ASSERT_TRUE(CloseDialog(fresh, kEscape));
    // The computer being tried gets its command when it answers at last, never an empty
    // connection (which it would take for "turn the display off"); nothing comes after it: no
    // attempt, record or message.
    silent.Release();
    EXPECT_EQ(silent.Next(), ":displayon");
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(dialog); }));
    EXPECT_EQ(unreached.Next(1000), "<no connection>");
    EXPECT_EQ(LogRecords().size(), 3u);
    EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty());
    ::CloseHandle(log);

    // A connection cut short by the program's own exit is no failure: nothing to answer on the way out.
    dialog = Open(rows);
    ASSERT_NE(dialog, nullptr);
    SendTo(dialog, {1}, kDawnlamp);
    EXPECT_TRUE(WaitUntil([&] { return LogRecords().size() == 4; }));
    // With no hot key stored, Exit asks nothing.
    StoreHotKey(0, 0);
    ::PostMessageA(m_main, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(m_app.WaitForExit());
}

TEST_F(NetworkDialogTest, TheAllowedSendersDecideAtAcceptAndEveryConnectionIsLoggedWithWhatCameOfIt)
{
    const DWORD kReadLimitMs = 3000;  // for a connected peer to send its command (see CCommandSocket)
    // A peer that says nothing is closed at once when refused, and only at the read limit otherwise.
    const struct { const char* list; const char* from; const char* bytes; std::initializer_list<LPARAM> broadcasts;
                   std::string logged; } cases[] = {
        {"127.0.0.2", "127.0.0.1", nullptr, {}, "Refused"},
        {"127.0.0.2", "127.0.0.2", ":displayon", {kPowerOn}, "Dawnlamp"},
        {"10.0.0.0/8, 127.0.0.0/30", "127.0.0.2", " ", {kPowerOff}, "Dusklamp"},
        {"10.0.0.0/8, 127.0.0.0/30", "127.0.0.5", nullptr, {}, "Refused"},
        {"", "127.0.0.5", ":silent", {}, ":silent"},
        {"", "127.0.0.1", nullptr, {}, "Silent"},
        // Written by hand or by another program: nobody, never everyone.
        {"127.0.0.1 localhost", "127.0.0.1", nullptr, {}, "Refused"},
        {" , ,", "127.0.0.1", nullptr, {}, "Refused"},
        {"127.0.0.0/0", "127.0.0.1", nullptr, {}, "Refused"},
        {nullptr, "127.0.0.1", nullptr, {}, "Refused"},  // a number, not a list
        {"0.0.0.0/0", "127.0.0.5", ":silent", {}, ":silent"},
    };
    ASSERT_TRUE(Listen());
    std::size_t count = 0;
    for (const auto& c : cases) {
        c.list ? WriteSetting("AllowedSenders", std::string(c.list)) : WriteSetting("AllowedSenders", DWORD(0));
        m_watcher.Clear();
        peer::Connection connection;
        ASSERT_TRUE(connection.Connect(m_port, 5000, ntohl(::inet_addr(c.from)))) << c.logged;
        if (c.bytes) {
            EXPECT_TRUE(connection.Send(c.bytes));
            connection.FinishSending();
        }
        const double start = NowMs();
        EXPECT_TRUE(connection.ClosedByPeerWithoutData(kReadLimitMs * 5)) << c.logged;
        const double closedAfter = NowMs() - start;
        EXPECT_TRUE(c.logged != "Silent" || closedAfter > kReadLimitMs - 500) << closedAfter;
        EXPECT_TRUE(c.logged != "Refused" || closedAfter < kReadLimitMs - 500) << "dropped, not refused";
        ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, c.broadcasts));
        ASSERT_TRUE(WaitUntil([&] { return LogRecords(ReceivedPath()).size() == count + 1; })) << c.logged;
        EXPECT_EQ(LogRecords(ReceivedPath())[count++],
                  std::string(c.from) + "," + std::to_string(connection.LocalPort()) + "," + c.logged + "\r");
    }
}

TEST_F(NetworkDialogTest, TheReceivedLogStartsAfreshPastItsLimitAndOneThatCannotBeWrittenCostsNoCommand)
{
    ASSERT_TRUE(Listen());
    const std::string full = std::string(1024 * 1024 - 20, 'x') + "\r\n";
    std::ofstream(ReceivedPath(), std::ios::binary) << full;
    // Of the older log, its commands stay; what strangers did goes.
    const std::string command = "7/12/2026 9:00:00 AM,10.0.0.1,5,Dawnlamp\r\n";
    std::ofstream(OlderReceivedPath(), std::ios::binary)
        << "7/12/2026 8:00:00 AM,10.0.0.9,4,Refused 900\r\n" << command << "7/12/2026 9:00:01 AM,10.0.0.9,6,Silent\r\n";
    // The record is written before the connection closes: once closed, the files are as they stay.
    ASSERT_TRUE(peer::SendCommand(m_port, ":displayon"));
    EXPECT_EQ(FileBytes(OlderReceivedPath()), command + full);
    EXPECT_EQ(LogRecords(ReceivedPath()).size(), 1u);

    // Held without sharing, as some spreadsheet programs hold what they show.
    HANDLE holder = ::CreateFileA(ReceivedPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(peer::SendCommand(m_port, ":displayon"));
    ::CloseHandle(holder);
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOn, kPowerOn}));
    EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty());
    EXPECT_EQ(LogRecords(ReceivedPath()).size(), 1u);
}

TEST_F(NetworkDialogTest, AMalformedAllowedSenderIsNamedWithTheFocusOnTheListAndOnlyOkStoresItsShortestForm)
{
    const char* kEntered = "127.0.0.2,127.0.0.1/30  127.0.0.2";
    const struct { const char* entered; const char* refused; Closing closing; std::optional<std::string> stored; }
        cases[] = {{"127.0.0.1 010.0.0.1 x", "010.0.0.1", kOk, std::nullopt},
                   {kEntered, nullptr, kEscape, std::nullopt},
                   {kEntered, nullptr, kOk, "127.0.0.2, 127.0.0.0/30"}};
    for (const auto& c : cases) {
        HWND dialog = Open({});
        ASSERT_NE(dialog, nullptr);
        ClickButton(dialog, IDC_ALLOWEDSENDERS);
        HWND senders = WaitForDialog(m_app.Id(), "Dusklamp : Allowed Senders");
        ASSERT_NE(senders, nullptr);
        ::SetDlgItemTextA(senders, IDC_SENDERLIST, c.entered);
        ClickButton(senders, IDOK);
        if (c.refused) {
            EXPECT_TRUE(AnswerMessageBox(std::string("\"") + c.refused + "\" is not an IPv4 address or range.\nPlease "
                "enter addresses such as 192.168.1.5 and ranges such as 192.168.1.0/24, separated by spaces or commas.",
                IDOK, senders));
            EXPECT_TRUE(WaitUntil([&] { return FocusOf(senders) == ::GetDlgItem(senders, IDC_SENDERLIST); }));
            ASSERT_TRUE(PressButton(senders, IDCANCEL));
        }
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(senders); }));
        ASSERT_TRUE(CloseDialog(dialog, c.closing));
        EXPECT_EQ(ReadSettingString("AllowedSenders"), c.stored) << c.entered;
    }
}

// The machine's policy decides over the user's own values, which say the opposite: the listener takes
// its port and its senders, the dialog shows them greyed with the note, and OK stores none of them.
TEST_F(NetworkDialogTest, AMachinePolicyDecidesReceivingOverTheUsersOwnValuesWhichOkLeavesAsTheyWere)
{
    const unsigned short policyPort = peer::FreePort(), ownPort = peer::FreePort(policyPort);
    WriteSetting("WorkAsClient", DWORD(0));
    WriteSetting("ClientPort", DWORD(ownPort));
    WriteSetting("AllowedSenders", std::string("127.0.0.1"));
    WritePolicy(HKEY_LOCAL_MACHINE, "WorkAsClient", DWORD(1));
    WritePolicy(HKEY_LOCAL_MACHINE, "ClientPort", DWORD(policyPort));
    WritePolicy(HKEY_LOCAL_MACHINE, "AllowedSenders", std::string("127.0.0.2"));
    const u_long second = ntohl(::inet_addr("127.0.0.2"));
    // Whether the program refused a silent peer from this address: the log says so.
    const auto refuses = [&](u_long from) {
        const std::size_t before = LogRecords(ReceivedPath()).size();
        peer::Connection connection;
        if (!connection.Connect(policyPort, 5000, from) || !connection.ClosedByPeerWithoutData())
            return false;
        const std::string record = (from == second ? "127.0.0.2," : "127.0.0.1,")
            + std::to_string(connection.LocalPort()) + ",Refused\r";
        return WaitUntil([&] { return LogRecords(ReceivedPath()).size() == before + 1; })
            && LogRecords(ReceivedPath()).back() == record;
    };

    ASSERT_NE(StartResident(":silent"), nullptr);
    // The listener opens before the main window takes messages.
    EXPECT_TRUE(peer::SendCommand(policyPort, ":displayon", 30000, second));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOn}));
    EXPECT_FALSE(peer::Accepts(ownPort));

    // Before any refusal: the listener's end of a refused connection would hold the port a while
    // after the program closed it, and OK opens the listener again on the same port.
    HWND dialog = OpenDialog();
    ASSERT_NE(dialog, nullptr);
    for (int id : {IDC_ACCEPT, IDC_PORT, IDC_ALLOWEDSENDERS})
        EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog, id))) << id;
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog, IDC_SENDALLOWED)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(dialog, IDC_MANAGED)));
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_ACCEPT, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(ItemText(dialog, IDC_PORT), std::to_string(policyPort));
    ASSERT_TRUE(CloseDialog(dialog, kOk));
    EXPECT_EQ(ReadSettingInt("WorkAsClient"), DWORD(0));
    EXPECT_EQ(ReadSettingInt("ClientPort"), DWORD(ownPort));
    EXPECT_EQ(ReadSettingString("AllowedSenders"), "127.0.0.1");
    EXPECT_TRUE(refuses(INADDR_LOOPBACK));

    // A policy list that is no string lets nobody in, not even a sender the user's own list names.
    WriteSetting("AllowedSenders", std::string("127.0.0.2"));
    WritePolicy(HKEY_LOCAL_MACHINE, "AllowedSenders", DWORD(0));
    EXPECT_TRUE(refuses(second));
}

// The last computer is another Dusklamp in a Wine session of its own (in one session a second start
// would hand its switches to the first), which remote-session.sh makes, run by Wine as a host program
// without handles to wait on: the receiver below writes down how it goes.
TEST_F(NetworkDialogTest, SendPromptsForWhatIsMissingThenTriesTheSelectedRowsInOrderLoggingEachFirst)
{
    const unsigned short remotePort = peer::FreePort();
    const std::string source = __FILE__, bin = Process::Folder();
    const std::string remote = "Z:\\bin\\bash \"" + source.substr(0, source.find_last_of('/'))
        + "/remote-session.sh\" \"" + bin.substr(0, bin.size() - 1) + "\" " + std::to_string(remotePort);
    ASSERT_GT(::WinExec(remote.c_str(), SW_HIDE), 31u);
    peer::Listener first, unselected;
    const unsigned short closedPort = peer::FreePort();
    const std::vector<std::string> rows = {Row(first.Port()), Row(closedPort), Row(unselected.Port()), Row(remotePort)};
    // Ticked only now: the program started without the socket layer, and sending starts it.
    HWND dialog = Open(rows, 0);
    ASSERT_NE(dialog, nullptr);
    ::SendDlgItemMessageA(dialog, IDC_SENDALLOWED, BM_CLICK, 0, 0);
    SendTo(dialog, {0}, static_cast<WPARAM>(-1));
    EXPECT_TRUE(AnswerMessageBox("Please Select the Command to be Sent.", IDOK));
    SendTo(dialog, {}, 0);
    EXPECT_TRUE(AnswerMessageBox("Please Select the IP Address below.", IDOK));
    EXPECT_FALSE(FileBytes(LogPath()));

    // A session of its own takes a while: display, prefix copy, wineboot.
    ASSERT_TRUE(WaitForText(RemoteRecord(), "listening", 120000));
    ASSERT_TRUE(first.Hold());
    SendTo(dialog, {0, 1, 3}, kDawnlamp);
    // The record is there while the connection request still waits for an answer.
    EXPECT_TRUE(WaitUntil([&] { return LogRecords().size() == 1; }));
    first.Release();
    HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(first.Next(), ":displayon") << "before the failure was shown";
    EXPECT_EQ(LogRecords().size(), 2u) << "the next computer was tried before the message was answered";
    EXPECT_EQ(ItemText(box), Failure(closedPort, WSAECONNREFUSED));
    ASSERT_TRUE(PressButton(box, IDOK));

    EXPECT_TRUE(WaitForText(RemoteRecord(), "display on", 20000));
    EXPECT_EQ(unselected.Next(0), "<no connection>");
    const std::vector<std::string> records = {rows[0] + ",Dawnlamp\r", rows[1] + ",Dawnlamp\r",
                                              rows[3] + ",Dawnlamp\r"};
    EXPECT_EQ(LogRecords(), records);
    EXPECT_TRUE(WaitForText(RemoteRecord(), "ended", 60000)) << "the second session was not stopped";
}

// Run only by remote-session.sh: the receiving computer, which writes down what happens to it.
TEST_F(DusklampTest, DISABLED_ReceiverInASessionOfItsOwn)
{
    const char* port = std::getenv("DUSKLAMP_REMOTE_PORT");
    ASSERT_NE(port, nullptr);
    WriteSetting("WorkAsClient", DWORD(1));
    WriteSetting("ClientPort", DWORD(std::atoi(port)));
    ASSERT_NE(StartResident(":silent"), nullptr);
    std::ofstream record(RemoteRecord(), std::ios::app);
    record << "listening" << std::endl;
    if (m_watcher.WaitForPowerEvents(1, 120000))
        record << (m_watcher.PowerEventAt(0).power == kPowerOn ? "display on" : "display off") << std::endl;
}

}  // namespace
