// What another program on the desktop can do to Dusklamp: flood it with requests, take its title
// and hang; and two dialogs closed out of order.
#include "DusklampTest.h"

#include <atomic>
#include <ostream>
#include <utility>
#include <vector>

using namespace harness;

namespace {

struct Box { const char* caption; const char* text; int answer; };  // text nullptr: not checked

// Every modal loop dispatches posted messages, so each repeated request would open its box
// inside the last one until the stack ran out.
struct FloodCase {
    const char* name;
    std::vector<std::pair<UINT, WPARAM>> requests;  // posted in turn, again and again
    int repeats;
    std::vector<Box> boxes;  // each open exactly once afterwards, outermost first
};

void PrintTo(const FloodCase& c, std::ostream* os) { *os << c.name; }

class FloodTest : public DusklampTest, public ::testing::WithParamInterface<FloodCase> {};

TEST_P(FloodTest, RepeatedRequestsOpenEachBoxOnceAndTheProgramLivesOn)
{
    const FloodCase& flood = GetParam();
    WriteSetting("Mod", DWORD(MOD_SHIFT));  // a hot key is stored, so Exit asks first
    ASSERT_TRUE(StartResident(":silent"));
    for (int i = 0; i < flood.repeats; ++i) {
        for (const auto& request : flood.requests)
            ASSERT_TRUE(::PostMessageA(m_main, request.first, request.second, 0));
    }
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    for (const Box& box : flood.boxes)
        EXPECT_EQ(FindDialogs(m_app.Id(), box.caption).size(), 1u) << box.caption;
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(m_main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) << "still answering";

    for (auto box = flood.boxes.rbegin(); box != flood.boxes.rend(); ++box) {
        HWND open = WaitForDialog(m_app.Id(), box->caption);
        ASSERT_NE(open, nullptr);
        EXPECT_TRUE(!box->text || ItemText(open) == box->text) << ItemText(open);
        ASSERT_TRUE(PressButton(open, box->answer));
    }
    // No request was kept back to open another box later.
    m_watcher.Clear();
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    EXPECT_TRUE(FindDialogs(m_app.Id(), nullptr).empty());
    EXPECT_TRUE(m_app.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(
    Each, FloodTest,
    ::testing::Values(
        // Wine always refuses LockWorkStation, so every lock request wants its message box.
        FloodCase{"About and lock", {{WM_SYSCOMMAND, IDM_ABOUTBOX}, {UM_LOCKDISPLAYOFF, 0}}, 200,
                  {{"About Dusklamp", nullptr, IDOK}, {"Dusklamp", "Could not Lock WorkStation", IDNO}}},
        FloodCase{"schedule", {{UM_SCHEDULE, 0}}, 2, {{"Schedule - Dusklamp", nullptr, IDCANCEL}}},
        FloodCase{"Change without a key", {{WM_COMMAND, IDC_CHANGE}}, 50,
                  {{"Dusklamp", "Please Click on the Edit Box & Press Hot Key to Change the Key", IDOK}}},
        FloodCase{"Exit", {{WM_COMMAND, ID_TRAY_EXIT}}, 50, {{"Dusklamp", nullptr, IDNO}}}));

class HostileInputTest : public DusklampTest {};

// A top-level window of ours with the program's title, whose thread stops taking messages.
class HungWindow {
public:
    HungWindow()
        : m_release(::CreateEventA(nullptr, TRUE, FALSE, nullptr)), m_thread([this] {
              m_hwnd = ::CreateWindowExA(0, "STATIC", kMainWindowTitle, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                         nullptr, nullptr, nullptr);
              ::WaitForSingleObject(m_release, INFINITE);
              ::DestroyWindow(m_hwnd);
          })
    {
    }
    ~HungWindow()
    {
        ::SetEvent(m_release);
        m_thread.join();
        ::CloseHandle(m_release);
    }
    HWND Hwnd() const { return m_hwnd; }

private:
    HANDLE m_release;
    std::atomic<HWND> m_hwnd{nullptr};
    std::thread m_thread;
};

TEST_F(HostileInputTest, SecondStartEndsWhenTheWindowWithItsTitleIsHung)
{
    Process second;
    HungWindow hung;
    // Wine counts a window as hung once its thread has taken no message for five seconds.
    ASSERT_TRUE(WaitUntil([&] { return hung.Hwnd() && ::IsHungAppWindow(hung.Hwnd()); }, 15000));
    ASSERT_EQ(FindMainWindow(), hung.Hwnd());
    ASSERT_TRUE(second.Start(":lock"));
    EXPECT_TRUE(second.WaitForExit(10000)) << "the second start hangs with the window it found";
}

// Requests faster than the half second: each is answered no sooner than half a second after it,
// and none waits for the flood to end.
TEST_F(HostileInputTest, AFloodOfDisplayRequestsIsAnsweredNeitherTooSoonNorPutOff)
{
    ASSERT_TRUE(StartResident(":silent"));
    const double firstAt = NowMs();
    double lastAt = firstAt;
    int posted = 0;
    // Off and on in turn, twenty every ten milliseconds for three seconds; the last one is on.
    for (double next = firstAt; next < firstAt + 3000; next += 10) {
        WaitUntil([&] { return NowMs() >= next; });
        for (int i = 0; i < 20; ++i, ++posted) {
            lastAt = NowMs();
            ASSERT_TRUE(::PostMessageA(m_main, posted % 2 ? UM_DISPLAYON : UM_DISPLAYOFF, 0, 0));
        }
    }
    // The latest request wins: once the broadcasts have stopped, the last is a display-on. A busy
    // program may still be working through the flood well after it ended, so they count as
    // stopped only after two quiet seconds, the last no sooner than half a second after the end.
    ASSERT_TRUE(WaitUntil([&] {
        const auto events = m_watcher.PowerEvents();
        return !events.empty() && events.back().atMs >= lastAt + 500 && NowMs() - events.back().atMs >= 2000;
    }, 30000));
    EXPECT_EQ(m_watcher.PowerEvents().back().power, kPowerOn) << "the latest request lost";
    const auto events = m_watcher.PowerEvents();
    EXPECT_GE(events.front().atMs - firstAt, 500.0);
    // Answered while the flood still ran, not put off until it ended.
    EXPECT_LT(events.front().atMs, lastAt) << "put off by the flood";
    EXPECT_LT(events.size(), 20u) << "each of " << posted << " requests broadcast on its own";
}

TEST_F(HostileInputTest, OwnerStaysDisabledUntilTheLastOfTwoDialogsCloses)
{
    ASSERT_TRUE(StartResident(":settings"));
    ::PostMessageA(m_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = WaitForDialog(m_app.Id(), "About Dusklamp");
    ASSERT_NE(about, nullptr);
    // As a forwarded ":shutdown" would while the About box is open.
    ::PostMessageA(m_main, UM_SCHEDULE, 0, 0);
    HWND schedule = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
    ASSERT_NE(schedule, nullptr);

    ASSERT_TRUE(PressButton(about, IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main));
    EXPECT_FALSE(::IsWindowEnabled(m_main)) << "enabled under the open schedule dialog";
    ASSERT_TRUE(PressButton(schedule, IDCANCEL));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(m_main) && !::IsWindow(about); }));
}

}  // namespace
