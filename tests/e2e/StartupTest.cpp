// Start-up, every way a request reaches its action (switches, a second start, menu commands),
// and the end of the program.
#include "DusklampTest.h"

#include <psapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <ostream>
#include <string>

using namespace harness;

namespace {

class StartupTest : public DusklampTest {};

TEST_F(StartupTest, PrivateDisplayOffMessageBlanksAfterAPauseThatFreezesNothingAndIsNoRepositionRequest)
{
    ASSERT_TRUE(StartResident(":silent"));
    // Half off the screen: had the dialog manager taken 0x402 as DM_REPOSITION, it would move back.
    // Wine's desktop, while it still starts up in a fresh session, moves windows back onto it too,
    // so the window is placed again until it has stayed put for half a second.
    int stayed = 0;
    ASSERT_TRUE(WaitUntil([&] {
        RECT placed;
        ::GetWindowRect(m_main, &placed);
        if (placed.left == -150 && placed.top == -40)
            return ++stayed >= 50;
        stayed = 0;
        ::SetWindowPos(m_main, nullptr, -150, -40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return false;
    }, 30000));
    const double sentAt = NowMs();
    EXPECT_EQ(::SendMessageA(m_main, UM_DISPLAYOFF, 0, 0), 1);
    // The half second before the broadcast holds nothing up: the window answers before it.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(::SendMessageTimeoutA(m_main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &ignored));
    const double answeredAt = NowMs();
    ASSERT_TRUE(m_watcher.WaitForPowerEvents(1));
    const auto events = m_watcher.PowerEvents();
    EXPECT_EQ(events[0].power, kPowerOff);
    EXPECT_GE(events[0].atMs - sentAt, 500.0);
    EXPECT_LT(answeredAt, events[0].atMs) << "the window answered only after the broadcast";
    RECT rect;
    ::GetWindowRect(m_main, &rect);
    EXPECT_EQ(rect.left, -150);
    EXPECT_EQ(rect.top, -40);
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOff}));
}

TEST_F(StartupTest, TenSimultaneousFirstStartsLeaveOneResidentAndNoBox)
{
    // With a hot key stored, a second resident would be refused it and say so.
    StoreHotKey(VK_F9, MOD_CONTROL | MOD_ALT);
    Process starts[10];
    for (Process& start : starts)
        ASSERT_TRUE(start.Start(":silent"));
    // All but one hand their request on and end.
    const auto isRunning = [](const Process& start) { return start.IsRunning(); };
    const auto running = [&] { return std::count_if(std::begin(starts), std::end(starts), isRunning); };
    ASSERT_TRUE(WaitUntil([&] { return running() == 1; }, 30000)) << running() << " still running";
    const Process* resident = std::find_if(std::begin(starts), std::end(starts), isRunning);
    ASSERT_NE(resident, std::end(starts)) << "the last one ended too";
    HWND main = resident->WaitUntilResident();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(::FindWindowExA(nullptr, main, nullptr, kMainWindowTitle), nullptr) << "a second main window";
    EXPECT_TRUE(FindDialogs(resident->Id(), nullptr).empty());
}

TEST_F(StartupTest, SessionEndSentToMainWindowOrPostedToItsThreadEndsProgramUnlessCancelled)
{
    ASSERT_TRUE(StartResident(":silent"));
    DWORD_PTR result = 0;
    // FALSE: the shutdown was cancelled and the session goes on.
    ASSERT_TRUE(::SendMessageTimeoutA(m_main, WM_ENDSESSION, FALSE, 0, SMTO_NORMAL, 5000, &result));
    ASSERT_TRUE(::SendMessageTimeoutA(m_main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result));
    EXPECT_TRUE(m_app.IsRunning());
    ::SendMessageTimeoutA(m_main, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &result);
    EXPECT_TRUE(m_app.WaitForExit());

    ASSERT_TRUE(StartResident(":silent"));
    ASSERT_TRUE(::PostThreadMessageA(::GetWindowThreadProcessId(m_main, nullptr), WM_ENDSESSION, TRUE, 0));
    EXPECT_TRUE(m_app.WaitForExit());
}

