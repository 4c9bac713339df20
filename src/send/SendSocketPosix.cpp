// The sender's socket layer over BSD sockets and poll() (Linux).
#include "send/SendSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int HandleOf(std::uintptr_t handle)
{
    return static_cast<int>(static_cast<std::intptr_t>(handle));
}

// Counts the look-ups that ended and the list's pieces that came; a wait watches it beside the sockets.
int g_wakeEvent = -1;

struct ThreadStart {
    void (*body)(void*);
    void* argument;
};

void* RunThread(void* start)
{
    const ThreadStart run = *static_cast<ThreadStart*>(start);
    delete static_cast<ThreadStart*>(start);
    run.body(run.argument);
    return nullptr;
}

}  // namespace

bool SecureStandardStreams()
{
    // Started with a standard descriptor closed (">&-", as some service managers and cron set-ups do),
    // the next socket would take it, and a report line written to it would arrive before the command.
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free descriptor, which is this one: the ones below it are open by now.
        const int null = ::open("/dev/null", O_RDWR);
        if (null != fd) {
            if (null >= 0)
                ::close(null);
            return false;
        }
    }
    // Behind "| head", the reader goes away early; every computer must still get its command.
    return std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
}

CSocketLayer::CSocketLayer()
{
    g_wakeEvent = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_ready = g_wakeEvent >= 0;
    m_error = m_ready ? 0 : errno;
}

// The event stays open: a look-up thread left running may still wake it until the process ends.
CSocketLayer::~CSocketLayer() = default;

unsigned CSocketLayer::SocketAllowance(unsigned wanted, unsigned& lookupThreads)
{
    // Standard streams, the log and the list file need a few descriptors beside the sockets, and each
    // look-up thread one for the name server's socket.
    const rlim_t kSpare = 16;
    const rlim_t needed = wanted + kMaxLookupThreads + kSpare;
    lookupThreads = kMaxLookupThreads;
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return wanted;
    if (limit.rlim_cur < needed && limit.rlim_cur < limit.rlim_max) {
        // Only as far as needed: an unlimited hard limit cannot be the soft one.
        limit.rlim_cur = std::min<rlim_t>(limit.rlim_max, needed);
        ::setrlimit(RLIMIT_NOFILE, &limit);
        ::getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= needed)
        return wanted;
    // What is left is shared, never with fewer threads than sockets: computers being looked up hold
    // no socket, so only threads left over from timed-out look-ups can keep a name waiting.
    const rlim_t left = limit.rlim_cur > kSpare + 2 ? limit.rlim_cur - kSpare : 2;
    const auto jobs = static_cast<unsigned>(std::min<rlim_t>(wanted, left / 2));
    lookupThreads = static_cast<unsigned>(std::min<rlim_t>(kMaxLookupThreads, left - jobs));
    return jobs;
}

long ReadSome(std::FILE* file, char* buffer, std::size_t size)
{
    // The descriptor's read(), for fread() would wait for the whole size or the end of the file.
    ssize_t got;
    do
        got = ::read(::fileno(file), buffer, size);
    while (got < 0 && errno == EINTR);
    return got;
}

bool ResolveIPv4(const std::string& host, std::uint32_t& address, std::string& reason)
{
#ifdef DUSKLAMP_SEND_TEST_SEAMS
    // The test build's stand-in for a name server that never answers: this name's look-up never ends,
    // holding a socket as the system's look-up does while it waits for the server.
    const char* unanswered = std::getenv("DUSKLAMP_SEND_UNANSWERED");
    if (unanswered && host == unanswered) {
        if (::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0) < 0) {
            reason = SocketErrorText(errno);
            return false;
        }
        for (;;)
            ::sleep(3600);
    }
#endif
    addrinfo hints = {};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int result = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (result != 0) {
        reason = result == EAI_SYSTEM ? SocketErrorText(errno) : ::gai_strerror(result);
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

bool StartDetachedThread(void (*body)(void*), void* argument)
{
    // A look-up needs little stack; hundreds of threads with the default 8 MB would reserve gigabytes.
    const std::size_t kStackBytes = 512 * 1024;
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0)
        return false;
    ::pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    ::pthread_attr_setstacksize(&attributes, kStackBytes);
    auto* start = new ThreadStart{body, argument};
    pthread_t thread;
    const bool started = ::pthread_create(&thread, &attributes, RunThread, start) == 0;
    ::pthread_attr_destroy(&attributes);
    if (!started)
        delete start;
    return started;
}

std::string SocketErrorText(int error)
{
    return std::strerror(error);
}

int TimedOutError()
{
    return ETIMEDOUT;
}

CClientSocket::State CClientSocket::BeginConnect(std::uint32_t address, std::uint16_t port)
{
    Close();
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (handle < 0) {
        Fail(errno);
        return m_state;
    }
    m_handle = static_cast<std::uintptr_t>(handle);
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(address);
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&peer), sizeof(peer)) == 0)
        m_state = State::Connected;
    else if (errno == EINPROGRESS)
        m_state = State::Connecting;
    else
        Fail(errno);
    return m_state;
}

bool CClientSocket::Send(std::string_view bytes)
{
    // MSG_NOSIGNAL: a peer that has already reset must give an error here, not end the program.
    const ssize_t sent = ::send(HandleOf(m_handle), bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent == static_cast<ssize_t>(bytes.size()))
        return true;
    Fail(sent < 0 ? errno : EAGAIN);
    return false;
}

void CClientSocket::Close()
{
    if (m_handle != kNoHandle)
        ::close(HandleOf(m_handle));
    m_handle = kNoHandle;
    m_state = State::Idle;
}

void CClientSocket::WaitForConnects(const std::vector<CClientSocket*>& sockets, int timeoutMs, bool woken)
{
    std::vector<pollfd> polled;
    polled.reserve(sockets.size() + 1);
    for (const CClientSocket* socket : sockets)
        polled.push_back({HandleOf(socket->m_handle), POLLOUT, 0});
    if (woken)
        polled.push_back({g_wakeEvent, POLLIN, 0});
    if (::poll(polled.data(), polled.size(), timeoutMs < 0 ? -1 : timeoutMs) <= 0)
        return;
    if (woken && polled.back().revents != 0) {
        // Reading resets the count; what ended or came is found by asking each look-up and the list.
        std::uint64_t ended = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_wakeEvent, &ended, sizeof(ended));
    }
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        if (polled[i].revents == 0)
            continue;
        // Writable means the attempt is over, either way; SO_ERROR says which.
        int error = 0;
        socklen_t size = sizeof(error);
        if (::getsockopt(polled[i].fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        if (error == 0)
            sockets[i]->m_state = State::Connected;
        else
            sockets[i]->Fail(error);
    }
}

void CClientSocket::Wake()
{
    // Fails only when the count is full, and then the wait ends anyway.
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_wakeEvent, &one, sizeof(one));
}
