#pragma once
// The CAPIFuncData records that were sent and wait for their answer, keyed by
// Id and kept in the order they were added. The map shares ownership with the
// threads that wait on the records: a waiter that gives up drops its share
// only, so a late answer never writes into freed memory.

#include "capi/capi_func_data.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <vector>

class CAPIFuncDataMap {
public:
    using Record = std::shared_ptr<CAPIFuncData>;

    // KV_E_FAIL for no record or an Id already present.
    KvResult Add(Record record);
    // The record filed under the Id, removed from the map; null when absent.
    Record Take(std::int32_t id);
    Record Find(std::int32_t id) const;
    // True when the entry holding that record was found and removed.
    bool Remove(const CAPIFuncData* record);
    void RemoveAll();
    // Completes every record as not executed; the records stay in the map.
    void FailAll();
    // The first record whose time-out has expired (a running time-out is
    // polled); null when none.
    Record FindExpired();

    // Iteration: Begin, then Next until null.
    void Begin() { position_ = 0; }
    Record Next();
    std::size_t Count() const { return records_.size(); }
    KvResult GetResult() const { return result_; }

private:
    std::vector<Record>::iterator FindEntry(std::int32_t id);

    KvResult result_ = KV_OK;
    std::vector<Record> records_;
    std::size_t position_ = 0;
};
