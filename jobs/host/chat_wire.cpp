#include "jobs/host/chat_wire.h"

#include "jobs/host/job_host.h"

#include <algorithm>

ChatWire& ChatWire::Get() {
    static ChatWire wire;
    return wire;
}

void ChatWire::Attach(JobHost* host) {
    std::lock_guard lock(mutex_);
    if (std::find(hosts_.begin(), hosts_.end(), host) == hosts_.end())
        hosts_.push_back(host);
}

void ChatWire::Detach(JobHost* host) {
    std::lock_guard lock(mutex_);
    hosts_.erase(std::remove(hosts_.begin(), hosts_.end(), host), hosts_.end());
}

void ChatWire::Script(std::vector<ChatWireFate> fates) {
    std::lock_guard lock(mutex_);
    fates_ = std::move(fates);
}

void ChatWire::Reset() {
    std::lock_guard lock(mutex_);
    fates_.clear();
    held_.clear();
    log_.clear();
}

void ChatWire::Carry(const std::string& caller, const std::string& called,
                     const std::uint8_t* bytes, std::uint32_t count) {
    ChatWireEntry entry;
    entry.caller = caller;
    entry.called = called;
    entry.bytes.assign(bytes, bytes + count);
    {
        std::lock_guard lock(mutex_);
        if (!fates_.empty()) {
            entry.fate = fates_.front();
            fates_.erase(fates_.begin());
        }
        if (entry.fate == ChatWireFate::kDelay)
            held_.push_back(entry);
    }
    if (entry.fate == ChatWireFate::kDeliver || entry.fate == ChatWireFate::kRepeat)
        entry.deliveries = Deliver(entry);
    if (entry.fate == ChatWireFate::kRepeat)
        entry.deliveries += Deliver(entry);
    std::lock_guard lock(mutex_);
    log_.push_back(std::move(entry));
    while (log_.size() > kLogLimit)
        log_.pop_front();
}

std::size_t ChatWire::ReleaseDelayed() {
    std::vector<ChatWireEntry> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (const ChatWireEntry& entry : held)
        Deliver(entry);
    return held.size();
}

std::vector<ChatWireEntry> ChatWire::GetLog() const {
    std::lock_guard lock(mutex_);
    return {log_.begin(), log_.end()};
}

std::uint32_t ChatWire::Deliver(const ChatWireEntry& entry) {
    std::vector<JobHost*> hosts;
    {
        std::lock_guard lock(mutex_);
        hosts = hosts_;
    }
    std::uint32_t delivered = 0;
    for (JobHost* host : hosts) {
        if (host->GetCapiService().DeliverChatPacket(
                entry.called, entry.caller, entry.bytes.data(),
                static_cast<std::uint32_t>(entry.bytes.size())))
            ++delivered;
    }
    return delivered;
}