// A request comes as the first start's switches, as a second start's (which hands it to the
// running instance and ends at once, whatever the request opens), or as a menu command.
enum class Via { FirstStart, SecondStart, Command };
enum class Effect { Nothing, Shown, PowerOff, PowerOn, LockBox, ScheduleDialog };

struct RequestCase { Via via; const char* arguments; Effect effect; UINT command = 0; };

void PrintTo(const RequestCase& c, std::ostream* os)
{
    const char* via[] = {"first start", "second start", "command"};
    *os << via[static_cast<int>(c.via)] << " \"" << c.arguments << "\" " << c.command;
}

class RequestTest : public DusklampTest, public ::testing::WithParamInterface<RequestCase> {};

TEST_P(RequestTest, ReachesItsActionOnce)
{
    const RequestCase& request = GetParam();
    Process second;
    HWND main = request.via == Via::FirstStart ? nullptr : StartResident(":silent");
    ASSERT_TRUE(main || request.via == Via::FirstStart);
    const double requestedAt = NowMs();
    const bool sent = request.via == Via::FirstStart    ? m_app.Start(request.arguments)
                      : request.via == Via::SecondStart ? second.Start(request.arguments)
                                                        : ::PostMessageA(main, WM_COMMAND, request.command, 0);
    ASSERT_TRUE(sent);
    const bool viaSecondStart = request.via == Via::SecondStart;
    if (request.effect == Effect::LockBox) {
        // Wine always refuses LockWorkStation, which is exactly the failure path.
        HWND box = WaitForDialog(m_app.Id(), "Dusklamp");
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(!viaSecondStart || second.WaitForExit()) << "the second start waited while the box was open";
        EXPECT_TRUE(::GetDlgItem(box, IDYES) && !::GetDlgItem(box, IDOK));
        ASSERT_TRUE(AnswerMessageBox("Could not Lock WorkStation", IDNO, nullptr));
    } else if (request.effect == Effect::ScheduleDialog) {
        HWND dialog = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
        ASSERT_NE(dialog, nullptr);
        EXPECT_TRUE(!viaSecondStart || second.WaitForExit()) << "the second start waited while the dialog was open";
        EXPECT_TRUE(FindDialogs(m_app.Id(), "Dusklamp").empty());
        ASSERT_TRUE(PressButton(dialog, IDCANCEL));
    }
    EXPECT_TRUE(!viaSecondStart || second.WaitForExit());
    main = m_app.WaitUntilResident();
    ASSERT_NE(main, nullptr);
    if (request.effect == Effect::PowerOff || request.effect == Effect::PowerOn) {
        ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(main, {request.effect == Effect::PowerOn ? kPowerOn : kPowerOff}));
        EXPECT_GE(m_watcher.PowerEventAt(0).atMs - requestedAt, 500.0);
    } else {
        ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(main));
    }
    EXPECT_EQ(::IsWindowVisible(main) != FALSE, request.effect == Effect::Shown);
    // No request writes a setting (reading them creates no key either).
    EXPECT_EQ(SettingsValueCount().value_or(0), DWORD(0));
    EXPECT_TRUE(m_app.IsRunning());
    EXPECT_EQ(FindMainWindow(), main) << "a second start must not leave a window of its own";
}

