// Reading the list file on a thread of its own, a piece at a time, handed over to the sender's loop.
#include "send/ListStream.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "send/SendSocket.h"

// Owned by the stream and its thread together; whichever lets go last closes the file and frees it.
struct CListStream::Shared {
    std::FILE* file = nullptr;
    std::atomic<int> owners{1};
    bool started = false;  // the stream's own

    std::mutex lock;
    std::condition_variable changed;
    // The piece is the thread's to fill while it is not full, and the stream's to empty while it is.
    bool full = false;
    bool abandoned = false;
    long got = 0;             // the last read's result: a count, 0 at the end, -1 on an error
    int error = 0;
    std::size_t handed = 0;   // of a count, how much the stream has taken
    char piece[64 * 1024];

    void Release()
    {
        if (owners.fetch_sub(1, std::memory_order_acq_rel) != 1)
            return;
        std::fclose(file);
        delete this;
    }

    static void Run(void* argument)
    {
        auto* shared = static_cast<Shared*>(argument);
        for (;;) {
            const long got = ReadSome(shared->file, shared->piece, sizeof(shared->piece));
            const int error = got < 0 ? (errno != 0 ? errno : EIO) : 0;
            std::unique_lock<std::mutex> hold(shared->lock);
            shared->got = got;
            shared->error = error;
            shared->handed = 0;
            shared->full = true;
            hold.unlock();
            shared->changed.notify_all();
            CClientSocket::Wake();
            if (got <= 0)
                break;
            // One piece at a time, so that a list of any size is held in little memory.
            hold.lock();
            shared->changed.wait(hold, [&] { return !shared->full || shared->abandoned; });
            if (shared->abandoned)
                break;
        }
        shared->Release();
    }
};

CListStream::~CListStream()
{
    if (!m_shared)
        return;
    {
        const std::lock_guard<std::mutex> hold(m_shared->lock);
        m_shared->abandoned = true;
    }
    m_shared->changed.notify_all();
    m_shared->Release();
}

bool CListStream::Open(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    m_shared = new Shared;
    m_shared->file = file;
    return true;
}

long CListStream::Read(char* buffer, std::size_t size, bool wait)
{
    Shared& shared = *m_shared;
    if (!shared.started) {
        if (wait)
            return ReadSome(shared.file, buffer, size);
        shared.owners.fetch_add(1, std::memory_order_relaxed);
        if (!StartDetachedThread(&Shared::Run, m_shared)) {
            shared.owners.fetch_sub(1, std::memory_order_relaxed);
            errno = EAGAIN;
            return -1;
        }
        shared.started = true;
    }
    std::unique_lock<std::mutex> hold(shared.lock);
    if (wait)
        shared.changed.wait(hold, [&] { return shared.full; });
    if (!shared.full)
        return kNotYet;
    // The end and an error stay as they are: the thread has stopped.
    if (shared.got <= 0) {
        errno = shared.error;
        return shared.got;
    }
    const std::size_t count = std::min(size, static_cast<std::size_t>(shared.got) - shared.handed);
    std::memcpy(buffer, shared.piece + shared.handed, count);
    shared.handed += count;
    if (shared.handed < static_cast<std::size_t>(shared.got))
        return static_cast<long>(count);
    shared.full = false;
    hold.unlock();
    shared.changed.notify_all();
    return static_cast<long>(count);
}
