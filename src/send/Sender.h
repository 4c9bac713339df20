// Sends one command to many computers at once, each with its own deadline, and reports them in the order given.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "send/SendOptions.h"

struct SendOutcome {
    bool reached = false;
    std::string reason;  // why not, on one line
};

struct SendRun {
    std::string_view wire;
    unsigned timeoutMs = 3000;
    unsigned jobs = 64;
    // Called for each computer just before it is tried, in the order given: the log's place.
    std::function<void(std::size_t index)> beforeAttempt;
    // Called for each computer in the order given, as soon as it and every computer before it are done.
    std::function<void(std::size_t index, const SendOutcome& outcome)> report;
};

// Every host name is resolved once, before the first attempt. True when every computer was reached.
bool SendToAll(const std::vector<SendTarget>& targets, const SendRun& run);
