#pragma once
// What the services of a host received, in order: tests read it to see what
// the jobs asked of their host.

#include "framework/message.h"

#include <cstdint>
#include <string>
#include <vector>

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
    const std::vector<HostServiceEntry>& GetEntries() const { return entries_; }
    std::vector<HostServiceEntry> GetEntries(std::uint16_t endpoint) const;

private:
    std::vector<HostServiceEntry> entries_;
};
