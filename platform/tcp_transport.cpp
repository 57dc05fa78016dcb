#include "platform/tcp_transport.h"

#include "platform/name_resolver.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

class SocketCloser {
public:
    explicit SocketCloser(int fd) : fd_(fd) {}
    ~SocketCloser() {
        if (fd_ >= 0)
            CloseSendingSocket(fd_, !abort_);
    }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;
    void Abort() { abort_ = true; }

private:
    int fd_;
    bool abort_ = false;
};

using Deadline = std::chrono::steady_clock::time_point;

// Look-up threads under way in the process. Constant-initialised and never
// destroyed, so that a thread still in the resolver at exit finds it.
std::atomic<std::size_t> g_look_ups{0};

// What a look-up thread shares with its caller, who may have given up; the
// thread holds it, so it outlives the caller's wait.
struct LookUp {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool resolved = false;
    std::uint32_t found = 0;
};

// The resolver has no time-out, so the caller waits for its thread only until
// the deadline.
bool LookUpWithin(const std::string& host, Deadline deadline, std::uint32_t& found) {
    if (std::chrono::steady_clock::now() >= deadline)
        return false;
    auto look_up = std::make_shared<LookUp>();
    const bool started = StartBoundedLookUp(
        g_look_ups, kMaxSendTextLookUps, host, [look_up](bool resolved, std::uint32_t address) {
            {
                std::lock_guard lock(look_up->mutex);
                look_up->done = true;
                look_up->resolved = resolved;
                look_up->found = address;
            }
            look_up->ended.notify_all();
        });
    if (!started)
        return false;
    std::unique_lock lock(look_up->mutex);
    if (!look_up->ended.wait_until(lock, deadline, [&] { return look_up->done; }))
        return false;
    found = look_up->found;
    return look_up->resolved;
}

// The address in network byte order; false for a name that does not resolve
// before the deadline.
bool ResolveHost(const std::string& host, Deadline deadline, in_addr& address) {
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    std::uint32_t found = 0;
    if (!LookUpWithin(host, deadline, found))
        return false;
    address.s_addr = htonl(found);
    return true;
}

// timed_out is set when the deadline passed.
bool WaitFor(int fd, short events, Deadline deadline, bool& timed_out) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const int ready =
            left.count() <= 0 ? 0 : ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0)
            return true;
        if (ready == 0)
            timed_out = true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool ConnectWithin(int fd, const sockaddr_in& target, Deadline deadline, bool& timed_out) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    if (!WaitFor(fd, POLLOUT, deadline, timed_out))
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool WriteAll(int fd, std::string_view bytes, Deadline deadline, bool& timed_out) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t sent =
            ::send(fd, bytes.data() + written, bytes.size() - written, MSG_NOSIGNAL);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) &&
            WaitFor(fd, POLLOUT, deadline, timed_out))
            continue;
        return false;
    }
    return true;
}

} // namespace

void CloseSendingSocket(int fd, bool whole) {
    if (!whole) {
        const linger reset{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    ::close(fd);
}

KvResult SendText(const std::string& host, std::uint32_t port, std::string_view bytes,
                  std::uint32_t timeout_ms, bool* timed_out) {
    bool ran_out = false;
    if (timed_out != nullptr)
        *timed_out = false;
    if (host.empty() || port > 0xFFFF)
        return KV_E_FAIL;
    // One deadline for the look-up, the connect and the whole write.
    const Deadline deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!ResolveHost(host, deadline, target.sin_addr))
        return KV_E_SOCKET_CONNECT;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return KV_E_SOCKET_CREATE;
    SocketCloser closer(fd);
    KvResult result = KV_OK;
    if (!ConnectWithin(fd, target, deadline, ran_out))
        result = KV_E_SOCKET_CONNECT;
    else if (!WriteAll(fd, bytes, deadline, ran_out))
        result = KV_E_SOCKET_SEND;
    if (result != KV_OK)
        closer.Abort();
    if (timed_out != nullptr)
        *timed_out = ran_out;
    return result;
}
