#include "platform/tcp_transport.h"

#include "platform/name_resolver.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <list>
#include <unordered_map>

namespace {

class SocketCloser {
public:
    explicit SocketCloser(int fd) : fd_(fd) {}
    ~SocketCloser() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    SocketCloser(const SocketCloser&) = delete;
    SocketCloser& operator=(const SocketCloser&) = delete;

private:
    int fd_;
};

// The address in network byte order; false for a name that does not resolve.
bool ResolveHost(const std::string& host, in_addr& address) {
    if (::inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    std::uint32_t found = 0;
    if (!GetNameResolver().LookupAddress(host, found))
        return false;
    address.s_addr = htonl(found);
    return true;
}

bool WaitFor(int fd, short events, std::uint32_t timeout_ms) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, static_cast<int>(timeout_ms));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool ConnectWithin(int fd, const sockaddr_in& target, std::uint32_t timeout_ms) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    if (!WaitFor(fd, POLLOUT, timeout_ms))
        return false;
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool WriteAll(int fd, std::string_view bytes, std::uint32_t timeout_ms) {
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
            WaitFor(fd, POLLOUT, timeout_ms))
            continue;
        return false;
    }
    return true;
}

} // namespace

KvResult SendText(const std::string& host, std::uint32_t port, std::string_view bytes,
                  std::uint32_t timeout_ms) {
    if (host.empty() || port > 0xFFFF)
        return KV_E_FAIL;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    if (!ResolveHost(host, target.sin_addr))
        return KV_E_SOCKET_CONNECT;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return KV_E_SOCKET_CREATE;
    SocketCloser closer(fd);
    if (!ConnectWithin(fd, target, timeout_ms))
        return KV_E_SOCKET_CONNECT;
    return WriteAll(fd, bytes, timeout_ms) ? KV_OK : KV_E_SOCKET_SEND;
}

KvResult TcpTextListener::Start(const std::string& address_text, std::uint16_t port,
                                TextHandler handler, std::size_t max_bytes,
                                std::uint32_t read_timeout_ms) {
    sockaddr_in address{};
    if (listen_fd_ >= 0 || ::inet_pton(AF_INET, address_text.c_str(), &address.sin_addr) != 1)
        return KV_E_FAIL;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return KV_E_SOCKET_CREATE;
    const int reuse = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    socklen_t size = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, SOMAXCONN) != 0 || ::fcntl(fd, F_SETFL, O_NONBLOCK) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::pipe2(wake_pipe_, O_CLOEXEC) != 0) {
        ::close(fd);
        return KV_E_SOCKET_CREATE;
    }
    epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{EPOLLIN, {}};
    wake.data.fd = wake_pipe_[0];
    epoll_event accept{EPOLLIN, {}};
    accept.data.fd = fd;
    if (epoll_fd_ < 0 || ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_pipe_[0], &wake) != 0 ||
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &accept) != 0) {
        if (epoll_fd_ >= 0)
            ::close(epoll_fd_);
        ::close(fd);
        ::close(wake_pipe_[0]);
        ::close(wake_pipe_[1]);
        epoll_fd_ = wake_pipe_[0] = wake_pipe_[1] = -1;
        return KV_E_SOCKET_CREATE;
    }
    listen_fd_ = fd;
    port_ = ntohs(address.sin_port);
    handler_ = std::move(handler);
    max_bytes_ = max_bytes;
    read_timeout_ms_ = read_timeout_ms;
    thread_ = std::thread([this] { Run(); });
    return KV_OK;
}

void TcpTextListener::Stop() {
    if (listen_fd_ < 0)
        return;
    const char wake = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_pipe_[1], &wake, 1);
    if (thread_.joinable())
        thread_.join();
    ::close(listen_fd_);
    ::close(wake_pipe_[0]);
    ::close(wake_pipe_[1]);
    ::close(epoll_fd_);
    epoll_fd_ = -1;
    listen_fd_ = -1;
    wake_pipe_[0] = wake_pipe_[1] = -1;
    port_ = 0;
    handler_ = nullptr;
}

namespace {

using Steady = std::chrono::steady_clock;

// One accepted connection and what it has sent so far.
struct OpenConnection {
    int fd = -1;
    std::uint32_t peer_address = 0;
    Steady::time_point deadline;
    std::string text;
};

int MillisecondsUntil(Steady::time_point when, Steady::time_point now) {
    if (when <= now)
        return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - now).count();
    // Rounded up, so that the wake-up is not before the deadline.
    return static_cast<int>(std::min<std::int64_t>(left + 1, 60000));
}

// What a read of a ready connection came to.
enum class ReadOutcome : std::uint8_t { kOpen, kEnded, kFailed };

