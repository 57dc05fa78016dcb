#include "platform/tcp_text_listener.h"

#include "platform/steady_ms.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <deque>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::size_t ConnectionCap() {
    return std::min(TcpTextListener::kMaxConnections, DescriptorBudget::Capacity());
}

} // namespace

std::uint64_t RaiseSoftDescriptorLimit(std::uint64_t most) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, static_cast<rlim_t>(most));
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? UINT64_MAX
                                           : static_cast<std::uint64_t>(limit.rlim_cur);
}

std::string TcpTextListener::DescribeDropped() const {
    std::string described;
    for (std::size_t cause = 0; cause < kTcpTextDropCauses; ++cause) {
        const std::uint32_t count = dropped_by_cause_[cause].load();
        if (count == 0)
            continue;
        if (!described.empty())
            described += ", ";
        described += TcpTextDropName(static_cast<TcpTextDrop>(cause));
        described += ' ';
        described += std::to_string(count);
    }
    return described;
}

KvResult TcpTextListener::Start(const std::string& address, std::uint16_t port, TextHandler handler,
                                std::size_t max_bytes, std::uint32_t read_timeout_ms) {
    HeldTextHandler held;
    if (handler) {
        held = [plain = std::move(handler)](ReceivedTcpText&& text) {
            plain(std::move(text.text), text.peer_address);
        };
    }
    return StartHolding(address, port, std::move(held), max_bytes, read_timeout_ms);
}

KvResult TcpTextListener::StartHolding(const std::string& address, std::uint16_t port,
                                       HeldTextHandler handler, std::size_t max_bytes,
                                       std::uint32_t read_timeout_ms) {
    if (listen_fd_ >= 0)
        return KV_E_FAIL;
    const KvResult bound = Bind(address, port);
    if (bound != KV_OK)
        return bound;
    handler_ = std::move(handler);
    // A text that could not fit the bound would never start.
    max_bytes_ = std::min(max_bytes, kMaxBufferedBytes);
    read_timeout_ms_ = read_timeout_ms;
    max_connections_ = ConnectionCap();
    peak_held_.store(0);
    thread_ = std::thread([this] { Run(); });
    return KV_OK;
}

KvResult TcpTextListener::Bind(const std::string& address_text, std::uint16_t port) {
    sockaddr_in address{};
    if (::inet_pton(AF_INET, address_text.c_str(), &address.sin_addr) != 1)
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
    auto budget = std::make_shared<TcpTextBudget>();
    budget->wake_fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event wake{EPOLLIN, {}};
    wake.data.fd = wake_pipe_[0];
    epoll_event accept{EPOLLIN, {}};
    accept.data.fd = fd;
    if (budget->wake_fd < 0 || epoll_fd_ < 0 ||
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_pipe_[0], &wake) != 0 ||
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &accept) != 0) {
        if (epoll_fd_ >= 0)
            ::close(epoll_fd_);
        ::close(fd);
        ::close(wake_pipe_[0]);
        ::close(wake_pipe_[1]);
        epoll_fd_ = wake_pipe_[0] = wake_pipe_[1] = -1;
        return KV_E_SOCKET_CREATE;
    }
    budget_ = std::move(budget);
    listen_fd_ = fd;
    port_ = ntohs(address.sin_port);
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
    // Leased texts keep the budget (and its event) alive; a new start gets
    // its own.
    budget_.reset();
}