const RequestCase kRequests[] = {
    {Via::FirstStart, "", Effect::PowerOff}, {Via::FirstStart, ":displayon", Effect::PowerOn},
    {Via::FirstStart, "/x:SiLeNt", Effect::Nothing}, {Via::FirstStart, ":SETTINGS", Effect::Shown},
    {Via::FirstStart, "--please:lockit", Effect::LockBox}, {Via::FirstStart, ":lock:shutdown", Effect::ScheduleDialog},
    {Via::SecondStart, ":settings", Effect::Shown}, {Via::SecondStart, ":Silent", Effect::Nothing},
    {Via::SecondStart, ":lock", Effect::LockBox}, {Via::SecondStart, ":shutdown", Effect::ScheduleDialog},
    {Via::SecondStart, ":displayon", Effect::PowerOn}, {Via::SecondStart, "", Effect::PowerOff},
    // The second start's own order: a first start would open the schedule dialog.
    {Via::SecondStart, ":shutdown :lock", Effect::LockBox},
    {Via::Command, "", Effect::LockBox, ID_TRAY_LOCKDISPLAYOFF}, {Via::Command, "", Effect::Shown, ID_TRAY_HOTKEY}};

INSTANTIATE_TEST_SUITE_P(EachWay, RequestTest, ::testing::ValuesIn(kRequests));


// A second start's dialog opens beside the one the resident shows, owned by the main window as
// every dialog of a request is, and the second start does not wait for either. Neither waits for
// the other: the schedule confirmed while the network dialog stays open acts at once.
TEST_F(StartupTest, ASecondStartEndsAtOnceWhileTheScheduleDialogIsOpenAndItsDialogIsNotOwnedByIt)
{
    WriteSetting("IntroductionOfNetwork", DWORD(1));
    ASSERT_TRUE(StartResident(":silent"));
    ::PostMessageA(m_main, UM_SCHEDULE, 0, 0);
    HWND schedule = WaitForDialog(m_app.Id(), "Schedule - Dusklamp");
    ASSERT_NE(schedule, nullptr);
    Process second;
    ASSERT_TRUE(second.Start(":network"));
    EXPECT_TRUE(second.WaitForExit()) << "the second start waits on the resident's dialogs";
    HWND network = WaitForDialog(m_app.Id(), "Dusklamp : Network Settings");
    ASSERT_NE(network, nullptr);
    EXPECT_EQ(::GetWindow(network, GW_OWNER), m_main);
    EXPECT_TRUE(::IsWindowVisible(schedule));
    // As first proposed: shutdown in an hour, with the display off now.
    ASSERT_TRUE(PressButton(schedule, IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectBroadcastsBeforeProbe(m_main, {kPowerOff}));
    EXPECT_TRUE(::IsWindowVisible(network));
    // The network dialog has no Cancel button; Esc ends it the same way.
    ::PostMessageA(network, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(network); }));
}

// The two builds differ only in their processor, and each copy must say which it is; a manifest
// naming the other processor would quietly leave the program with the old common controls.
TEST_F(StartupTest, ProgramNamesItsProcessorAndLoadsTheCommonControlsItsManifestAsksFor)
{
    const bool is64 = sizeof(void*) == 8;
    const std::string exe = Process::Folder() + "dusklamp.exe";
    std::string version(::GetFileVersionInfoSizeA(exe.c_str(), nullptr), '\0');
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    char* description = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(version.data(), "\\StringFileInfo\\040904b0\\FileDescription",
                                 reinterpret_cast<void**>(&description), &length));
    EXPECT_STREQ(description, is64 ? "Dusklamp (64-bit)" : "Dusklamp (32-bit)");

    ASSERT_TRUE(StartResident(":silent"));
    HANDLE process = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, m_app.Id());
    ASSERT_NE(process, nullptr);
    HMODULE modules[512];
    DWORD bytes = 0;
    std::string controls;
    if (::EnumProcessModules(process, modules, sizeof(modules), &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE); ++i) {
            char path[MAX_PATH] = "";
            ::GetModuleFileNameExA(process, modules[i], path, sizeof(path));
            if (::StrStrIA(path, "comctl32"))
                controls = path;
        }
    }
    ::CloseHandle(process);
    EXPECT_TRUE(::StrStrIA(controls.c_str(), "winsxs")) << controls;
    EXPECT_TRUE(::StrStrIA(controls.c_str(), is64 ? "amd64_" : "x86_")) << controls;
}

}  // namespace