ReadOutcome ReadAvailable(OpenConnection& connection, std::size_t max_bytes,
                          std::size_t& buffered) {
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::recv(connection.fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return ReadOutcome::kEnded;
        if (got > 0) {
            if (connection.text.size() + static_cast<std::size_t>(got) > max_bytes)
                return ReadOutcome::kFailed;
            connection.text.append(buffer, static_cast<std::size_t>(got));
            buffered += static_cast<std::size_t>(got);
            continue;
        }
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? ReadOutcome::kOpen : ReadOutcome::kFailed;
    }
}

} // namespace

void TcpTextListener::Run() {
    // In the order accepted: the front is the oldest and has the earliest
    // deadline (every connection has the same time-out).
    std::list<OpenConnection> connections;
    std::unordered_map<int, std::list<OpenConnection>::iterator> by_fd;
    std::size_t buffered = 0;
    bool accepting = true;
    Steady::time_point accept_paused_until{};
    constexpr int kEventBatch = 64;
    epoll_event events[kEventBatch];

    // The counts change before the peer can see the close.
    const auto close_connection = [&](std::list<OpenConnection>::iterator at, bool dropped) {
        const int fd = at->fd;
        by_fd.erase(fd);
        buffered -= at->text.size();
        if (dropped)
            dropped_.fetch_add(1);
        connections.erase(at);
        open_.store(connections.size());
        ::close(fd);
    };
    const auto set_accepting = [&](bool on) {
        epoll_event change{on ? static_cast<std::uint32_t>(EPOLLIN) : 0u, {}};
        change.data.fd = listen_fd_;
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, listen_fd_, &change);
        accepting = on;
    };

    for (;;) {
        Steady::time_point now = Steady::now();
        if (!accepting && now >= accept_paused_until)
            set_accepting(true);
        int timeout = -1;
        if (!accepting)
            timeout = MillisecondsUntil(accept_paused_until, now);
        if (!connections.empty()) {
            const int left = MillisecondsUntil(connections.front().deadline, now);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        const int ready = ::epoll_wait(epoll_fd_, events, kEventBatch, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        bool wake = false;
        bool incoming = false;
        now = Steady::now();
        for (int i = 0; i < ready; ++i) {
            const int fd = events[i].data.fd;
            if (fd == wake_pipe_[0]) {
                wake = true;
                continue;
            }
            if (fd == listen_fd_) {
                incoming = true;
                continue;
            }
            // A connection closed earlier in this batch is gone; its
            // descriptor is not reused before the batch is done.
            auto found = by_fd.find(fd);
            if (found == by_fd.end())
                continue;
            auto at = found->second;
            const ReadOutcome outcome = ReadAvailable(*at, max_bytes_, buffered);
            if (outcome == ReadOutcome::kEnded) {
                std::string text = std::move(at->text);
                const std::uint32_t peer = at->peer_address;
                buffered -= text.size();
                at->text.clear();
                close_connection(at, false);
                handler_(std::move(text), peer);
            } else if (outcome == ReadOutcome::kFailed) {
                close_connection(at, true);
            }
        }
        if (wake)
            break;
        while (!connections.empty() && connections.front().deadline <= now)
            close_connection(connections.begin(), true);
        // The bytes held stay within their cap: the oldest connections go
        // first.
        while (buffered > kMaxBufferedBytes && !connections.empty())
            close_connection(connections.begin(), true);
        if (!incoming)
            continue;
        for (;;) {
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &size,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno == EINTR || errno == ECONNABORTED)
                    continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) {
                    // No descriptor or no memory: the waiting connection stays
                    // in the backlog; looking again at once would only spin.
                    accept_failures_.fetch_add(1);
                    accept_paused_until = now + std::chrono::milliseconds(kAcceptPauseMs);
                    set_accepting(false);
                }
                break;
            }
            if (connections.size() >= kMaxConnections)
                close_connection(connections.begin(), true);
            epoll_event watch{EPOLLIN, {}};
            watch.data.fd = fd;
            if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &watch) != 0) {
                ::close(fd);
                dropped_.fetch_add(1);
                continue;
            }
            OpenConnection connection;
            connection.fd = fd;
            connection.peer_address = ntohl(peer.sin_addr.s_addr);
            connection.deadline = now + std::chrono::milliseconds(read_timeout_ms_);
            connections.push_back(std::move(connection));
            by_fd[fd] = std::prev(connections.end());
            open_.store(connections.size());
            accepted_.fetch_add(1);
        }
    }
    for (OpenConnection& connection : connections)
        ::close(connection.fd);
    open_.store(0);
}
