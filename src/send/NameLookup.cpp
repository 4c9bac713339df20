// Host names looked up beside the sender's loop, one thread each, never waited for.
#include "send/NameLookup.h"

#include <atomic>

#include "send/SendSocket.h"

namespace {

std::atomic<unsigned> g_lookupThreads{0};

}  // namespace

// Owned by the look-up and its thread together; whichever lets go last frees it.
struct CNameLookup::Shared {
    std::string host;
    std::atomic<int> owners{2};
    std::atomic<bool> done{false};
    // Written by the thread before done, read by the look-up only after it.
    bool resolved = false;
    std::uint32_t address = 0;
    std::string reason;

    void Release()
    {
        if (owners.fetch_sub(1, std::memory_order_acq_rel) == 1)
            delete this;
    }

    static void Run(void* argument)
    {
        auto* shared = static_cast<Shared*>(argument);
        shared->resolved = ResolveIPv4(shared->host, shared->address, shared->reason);
        shared->done.store(true, std::memory_order_release);
        shared->Release();
        g_lookupThreads.fetch_sub(1);
        CClientSocket::Wake();
    }
};

CNameLookup::~CNameLookup()
{
    if (m_shared)
        m_shared->Release();
}

bool CNameLookup::Begin(const std::string& host, unsigned maxThreads)
{
    if (m_shared)
        return true;
    if (g_lookupThreads.fetch_add(1) >= maxThreads) {
        g_lookupThreads.fetch_sub(1);
        return false;
    }
    auto* shared = new Shared;
    shared->host = host;
    if (!StartDetachedThread(&Shared::Run, shared)) {
        g_lookupThreads.fetch_sub(1);
        delete shared;
        return false;
    }
    m_shared = shared;
    return true;
}

bool CNameLookup::Poll(bool& resolved, std::uint32_t& address, std::string& reason) const
{
    if (!m_shared || !m_shared->done.load(std::memory_order_acquire))
        return false;
    resolved = m_shared->resolved;
    address = m_shared->address;
    reason = m_shared->reason;
    return true;
}
