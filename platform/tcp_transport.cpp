#include "platform/tcp_transport.h"

#include "platform/name_resolver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
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
        ::listen(fd, SOMAXCONN) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        ::pipe2(wake_pipe_, O_CLOEXEC) != 0) {
        ::close(fd);
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
    listen_fd_ = -1;
    wake_pipe_[0] = wake_pipe_[1] = -1;
    port_ = 0;
    handler_ = nullptr;
}

void TcpTextListener::Run() {
    for (;;) {
        pollfd entries[2] = {{listen_fd_, POLLIN, 0}, {wake_pipe_[0], POLLIN, 0}};
        if (::poll(entries, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (entries[1].revents != 0)
            return;
        if ((entries[0].revents & POLLIN) == 0)
            continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::string text;
        const bool complete = ReadToEnd(fd, text);
        ::close(fd);
        if (!complete) {
            dropped_.fetch_add(1);
            continue;
        }
        handler_(std::move(text));
    }
}

bool TcpTextListener::ReadToEnd(int fd, std::string& text) const {
    using Steady = std::chrono::steady_clock;
    const Steady::time_point deadline = Steady::now() + std::chrono::milliseconds(read_timeout_ms_);
    char buffer[16384];
    for (;;) {
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0)
            return true;
        if (got > 0) {
            if (text.size() + static_cast<std::size_t>(got) > max_bytes_)
                return false;
            text.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
        if (left.count() <= 0 || !WaitFor(fd, POLLIN, static_cast<std::uint32_t>(left.count())))
            return false;
    }
}
