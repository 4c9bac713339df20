// The sender's schedule: at most --jobs attempts in flight, each failing at its own deadline.
#include "send/Sender.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "net/AddressText.h"
#include "send/NameLookup.h"
#include "send/SendSocket.h"

namespace {

using Clock = std::chrono::steady_clock;

// Reports wait, in the order given, behind a computer that is slow to finish; with this many waiting
// no further computer is taken until it is done, so memory stays bounded whatever the list's size.
constexpr std::size_t kMaxReportsWaiting = 16384;

struct Report {
    SendTarget target;
    std::optional<SendOutcome> outcome;
};

struct Attempt {
    std::size_t sequence = 0;  // place in the order given
    Clock::time_point deadline;
    std::uint16_t port = 0;
    CNameLookup lookup;    // while the socket is idle: its address is not known yet
    CClientSocket socket;
};

class CSchedule {
public:
    explicit CSchedule(const SendRun& run) : m_run(run) {}

    bool Run();

private:
    void StartAttempts();
    void Start(SendTarget target);
    void WaitForAttempts();
    // True when the attempt is over: connected and sent, or failed.
    bool Settle(Attempt& attempt, Clock::time_point now);
    void Finish(std::size_t sequence, bool reached, std::string reason);
    void ReportReady();
    Report& ReportOf(std::size_t sequence) { return m_waiting[sequence - m_reported]; }

    const SendRun& m_run;
    std::deque<Report> m_waiting;  // every computer taken and not yet reported, from m_reported on
    std::vector<std::unique_ptr<Attempt>> m_active;
    std::size_t m_reported = 0;
    bool m_allTaken = false;
    bool m_listWaiting = false;  // the last computer asked for is still to come
    bool m_allReached = true;
};

bool CSchedule::Run()
{
    for (;;) {
        StartAttempts();
        ReportReady();
        if (m_active.empty() && m_allTaken)
            return m_allReached;
        // Nothing under way and the list not awaited: the waiting reports held the list back, and
        // have just been given, so more computers are taken at once.
        if (!m_active.empty() || m_listWaiting)
            WaitForAttempts();
    }
}

void CSchedule::StartAttempts()
{
    m_listWaiting = false;
    while (!m_allTaken && m_active.size() < m_run.jobs && m_waiting.size() < kMaxReportsWaiting) {
        SendTarget target;
        switch (m_run.next(target)) {
        case NextTarget::Taken:
            Start(std::move(target));
            break;
        case NextTarget::NotYet:
            m_listWaiting = true;
            return;
        case NextTarget::NoneLeft:
            m_allTaken = true;
            return;
        }
    }
}

void CSchedule::Start(SendTarget target)
{
    const std::size_t sequence = m_reported + m_waiting.size();
    m_waiting.push_back({std::move(target), std::nullopt});
    const SendTarget& taken = m_waiting.back().target;
    if (m_run.beforeAttempt)
        m_run.beforeAttempt(taken);
    // The system's look-up would end a name at a NUL and contact whatever it names up to there.
    if (HasControlBytes(taken.host)) {
        Finish(sequence, false, "bad computer");
        return;
    }
    // An address is read strictly, never by the system's lenient reader, which would take
    // "010.0.0.1" for 8.0.0.1 and "10.1" for 10.0.0.1: a malformed one reaches nobody.
    const bool isAddress = LooksLikeAddress(taken.host);
    std::uint32_t address = 0;
    if (isAddress && !ParseDottedAddress(taken.host, address)) {
        Finish(sequence, false, "bad address (four numbers from 0 to 255 without leading zeros)");
        return;
    }
    // Command-line ports were checked with the arguments; a list file's port is text as read.
    auto attempt = std::make_unique<Attempt>();
    if (!ParsePortText(taken.port, attempt->port)) {
        Finish(sequence, false, "bad port (a number from 1 to 65535)");
        return;
    }
    attempt->sequence = sequence;
    attempt->deadline = Clock::now() + std::chrono::milliseconds(m_run.timeoutMs);
    // An address needs no look-up; a name's look-up starts in Settle().
    if (isAddress)
        attempt->socket.BeginConnect(address, attempt->port);
    if (!Settle(*attempt, Clock::now()))
        m_active.push_back(std::move(attempt));
}

void CSchedule::WaitForAttempts()
{
    std::vector<CClientSocket*> sockets;
    bool lookingUp = false;
    // With no attempt under way, only the list is waited for, for as long as it takes.
    int timeoutMs = -1;
    if (!m_active.empty()) {
        Clock::time_point first = m_active.front()->deadline;
        for (const auto& attempt : m_active) {
            first = std::min(first, attempt->deadline);
            if (attempt->socket.GetState() == CClientSocket::State::Connecting)
                sockets.push_back(&attempt->socket);
            else
                lookingUp = true;
        }
        // Rounded up, so that the wait never ends a moment before the deadline and spins.
        const long long left =
            std::chrono::duration_cast<std::chrono::milliseconds>(first - Clock::now()).count() + 1;
        timeoutMs = static_cast<int>(std::max<long long>(left, 0));
    }
    CClientSocket::WaitForConnects(sockets, timeoutMs, lookingUp || m_listWaiting);
    const Clock::time_point now = Clock::now();
    m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                  [&](const auto& attempt) { return Settle(*attempt, now); }),
                   m_active.end());
}

