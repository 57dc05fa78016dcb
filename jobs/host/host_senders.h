#pragma once
// The host's senders: connecting, looking up a name and writing a job text
// happen on their threads, not on the host's, so that a peer that does not
// answer holds up only the texts to it. Texts to one destination go in the
// order given; at most kMaxSenders send at once and at most kMaxWaiting texts
// wait. Each send keeps its own time-out, the wait for its name look-up
// included. The system resolver has no time-out, so a look-up runs on a
// thread of its own, which Stop does not wait for and which holds the
// resolver; at most kMaxLookUps run at once. An address whose send timed out
// is skipped for kSkipMs of the replaceable clock, whatever the port.
//
// Threads: Post from the host's thread; the completion runs on a sender
// thread and hands the result back to the host (see JobHost).

#include "platform/result_codes.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

class HostSenders {
public:
    static constexpr std::size_t kMaxSenders = 4;
    static constexpr std::size_t kMaxWaiting = 1024;
    static constexpr std::size_t kMaxLookUps = 4;
    static constexpr std::uint32_t kSkipMs = 30000;
    // The results a completion gets beside the send's own: KV_E_TIMEOUT for a
    // send or look-up that ran out of time, and these two for texts not sent.
    static constexpr KvResult kTooManyLookUps = KV_E_LIST_FULL;
    static constexpr KvResult kSkipped = KV_E_NOT_HANDLED;

    // Called once with the send's result and the dotted IPv4 address the text
    // went to (empty when the name did not resolve in time), on a sender
    // thread; not called for texts still waiting at Stop, nor for a send
    // whose name look-up was under way at Stop.
    using Completion = std::function<void(KvResult result, const std::string& address)>;

    HostSenders() = default;
    ~HostSenders() { Stop(); }
    HostSenders(const HostSenders&) = delete;
    HostSenders& operator=(const HostSenders&) = delete;

    // Queues the text for host:port; false (the text dropped) when
    // kMaxWaiting texts wait already or the senders are stopped.
    bool Post(const std::string& host, std::uint32_t port, std::string text,
              std::uint32_t timeout_ms, Completion completion);
    // Waits for the sends under way, but not for a name look-up (that send is
    // given up), and drops the waiting texts; Post may start the senders
    // again.
    void Stop();
    std::size_t GetWaitingCount() const;

private:
    struct Item {
        std::string host;
        std::uint32_t port = 0;
        std::string text;
        std::uint32_t timeout_ms = 0;
        Completion completion;
    };
    using Destination = std::pair<std::string, std::uint32_t>;
    struct LookUp;

    void Work();
    // The dotted address of host, looked up unless it is one: KV_OK, or why
    // there is none (KV_E_SOCKET_CONNECT when the name does not resolve,
    // KV_E_TIMEOUT, kTooManyLookUps, KV_E_ALREADY_STOPPING when Stop gave it
    // up).
    KvResult ToAddress(const std::string& host, std::uint32_t timeout_ms, std::string& address);
    void Send(Item& item);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // The texts waiting per destination; a destination being sent to is not
    // in ready_ until its send is done.
    std::map<Destination, std::deque<Item>> waiting_;
    std::deque<Destination> ready_;
    std::set<Destination> busy_;
    // The look-ups senders wait for, for Stop to give up.
    std::set<std::shared_ptr<LookUp>> look_ups_;
    // Look-up threads running, given up or not; shared with those threads,
    // which may outlive the senders.
    std::shared_ptr<std::atomic<std::size_t>> look_up_slots_ = std::make_shared<std::atomic<std::size_t>>(0);
    // The tick at which a send to the address timed out.
    std::map<std::string, std::uint32_t> timed_out_;
    std::size_t waiting_count_ = 0;
    std::size_t idle_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
