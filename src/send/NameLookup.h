// A host name looked up on a thread of its own, so that a name server that never answers holds back no other computer.
#pragma once

#include <cstdint>
#include <string>

class CNameLookup {
public:
    CNameLookup() = default;
    // A look-up still running is left to its thread, which frees what it holds when the system gives up.
    ~CNameLookup();
    CNameLookup(const CNameLookup&) = delete;
    CNameLookup& operator=(const CNameLookup&) = delete;

    // Starts looking host up; false while no thread can be had, for maxThreads look-ups are still running.
    bool Begin(const std::string& host, unsigned maxThreads);
    bool IsStarted() const { return m_shared != nullptr; }
    // True once the look-up has ended; then resolved says whether address holds the result, or reason why not.
    bool Poll(bool& resolved, std::uint32_t& address, std::string& reason) const;

private:
    struct Shared;
    Shared* m_shared = nullptr;
};