bool CSchedule::Settle(Attempt& attempt, Clock::time_point now)
{
    CClientSocket& socket = attempt.socket;
    if (socket.GetState() == CClientSocket::State::Idle) {
        bool resolved = false;
        std::uint32_t address = 0;
        std::string reason;
        // A look-up that could not get a thread yet asks again each round, within the same deadline.
        const bool started = attempt.lookup.Begin(ReportOf(attempt.sequence).target.host, m_run.lookupThreads);
        if (!started || !attempt.lookup.Poll(resolved, address, reason)) {
            if (now < attempt.deadline)
                return false;
            Finish(attempt.sequence, false, started ? "name look-up timed out" : "no free thread for the name look-up");
            return true;
        }
        if (!resolved) {
            Finish(attempt.sequence, false, reason);
            return true;
        }
        socket.BeginConnect(address, attempt.port);
    }
    switch (socket.GetState()) {
    case CClientSocket::State::Connected:
        // One command per connection, and the receiver never answers: send, then close unread.
        if (!socket.Send(m_run.wire)) {
            Finish(attempt.sequence, false, SocketErrorText(socket.Error()));
            return true;
        }
        socket.Close();
        Finish(attempt.sequence, true, std::string());
        return true;
    case CClientSocket::State::Connecting:
        if (now < attempt.deadline)
            return false;
        socket.Close();
        Finish(attempt.sequence, false, SocketErrorText(TimedOutError()));
        return true;
    case CClientSocket::State::Failed:
    case CClientSocket::State::Idle:
        break;
    }
    Finish(attempt.sequence, false, SocketErrorText(socket.Error()));
    return true;
}

void CSchedule::Finish(std::size_t sequence, bool reached, std::string reason)
{
    ReportOf(sequence).outcome = SendOutcome{reached, std::move(reason)};
    if (!reached)
        m_allReached = false;
}

void CSchedule::ReportReady()
{
    const std::size_t before = m_reported;
    while (!m_waiting.empty() && m_waiting.front().outcome) {
        if (m_run.report)
            m_run.report(m_waiting.front().target, *m_waiting.front().outcome);
        m_waiting.pop_front();
        ++m_reported;
    }
    if (m_reported != before && m_run.reportsGiven)
        m_run.reportsGiven();
}

}  // namespace

bool SendToAll(const SendRun& run)
{
    CSchedule schedule(run);
    return schedule.Run();
}
