#pragma once
// Client sockets and descriptor limits of the TCP tests.

#include "platform/name_resolver.h"

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

// Whether condition holds within wait_ms of real time, looked at over and
// over.
template <typename Condition>
bool WaitUntil(Condition condition, int wait_ms = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

// A connection to 127.0.0.1:port, from the source address when one is given
// (127.0.0.2: another machine as the listener sees it); -1 when none could
// be made.
inline int ConnectTo(std::uint16_t port, const char* source = nullptr) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    bool ok = true;
    if (source != nullptr) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        ok = ::inet_pton(AF_INET, source, &local.sin_addr) == 1 &&
             ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(port);
    if (!ok || ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The soft descriptor limit for the lifetime of the guard.
class ScopedSoftLimit {
public:
    explicit ScopedSoftLimit(rlim_t soft) {
        ok_ = ::getrlimit(RLIMIT_NOFILE, &saved_) == 0;
        rlimit changed = saved_;
        changed.rlim_cur = soft;
        ok_ = ok_ && soft <= saved_.rlim_max && ::setrlimit(RLIMIT_NOFILE, &changed) == 0;
    }
    ~ScopedSoftLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }
    ScopedSoftLimit(const ScopedSoftLimit&) = delete;
    ScopedSoftLimit& operator=(const ScopedSoftLimit&) = delete;
    bool ok() const { return ok_; }
    rlim_t hard() const { return saved_.rlim_max; }

private:
    rlimit saved_{};
    bool ok_ = false;
};

// Answers every name with one address (host byte order) after answer_ms, or
// at once when released.
class SlowResolver final : public NameResolver {
public:
    static constexpr std::uint32_t kAnswerMs = 1500;
    explicit SlowResolver(std::uint32_t answer, std::uint32_t answer_ms = kAnswerMs)
        : answer_(answer), answer_ms_(answer_ms) {}
    bool LookupName(std::uint32_t, std::string&) override { return false; }
    bool LookupAddress(const std::string&, std::uint32_t& address) override {
        std::unique_lock lock(mutex_);
        ++asked_;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::milliseconds(answer_ms_), [this] { return released_; });
        address = answer_;
        return true;
    }
    // Whether count look-ups have been asked within limit_ms.
    bool WaitAsked(int count, std::uint32_t limit_ms = 10000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(limit_ms),
                                 [&] { return asked_ >= count; });
    }
    int Asked() {
        std::lock_guard lock(mutex_);
        return asked_;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    const std::uint32_t answer_;
    const std::uint32_t answer_ms_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int asked_ = 0;
    bool released_ = false;
};