void TcpTextListener::Run() {
    DescriptorBudget& descriptors = DescriptorBudget::Get();
    bool accepting = true;
    // At the cap, accepting waits for a connection to end rather than for
    // time.
    bool at_cap = false;
    std::int64_t accept_paused_until = 0;
    constexpr int kEventBatch = 64;
    epoll_event events[kEventBatch];
    TcpTextFraming::Limits limits{max_bytes_, read_timeout_ms_, max_connections_,
                                  kMaxBufferedBytes};
    limits.quiet_ms = std::min(kQuietMs, read_timeout_ms_ / 2);
    limits.max_read_ms = kMaxSparedTimeOuts * read_timeout_ms_;
    TcpTextFraming framing(
        limits, budget_,
        [this](ReceivedTcpText&& text) {
            if (handler_)
                handler_(std::move(text));
        },
        // The counts change before the peer can see the close.
        [this, &framing, &descriptors](int fd, TcpTextDrop cause) {
            if (cause != TcpTextDrop::kNone) {
                dropped_by_cause_[static_cast<std::size_t>(cause)].fetch_add(1);
                dropped_.fetch_add(1);
            }
            open_.store(framing.GetOpenCount());
            ::close(fd);
            descriptors.Give();
        });
    const auto set_accepting = [&](bool on) {
        epoll_event change{on ? static_cast<std::uint32_t>(EPOLLIN) : 0u, {}};
        change.data.fd = listen_fd_;
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, listen_fd_, &change);
        accepting = on;
    };
    // Whether the connection's bytes or end wait in the kernel, unread.
    const auto behind = [](int fd) {
        pollfd entry{fd, POLLIN | POLLRDHUP, 0};
        return ::poll(&entry, 1, 0) == 1 && (entry.revents & (POLLIN | POLLRDHUP)) != 0;
    };
    // Connections not started for want of room, unwatched until texts under
    // way make room (a watched one would be reported ready again at once).
    std::deque<int> deferred;
    bool looked_for_quiet = false;
    const auto watch = [&](int fd, bool on) {
        epoll_event change{on ? static_cast<std::uint32_t>(EPOLLIN) : 0u, {}};
        change.data.fd = fd;
        ::epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, fd, &change);
    };
    // Whether a new text may start now; a started connection whose peer has
    // been quiet for a while makes way for it (a peer that starts texts and
    // stalls would otherwise hold the room until its time-out).
    const auto may_start = [&](int fd, std::int64_t now) {
        if (framing.IsStarted(fd) || framing.Startable() > 0)
            return true;
        if (!looked_for_quiet)
            looked_for_quiet = !framing.EvictQuiet(now, behind);
        return framing.Startable() > 0;
    };
    // Reads what the connection has, as far as the bound allows.
    const auto read_from = [&](int fd, std::int64_t now) {
        if (!may_start(fd, now)) {
            watch(fd, false);
            deferred.push_back(fd);
            if (framing.PauseUntilStartable(now))
                pauses_.fetch_add(1);
            return;
        }
        framing.Start(fd, now);
        char buffer[16384];
        for (;;) {
            std::size_t room = framing.Room(fd);
            if (room == 0) {
                // Only called while not paused: a pause here is a new one.
                if (!framing.MakeRoom(fd, now)) {
                    if (framing.IsPaused())
                        pauses_.fetch_add(1);
                    return;
                }
                room = framing.Room(fd);
            }
            const ssize_t got = ::recv(fd, buffer, std::min(room, sizeof buffer), 0);
            if (got == 0) {
                framing.End(fd);
                return;
            }
            if (got > 0) {
                framing.Append(fd, buffer, static_cast<std::size_t>(got), now);
                const std::size_t held = budget_->held.load();
                if (held > peak_held_.load())
                    peak_held_.store(held);
                if (!framing.IsOpen(fd))
                    return;
                continue;
            }
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                framing.Fail(fd);
            return;
        }
    };

    for (;;) {
        std::int64_t now = SteadyNowMs();
        if (framing.IsPaused()) {
            // Nothing is read or accepted until released texts make room;
            // the connections' time stands still.
            budget_->starved.store(true);
            if (!framing.HasRoom()) {
                pollfd waits[2] = {{wake_pipe_[0], POLLIN, 0}, {budget_->wake_fd, POLLIN, 0}};
                if (::poll(waits, 2, -1) < 0 && errno != EINTR)
                    break;
                if ((waits[0].revents & POLLIN) != 0)
                    break;
                std::uint64_t count = 0;
                [[maybe_unused]] const ssize_t ignored =
                    ::read(budget_->wake_fd, &count, sizeof count);
                continue;
            }
            budget_->starved.store(false);
            framing.Resume(now);
        }
        looked_for_quiet = false;
        // Those closed meanwhile are gone; a descriptor reused meanwhile is
        // watched already, and once started wants no room made for it.
        std::erase_if(deferred,
                      [&](int fd) { return !framing.IsOpen(fd) || framing.IsStarted(fd); });
        while (!deferred.empty() && framing.Startable() < deferred.size() &&
               framing.EvictQuiet(now, behind)) {
        }
        // Watched again as far as they may start.
        for (std::size_t room = framing.Startable(); room > 0 && !deferred.empty(); --room) {
            if (framing.IsOpen(deferred.front()))
                watch(deferred.front(), true);
            deferred.pop_front();
        }
        // Texts wait to start, none may and none is under way: only released
        // texts make room now, whether the last started text ended before or
        // after these were deferred.
        if (!deferred.empty() && framing.PauseUntilStartable(now)) {
            pauses_.fetch_add(1);
            continue;
        }
        if (at_cap && framing.GetOpenCount() < max_connections_)
            at_cap = false;
        if (!accepting && !at_cap && now >= accept_paused_until)
            set_accepting(true);
        int timeout = -1;
        if (!accepting && !at_cap)
            timeout = MillisecondsUntil(accept_paused_until, now);
        if (std::int64_t deadline = 0; framing.NextDeadline(deadline)) {
            const int left = MillisecondsUntil(deadline, now);
            timeout = timeout < 0 ? left : std::min(timeout, left);
        }
        // Texts waiting to start look again when a started one turns quiet.
        if (std::int64_t quiet = 0; !deferred.empty() && framing.NextQuiet(quiet)) {
            const int left = MillisecondsUntil(quiet, now);
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
        now = SteadyNowMs();
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
            // descriptor is not reused before the batch is done. A paused
            // framing reads the rest of the batch when it resumes.
            if (framing.IsOpen(fd) && !framing.IsPaused())
                read_from(fd, now);
        }
        if (wake)
            break;
        // A connection whose bytes or end wait in the kernel was not read
        // for want of time or room here: its sender is not the slow one.
        framing.Expire(now, behind);
        if (!incoming || framing.IsPaused())
            continue;
        for (;;) {
            if (framing.GetOpenCount() >= max_connections_) {
                at_cap = true;
                set_accepting(false);
                break;
            }
            if (!descriptors.TryTakeForAccept()) {
                accept_paused_until = now + kAcceptPauseMs;
                set_accepting(false);
                break;
            }
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            const int fd = ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&peer), &size,
                                     SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                const int error = errno;
                descriptors.Give();
                if (error == EINTR || error == ECONNABORTED)
                    continue;
                if (error != EAGAIN && error != EWOULDBLOCK) {
                    // No descriptor or no memory: the waiting connection stays
                    // in the backlog; looking again at once would only spin.
                    accept_failures_.fetch_add(1);
                    accept_paused_until = now + kAcceptPauseMs;
                    set_accepting(false);
                }
                break;
            }
            epoll_event watch{EPOLLIN, {}};
            watch.data.fd = fd;
            if (::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, fd, &watch) != 0) {
                ::close(fd);
                descriptors.Give();
                dropped_by_cause_[static_cast<std::size_t>(TcpTextDrop::kFailed)].fetch_add(1);
                dropped_.fetch_add(1);
                continue;
            }
            framing.Open(fd, ntohl(peer.sin_addr.s_addr), now);
            open_.store(framing.GetOpenCount());
            accepted_.fetch_add(1);
        }
    }
    framing.CloseAll();
    open_.store(0);
}
