// The sender's schedule: at most --jobs attempts in flight, each failing at its own deadline.
#include "send/Sender.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "send/SendSocket.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Address {
    bool resolved = false;
    std::uint32_t address = 0;
    std::string reason;
};

struct Attempt {
    std::size_t index;
    Clock::time_point deadline;
    std::unique_ptr<CClientSocket> socket;
};

class CSchedule {
public:
    CSchedule(const std::vector<SendTarget>& targets, const SendRun& run)
        : m_targets(targets), m_run(run), m_outcomes(targets.size())
    {
    }

    bool Run();

private:
    void ResolveAll();
    void StartAttempts();
    void WaitForAttempts();
    // True when the attempt is over, connected and sent or failed.
    bool Settle(Attempt& attempt, Clock::time_point now);
    void Finish(std::size_t index, bool reached, std::string reason);
    void ReportReady();

    const std::vector<SendTarget>& m_targets;
    const SendRun& m_run;
    std::map<std::string, Address> m_addresses;
    std::vector<std::optional<SendOutcome>> m_outcomes;
    std::vector<Attempt> m_active;
    std::size_t m_next = 0;
    std::size_t m_reported = 0;
    bool m_allReached = true;
};

bool CSchedule::Run()
{
    ResolveAll();
    while (m_reported < m_targets.size()) {
        StartAttempts();
        ReportReady();
        if (!m_active.empty())
            WaitForAttempts();
    }
    return m_allReached;
}

void CSchedule::ResolveAll()
{
    for (const SendTarget& target : m_targets) {
        if (m_addresses.count(target.host) != 0)
            continue;
        Address address;
        address.resolved = ResolveIPv4(target.host, address.address, address.reason);
        m_addresses.emplace(target.host, address);
    }
}

void CSchedule::StartAttempts()
{
    while (m_next < m_targets.size() && m_active.size() < m_run.jobs) {
        const std::size_t index = m_next++;
        const SendTarget& target = m_targets[index];
        if (m_run.beforeAttempt)
            m_run.beforeAttempt(index);
        // Command-line ports were checked with the arguments; a list file's port is text as read.
        std::uint16_t port = 0;
        if (!ParsePortText(target.port, port)) {
            Finish(index, false, "bad port (a number from 1 to 65535)");
            continue;
        }
        const Address& address = m_addresses[target.host];
        if (!address.resolved) {
            Finish(index, false, address.reason);
            continue;
        }
        Attempt attempt{index, Clock::now() + std::chrono::milliseconds(m_run.timeoutMs),
                        std::make_unique<CClientSocket>()};
        attempt.socket->BeginConnect(address.address, port);
        if (!Settle(attempt, Clock::now()))
            m_active.push_back(std::move(attempt));
    }
}

void CSchedule::WaitForAttempts()
{
    Clock::time_point first = m_active.front().deadline;
    std::vector<CClientSocket*> sockets;
    for (const Attempt& attempt : m_active) {
        first = std::min(first, attempt.deadline);
        sockets.push_back(attempt.socket.get());
    }
    // Rounded up, so that the wait never ends a moment before the deadline and spins.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(first - Clock::now()).count() + 1;
    CClientSocket::WaitForConnects(sockets, static_cast<int>(std::max<long long>(left, 0)));
    const Clock::time_point now = Clock::now();
    m_active.erase(std::remove_if(m_active.begin(), m_active.end(),
                                  [&](Attempt& attempt) { return Settle(attempt, now); }),
                   m_active.end());
}

bool CSchedule::Settle(Attempt& attempt, Clock::time_point now)
{
    CClientSocket& socket = *attempt.socket;
    switch (socket.GetState()) {
    case CClientSocket::State::Connected:
        // One command per connection, and the receiver never answers: send, then close unread.
        if (!socket.Send(m_run.wire)) {
            Finish(attempt.index, false, SocketErrorText(socket.Error()));
            return true;
        }
        socket.Close();
        Finish(attempt.index, true, std::string());
        return true;
    case CClientSocket::State::Connecting:
        if (now < attempt.deadline)
            return false;
        socket.Close();
        Finish(attempt.index, false, SocketErrorText(TimedOutError()));
        return true;
    case CClientSocket::State::Failed:
    case CClientSocket::State::Idle:
        break;
    }
    Finish(attempt.index, false, SocketErrorText(socket.Error()));
    return true;
}

void CSchedule::Finish(std::size_t index, bool reached, std::string reason)
{
    m_outcomes[index] = SendOutcome{reached, std::move(reason)};
    if (!reached)
        m_allReached = false;
}

void CSchedule::ReportReady()
{
    while (m_reported < m_outcomes.size() && m_outcomes[m_reported]) {
        if (m_run.report)
            m_run.report(m_reported, *m_outcomes[m_reported]);
        ++m_reported;
    }
}

}  // namespace

bool SendToAll(const std::vector<SendTarget>& targets, const SendRun& run)
{
    CSchedule schedule(targets, run);
    return schedule.Run();
}
