#pragma once
// The chat wire: what the ISDN network does for the chat jobs of the hosts in
// this process. A dial manager's call set-up that carries packet bytes to a
// number reaches, as its listen manager's NOTIFICATION, the chat job whose
// own number that is, on any host that serves the scripted CAPI side. Tests
// script the fate of the next packets: lost, held back until released, or
// delivered twice.
//
// Process-wide; the hosts are pumped by one thread at a time, and the lock
// only guards the wire's own lists.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

class JobHost;

enum class ChatWireFate : std::uint8_t { kDeliver, kLose, kDelay, kRepeat };

struct ChatWireEntry {
    std::string caller;
    std::string called;
    std::vector<std::uint8_t> bytes;
    ChatWireFate fate = ChatWireFate::kDeliver;
    // How many chat jobs received it (0: nobody has the number, or lost or
    // held).
    std::uint32_t deliveries = 0;
};

class ChatWire {
public:
    // The log keeps the latest entries.
    static constexpr std::size_t kLogLimit = 1000;

    static ChatWire& Get();

    void Attach(JobHost* host);
    void Detach(JobHost* host);

    // The fates of the next packets, in order; packets beyond them are
    // delivered.
    void Script(std::vector<ChatWireFate> fates);
    // Forgets fates, held packets and the log.
    void Reset();
    void Carry(const std::string& caller, const std::string& called, const std::uint8_t* bytes,
               std::uint32_t count);
    // Delivers the held packets; how many were held.
    std::size_t ReleaseDelayed();
    // The latest kLogLimit packets carried, oldest first.
    std::vector<ChatWireEntry> GetLog() const;

private:
    std::uint32_t Deliver(const ChatWireEntry& entry);

    mutable std::mutex mutex_;
    std::vector<JobHost*> hosts_;
    std::vector<ChatWireFate> fates_;
    std::vector<ChatWireEntry> held_;
    std::deque<ChatWireEntry> log_;
};
