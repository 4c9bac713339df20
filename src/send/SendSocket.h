// The sender's own small socket layer: non-blocking IPv4 TCP clients over BSD sockets or Winsock.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "send/SendOptions.h"

// Look-up threads stuck on a dead name server outlive their computers' time-outs until the system gives
// up, each holding the name server's socket; this bounds how many can pile up. As many as the most
// computers tried at once, so that only threads left over from timed-out look-ups can keep a name waiting.
inline constexpr unsigned kMaxLookupThreads = kMaxJobs;

// Holds the system's socket layer for as long as the program sends (Winsock must be started).
class CSocketLayer {
public:
    CSocketLayer();
    ~CSocketLayer();
    CSocketLayer(const CSocketLayer&) = delete;
    CSocketLayer& operator=(const CSocketLayer&) = delete;

    bool IsReady() const { return m_ready; }
    int Error() const { return m_error; }

    // How many sockets this process may hold at once, up to wanted, beside lookupThreads look-up threads
    // (never fewer than the sockets, at most kMaxLookupThreads); raises the system's limit where it can.
    static unsigned SocketAllowance(unsigned wanted, unsigned& lookupThreads);

private:
    bool m_ready = false;
    int m_error = 0;
};

// Opens the null device on any standard descriptor that is closed, so that no socket or file of ours
// can take its place and receive the reports, and lets a write to a reader that went away fail with
// an error rather than end the process. False when that cannot be made sure of.
bool SecureStandardStreams();

// Reads what the file holds so far, up to size bytes, waiting only while it holds nothing: a list fed
// slowly through a pipe is sent to as it comes. 0 at the end of the file; below 0 on an error (errno).
// It may wait for as long as the list's writer likes: only CListStream's thread calls it once the
// round has begun.
long ReadSome(std::FILE* file, char* buffer, std::size_t size);

// A host name's first IPv4 address, in host byte order. It may wait on the name server for as long
// as the system likes. Text that looks like an address never comes here (see LooksLikeAddress).
bool ResolveIPv4(const std::string& host, std::uint32_t& address, std::string& reason);

// Runs body(argument) on a thread of its own, with a small stack, that nobody waits for.
bool StartDetachedThread(void (*body)(void*), void* argument);

// The system's text for a socket error, on one line.
std::string SocketErrorText(int error);
// The system's error code for a connection attempt that took too long.
int TimedOutError();

// One connection attempt that sends a command and closes; the socket is closed with the object.
class CClientSocket {
public:
    enum class State { Idle, Connecting, Connected, Failed };

    CClientSocket() = default;
    ~CClientSocket() { Close(); }
    CClientSocket(const CClientSocket&) = delete;
    CClientSocket& operator=(const CClientSocket&) = delete;

    // Starts connecting without waiting; a loopback peer may answer at once. The address is in host byte order.
    State BeginConnect(std::uint32_t address, std::uint16_t port);
    State GetState() const { return m_state; }
    int Error() const { return m_error; }
    // Sends the bytes of a connected socket; the few bytes of a command always fit its empty buffer.
    bool Send(std::string_view bytes);
    void Close();

    // Waits at most timeoutMs (without limit when below 0) for any of these connecting sockets to
    // connect or fail, and updates them; with no socket, just waits. With woken, it also ends soon
    // after a Wake(): while names are looked up or the list's next bytes are awaited.
    static void WaitForConnects(const std::vector<CClientSocket*>& sockets, int timeoutMs, bool woken);
    // Ends the WaitForConnects() under way, or else the next one, at once: a look-up has ended or
    // the list's next bytes have come. Any thread may call it, once the socket layer is there.
    static void Wake();

private:
    void Fail(int error)
    {
        Close();
        m_state = State::Failed;
        m_error = error;
    }

    std::uintptr_t m_handle = kNoHandle;
    State m_state = State::Idle;
    int m_error = 0;

    static constexpr std::uintptr_t kNoHandle = ~std::uintptr_t(0);  // -1 and INVALID_SOCKET alike
};
