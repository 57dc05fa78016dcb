#pragma once
// What the services of a host received, in order: tests read it to see what
// the jobs asked of their host.

#include "framework/message.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// How many entries a host's logs keep unless told otherwise.
inline constexpr std::size_t kDefaultHostLogLimit = 1000;

// Keeps the latest entries, at most its limit.
template <typename Entry> class BoundedLog {
public:
    void Add(Entry entry) {
        entries_.push_back(std::move(entry));
        Trim();
    }
    void SetLimit(std::size_t limit) {
        limit_ = limit;
        Trim();
    }
    const std::deque<Entry>& GetEntries() const { return entries_; }

private:
    void Trim() {
        while (entries_.size() > limit_)
            entries_.pop_front();
    }

    std::deque<Entry> entries_;
    std::size_t limit_ = kDefaultHostLogLimit;
};

// What a service endpoint received.
struct HostServiceEntry {
    std::uint16_t endpoint = 0;
    std::int32_t kind = 0;
    std::int32_t command = 0;
    std::int32_t sub_command = 0;
    std::int32_t attribute = 0;
    std::int32_t payload_type = 0;
    std::uint32_t job_ids[3] = {0, 0, 0};
    // The text of a status record or of a network-send request; the name of
    // a record where it has one.
    std::string text;
};

class HostServiceLog {
public:
    void Record(std::uint16_t endpoint, const CKvMessage& message, std::string text = {});
    const std::deque<HostServiceEntry>& GetEntries() const { return entries_.GetEntries(); }
    std::vector<HostServiceEntry> GetEntries(std::uint16_t endpoint) const;
    void SetLimit(std::size_t limit) { entries_.SetLimit(limit); }

private:
    BoundedLog<HostServiceEntry> entries_;
};
