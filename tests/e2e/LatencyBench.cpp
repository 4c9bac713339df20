// Measures how long Dusklamp takes from a trigger to the display broadcast, and to become resident.
// Not a test: it prints figures against the 500 ms delay that every broadcast waits on purpose.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "Harness.h"

using namespace harness;

namespace {

const int kRounds = 5;

void Report(const char* what, std::vector<double> samples, double floorMs)
{
    if (samples.empty()) {
        std::printf("%-40s no samples\n", what);
        return;
    }
    std::sort(samples.begin(), samples.end());
    std::printf("%-40s min %7.1f  median %7.1f  max %7.1f ms", what, samples.front(), samples[samples.size() / 2],
                samples.back());
    if (floorMs > 0)
        std::printf("   (median %+.1f ms over the %.0f ms floor)", samples[samples.size() / 2] - floorMs, floorMs);
    std::printf("\n");
}

}  // namespace

int main()
{
    Watcher watcher;
    std::vector<double> resident;
    std::vector<double> firstStart;
    std::vector<double> privateMessage;
    std::vector<double> hotKey;

    for (int round = 0; round < kRounds; ++round) {
        DeleteSettings();
        watcher.Clear();
        Process app;
        if (!app.Start(""))
            return 1;
        if (watcher.WaitForPowerEvents(1))
            firstStart.push_back(watcher.PowerEvents()[0].atMs - app.StartedAtMs());
        app.WaitUntilResident();
        app.Terminate();
    }

    DeleteSettings();
    WriteSettingInt("Key", 'M');
    WriteSettingInt("Mod", MOD_CONTROL | MOD_ALT);
    for (int round = 0; round < kRounds; ++round) {
        Process app;
        if (!app.Start(":silent"))
            return 1;
        if (app.WaitUntilResident())
            resident.push_back(NowMs() - app.StartedAtMs());
        app.Terminate();
    }

    Process app;
    if (!app.Start(":silent"))
        return 1;
    HWND main = app.WaitUntilResident();
    for (int round = 0; round < kRounds && main; ++round) {
        watcher.Clear();
        const double sent = NowMs();
        ::PostMessageA(main, kUmDisplayOff, 0, 0);
        if (watcher.WaitForPowerEvents(1))
            privateMessage.push_back(watcher.PowerEvents()[0].atMs - sent);

        watcher.Clear();
        const double pressed = NowMs();
        PressKeys({VK_CONTROL, VK_MENU, 'M'});
        if (watcher.WaitForPowerEvents(1))
            hotKey.push_back(watcher.PowerEvents()[0].atMs - pressed);
    }
    app.Terminate();
    DeleteSettings();

    std::printf("Dusklamp latency, %d rounds each, as the watching window sees it:\n", kRounds);
    Report("start (no switch) to power-off broadcast", firstStart, 500);
    Report("private message to broadcast", privateMessage, 500);
    Report("hot key press to broadcast", hotKey, 500);
    Report("start (:silent) to resident", resident, 0);
    return 0;
}
