// dusklamp-send.exe against a running dusklamp.exe that accepts commands: the display broadcast follows.
#include <string>

#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

namespace {

// Runs dusklamp-send.exe from beside this program; its exit code, or -1 when it did not end in time.
int RunSender(const std::string& arguments)
{
    char path[MAX_PATH] = "";
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string commandLine(path);
    commandLine.resize(commandLine.find_last_of("\\/") + 1);
    commandLine = "\"" + commandLine + "dusklamp-send.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(info.hProcess, 10000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(info.hProcess, &code);
    else
        ::TerminateProcess(info.hProcess, 1);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return static_cast<int>(code);
}

class SendTest : public DusklampTest {};

TEST_F(SendTest, OnReachesTheListeningProgramAndTheDisplayTurnsOn)
{
    const unsigned short port = peer::FreePort();
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", port);
    HWND main = StartResident(":silent");
    ASSERT_NE(main, nullptr);
    // ":silent" does nothing; that it was taken shows the listener is open.
    ASSERT_TRUE(WaitUntil([&] { return peer::SendCommand(port, ":silent", 2000); }));

    EXPECT_EQ(RunSender("on 127.0.0.1:" + std::to_string(port)), 0);
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    // Nothing else came of it: the next broadcast is the probe's own.
    ExpectBroadcastsBeforeProbe(main, {kPowerOn});
}

}  // namespace
