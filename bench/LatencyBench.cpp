// Measures how long Dusklamp takes from a trigger to the display broadcast, and to become resident.
// Not a test: it prints figures against the 500 ms delay that every broadcast waits on purpose.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "Harness.h"
#include "NetPeer.h"

using namespace harness;

namespace {

const int kRounds = 5;

// Runs the trigger kRounds times, each after what prepares it, and prints how long each took until
// the watcher saw a broadcast (or, with no watcher, until the trigger itself returned).
void Measure(const char* what, const std::function<bool()>& trigger, Watcher* watcher, double floorMs,
             const std::function<void()>& prepare = nullptr)
{
    std::vector<double> samples;
    for (int round = 0; round < kRounds; ++round) {
        if (prepare)
            prepare();
        if (watcher)
            watcher->Clear();
        const double startMs = NowMs();
        if (trigger() && (!watcher || watcher->WaitForPowerEvents(1)))
            samples.push_back((watcher ? watcher->PowerEvents()[0].atMs : NowMs()) - startMs);
    }
    if (samples.empty()) {
        std::printf("%-40s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    const double median = samples[samples.size() / 2];
    std::printf("%-40s min %7.1f  median %7.1f  max %7.1f ms", what, samples.front(), median, samples.back());
    if (floorMs > 0)
        std::printf("   (median %+.1f ms over the %.0f ms floor)", median - floorMs, floorMs);
    std::printf("\n");
}

}  // namespace

int main()
{
    Watcher watcher;
    Process app;
    std::printf("Dusklamp latency, %d rounds each, as the watching window sees it:\n", kRounds);
    DeleteSettings();
    Measure("start (no switch) to power-off broadcast", [&] { return app.Start(""); }, &watcher, 500);
    app.Terminate();

    // No Alt: letting go of it would close the tray menu measured below.
    WriteSetting("Key", DWORD(VK_F9));
    WriteSetting("Mod", DWORD(MOD_CONTROL));
    Measure("start (:silent) to resident", [&] { return app.Start(":silent") && app.WaitUntilResident(); }, nullptr,
            0);
    HWND main = app.WaitUntilResident();
    Measure("private message to broadcast", [&] { return ::PostMessageA(main, UM_DISPLAYOFF, 0, 0) != FALSE; },
            &watcher, 500);
    const auto press = [] {
        PressKeys({VK_CONTROL, VK_F9});
        return true;
    };
    Measure("hot key press to broadcast", press, &watcher, 500);
    // The system's own modal loops: a message box (Wine refuses every lock) and the tray menu.
    ::PostMessageA(main, UM_LOCKDISPLAYOFF, 0, 0);
    if (HWND box = WaitForDialog(app.Id(), "Dusklamp")) {
        Measure("hot key press, message box open", press, &watcher, 500);
        PressButton(box, IDNO);
    }
    ::PostMessageA(main, UM_TRAYNOTIFY, IDR_TRAYMENU, WM_RBUTTONUP);
    if (WaitUntil([&] { return !FindWindows(app.Id(), "#32768", nullptr).empty(); }))
        Measure("hot key press, tray menu open", press, &watcher, 500);
    app.Terminate();

    // Keeping the display dark until a key is pressed: the time from the last mouse input to the
    // display's second blanking. (Its idle cost is measured from outside, by bench.sh.)
    WriteSetting("KeepDarkUntilKey", 1);
    if (app.Start(":silent") && (main = app.WaitUntilResident()) != nullptr) {
        watcher.Clear();
        press();
        watcher.WaitForPowerEvents(1);
        const auto nudge = [] {
            INPUT input = {};
            input.type = INPUT_MOUSE;
            input.mi.dx = 2;
            input.mi.dwFlags = MOUSEEVENTF_MOVE;
            return ::SendInput(1, &input, sizeof(input)) == 1;
        };
        Measure("last mouse input to re-blank", nudge, &watcher, 0);
    }
    app.Terminate();

    // The listener, with real loopback peers in the part of other computers.
    const unsigned short port = peer::FreePort();
    DeleteSettings();
    WriteSetting("WorkAsClient", 1);
    WriteSetting("ClientPort", port);
    if (app.Start(":silent") && app.WaitUntilResident() && WaitUntil([&] { return peer::SendCommand(port, ":silent"); })) {
        Measure("connect with :displayon to broadcast", [&] { return peer::SendCommand(port, ":displayon"); },
                &watcher, 500);
        const int connections = 500;
        int served = 0;
        const double startMs = NowMs();
        for (int i = 0; i < connections; ++i)
            served += peer::SendCommand(port, ":silent") ? 1 : 0;
        const double seconds = (NowMs() - startMs) / 1000;
        std::printf("%-40s %d of %d served, %.0f per second, one after the other\n", ":silent connections", served,
                    connections, served / seconds);
        // Silent peers held open meanwhile, fresh for each round, each accepted before the command
        // comes: every accepted connection is a handle of the program's.
        for (int idle : {10, 50}) {
            std::list<peer::Connection> held;
            const auto hold = [&] {
                // Those of the last round go once the program has dropped them: a peer that closes
                // first sends the empty text, which turns the display off.
                for (peer::Connection& connection : held)
                    connection.ClosedByPeerWithoutData();
                held.clear();
                const DWORD before = ProcessHandleCount(app.Id());
                for (int i = 0; i < idle; ++i) {
                    held.emplace_back();
                    held.back().Connect(port);
                    WaitUntil([&] { return ProcessHandleCount(app.Id()) + 2 >= before + i; }, 500);
                }
                WaitUntil([&] { return ProcessHandleCount(app.Id()) >= before + idle; }, 1000);
            };
            const std::string what = "the same with " + std::to_string(idle) + " silent peers held";
            Measure(what.c_str(), [&] { return peer::SendCommand(port, ":displayon"); }, &watcher, 500, hold);
        }
    }
    app.Terminate();
    DeleteSettings();
    return 0;
}
