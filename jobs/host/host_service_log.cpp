#include "jobs/host/host_service_log.h"

void HostServiceLog::Record(std::uint16_t endpoint, const CKvMessage& message, std::string text) {
    HostServiceEntry entry;
    entry.endpoint = endpoint;
    entry.kind = message.GetKind();
    entry.command = message.GetCommand();
    entry.sub_command = message.GetSubCommand();
    entry.attribute = message.GetAttribute();
    entry.payload_type = message.GetPayloadType();
    entry.job_ids[0] = message.GetSourceJobId();
    entry.job_ids[1] = message.GetTargetJobId();
    entry.job_ids[2] = message.GetOriginatingJobId();
    entry.text = std::move(text);
    entries_.Add(std::move(entry));
}

std::vector<HostServiceEntry> HostServiceLog::GetEntries(std::uint16_t endpoint) const {
    std::vector<HostServiceEntry> entries;
    for (const HostServiceEntry& entry : entries_.GetEntries()) {
        if (entry.endpoint == endpoint)
            entries.push_back(entry);
    }
    return entries;
}
