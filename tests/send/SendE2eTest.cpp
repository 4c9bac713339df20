// dusklamp-send.exe against a running dusklamp.exe that accepts commands: the display broadcast follows.
#include <process.h>

#include <string>

#include "DusklampTest.h"
#include "NetPeer.h"

using namespace harness;

namespace {

class SendTest : public DusklampTest {};

TEST_F(SendTest, OnReachesTheListeningProgramAndTheDisplayTurnsOn)
{
    const unsigned short port = peer::FreePort();
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", port);
    ASSERT_NE(StartResident(":silent"), nullptr);
    // ":silent" does nothing; that it was taken shows the listener is open.
    ASSERT_TRUE(WaitUntil([&] { return peer::SendCommand(port, ":silent", 2000); }));

    // The sender's own connection time-out bounds the wait for it.
    const std::string sender = Process::Folder() + "dusklamp-send.exe", target = "127.0.0.1:" + std::to_string(port);
    EXPECT_EQ(::_spawnl(_P_WAIT, sender.c_str(), "dusklamp-send", "on", target.c_str(), nullptr), 0);
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    // Nothing else came of it: the next broadcast is the probe's own.
    ExpectBroadcastsBeforeProbe(m_main, {kPowerOn});
}

}  // namespace
