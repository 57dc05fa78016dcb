#pragma once
// The host's senders: name look-ups, connects and writes of job texts happen
// on one event loop of their own, not on the host's thread, and each connect
// and write waits without holding up any other, so that a peer that does not
// answer holds up only the texts to it.
//
// Bounds: at most kMaxSends sends are under way and at most kMaxPerAddress to
// one address, whatever the port; past either, texts wait (at most
// kMaxWaiting, and at most kMaxWaitingPerAddress for one address or name, so
// that one peer naming many silent ports cannot fill every other peer's
// place), and texts to one destination (host text and port) go one at a
// time, in the order given. Each send has one deadline, its time-out from
// when it leaves the waiting texts, covering its look-up, its connect and its
// whole write. Each send holds a descriptor of the DescriptorBudget it shares
// with the text listener; a send starts only when it has one.
//
// The system resolver has no time-out, so a look-up runs on a thread of its
// own, which Stop waits for only within its bound and which holds the
// resolver; at most kMaxLookUps run at once. A destination (address and
// port) whose send timed out after connecting for at least half its time-out
// is skipped for kSkipMs of the replaceable clock; a send cut shorter by its
// look-up does not judge the peer. A send that fails resets its
// connection rather than ending the stream, since the end of the stream is
// what ends a text at the peer.
//
// Threads: Post and Stop from the host's thread; the completion runs on the
// loop's thread and hands the result back to the host (see JobHost).

#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class HostSenders {
public:
    static constexpr std::size_t kMaxSends = 256;
    static constexpr std::size_t kMaxPerAddress = 4;
    static constexpr std::size_t kMaxWaiting = 1024;
    static constexpr std::size_t kMaxWaitingPerAddress = 64;
    static constexpr std::size_t kMaxLookUps = 4;
    static constexpr std::uint32_t kSkipMs = 30000;
    // Stop's bound, real time from its call.
    static constexpr std::uint32_t kStopMs = 2000;
    // The results a completion gets beside the send's own: KV_E_TIMEOUT for a
    // send or look-up that ran out of time, and these two for texts not sent.
    static constexpr KvResult kTooManyLookUps = KV_E_LIST_FULL;
    static constexpr KvResult kSkipped = KV_E_NOT_HANDLED;

    // Called once with the send's result and the dotted IPv4 address the text
    // went to (empty when the name did not resolve in time), on the loop's
    // thread; not called for a text still waiting, nor for a send still under
    // way (its look-up, connect or write), when Stop's bound is up.
    using Completion = std::function<void(KvResult result, const std::string& address)>;

    HostSenders();
    // Stops, and so may wait kStopMs.
    ~HostSenders() { Stop(); }
    HostSenders(const HostSenders&) = delete;
    HostSenders& operator=(const HostSenders&) = delete;

    enum class Posted { kQueued, kTooManyWaiting, kTooManyWaitingForAddress, kStopping };
    // Queues the text for host:port; anything but kQueued drops the text.
    Posted Post(const std::string& host, std::uint32_t port, std::string text,
                std::uint32_t timeout_ms, Completion completion);
    // Sends the texts posted before the call, each within its own deadline,
    // all within kStopMs of the call (look-ups included). Then the texts
    // still waiting are dropped and the sends still under way aborted (their
    // peers see a reset). Post may start the senders again.
    void Stop();
    // Texts posted and not yet under way.
    std::size_t GetWaitingCount() const;

private:
    struct Shared;
    class Loop;

    // Shared with the loop and the look-up threads, which may outlive both.
    const std::shared_ptr<Shared> shared_;
    std::thread thread_;
    // Post and Stop start and end the loop's thread.
    std::mutex start_mutex_;
};
