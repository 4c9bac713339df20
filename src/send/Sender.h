// Sends one command to many computers at once, each with its own deadline, and reports them in the order given.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "send/SendOptions.h"
#include "send/SendSocket.h"

struct SendOutcome {
    bool reached = false;
    std::string reason;  // why not, on one line
};

// What SendRun::next gives: a computer, none yet (the list's next line is still to come), or none left.
enum class NextTarget { Taken, NotYet, NoneLeft };

struct SendRun {
    std::string_view wire;
    unsigned timeoutMs = 3000;
    unsigned jobs = 64;
    // Look-ups running at once, those left over from timed-out computers included; at least jobs.
    unsigned lookupThreads = kMaxLookupThreads;
    // Hands out the next computer in the order given. Asked only as computers are taken, so a list is
    // read no faster than it is sent to. It never waits: while the list's next line is still to come
    // it says NotYet, and calls CClientSocket::Wake() once it has come, so that the round waits for
    // the list and the sockets together and a computer that connects meanwhile has its command at once.
    std::function<NextTarget(SendTarget& target)> next;
    // Called for each computer just before it is tried, in the order given: the log's place.
    std::function<void(const SendTarget& target)> beforeAttempt;
    // Called for each computer in the order given, as soon as it and every computer before it are done.
    std::function<void(const SendTarget& target, const SendOutcome& outcome)> report;
    // Called after the reports ready so far, before the round takes further computers or waits: the
    // place to flush them.
    std::function<void()> reportsGiven;
};

// Each computer's time-out covers the look-up of its name as well as its connection. True when every
// computer was reached.
bool SendToAll(const SendRun& run);
