#include "capi/capi_func_data_map.h"

#include <algorithm>

std::vector<CAPIFuncDataMap::Record>::iterator CAPIFuncDataMap::FindEntry(std::int32_t id) {
    return std::find_if(records_.begin(), records_.end(),
                        [id](const Record& record) { return record->GetId() == id; });
}

KvResult CAPIFuncDataMap::Add(Record record) {
    if (!record || FindEntry(record->GetId()) != records_.end()) {
        result_ = KV_E_FAIL;
        return result_;
    }
    records_.push_back(std::move(record));
    result_ = KV_OK;
    return result_;
}

CAPIFuncDataMap::Record CAPIFuncDataMap::Take(std::int32_t id) {
    const auto entry = FindEntry(id);
    if (entry == records_.end())
        return nullptr;
    Record record = std::move(*entry);
    if (static_cast<std::size_t>(entry - records_.begin()) < position_)
        --position_;
    records_.erase(entry);
    return record;
}

CAPIFuncDataMap::Record CAPIFuncDataMap::Find(std::int32_t id) const {
    const auto entry = std::find_if(records_.begin(), records_.end(),
                                    [id](const Record& record) { return record->GetId() == id; });
    return entry == records_.end() ? nullptr : *entry;
}

bool CAPIFuncDataMap::Remove(const CAPIFuncData* record) {
    const auto entry = std::find_if(records_.begin(), records_.end(),
                                    [record](const Record& held) { return held.get() == record; });
    if (record == nullptr || entry == records_.end())
        return false;
    if (static_cast<std::size_t>(entry - records_.begin()) < position_)
        --position_;
    records_.erase(entry);
    return true;
}

void CAPIFuncDataMap::RemoveAll() {
    records_.clear();
    position_ = 0;
}

void CAPIFuncDataMap::FailAll() {
    for (const Record& record : records_) {
        record->SetNotAvailableResult();
        record->SetFlagReturn(1);
        record->SignalCompleted();
    }
}

CAPIFuncDataMap::Record CAPIFuncDataMap::FindExpired() {
    for (const Record& record : records_) {
        if (record->CheckTimeoutExpired())
            return record;
    }
    return nullptr;
}

CAPIFuncDataMap::Record CAPIFuncDataMap::Next() {
    if (position_ >= records_.size())
        return nullptr;
    return records_[position_++];
}
