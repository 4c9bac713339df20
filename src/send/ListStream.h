// The list file read on a thread of its own, so that the sender's loop never waits for it.
#pragma once

#include <cstddef>
#include <string>

// The bytes of a list file as they come. A list fed slowly through a pipe must hold back no
// computer that has connected meanwhile: the loop that waits for the sockets takes the list's
// bytes only once they are there, and is woken for them (CClientSocket::Wake).
class CListStream {
public:
    // What Read() gives while the next bytes have not come, though they still may.
    static constexpr long kNotYet = -2;

    CListStream() = default;
    // A thread still waiting for the file keeps it, and closes it when its wait ends.
    ~CListStream();
    CListStream(const CListStream&) = delete;
    CListStream& operator=(const CListStream&) = delete;

    // False, with errno, when the file cannot be opened.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_shared != nullptr; }
    // The next bytes, at most size: their count; 0 at the end of the file, and ever after; -1 on
    // an error, with errno; kNotYet while they have not come. With wait, waits for them instead:
    // for the first read only, before the socket layer is there to wake anyone. The first read
    // that does not wait starts the thread.
    long Read(char* buffer, std::size_t size, bool wait);

private:
    struct Shared;
    Shared* m_shared = nullptr;
};
