#pragma once
// A pool of pre-allocated connection records: a free list and an in-use list,
// both owned by the pool. Records move between the lists (and between pools)
// without being created or destroyed. A record type offers Reset, GetState,
// GetIdWord and GetCodec.

#include "platform/result_codes.h"

#include <cstdint>
#include <iterator>
#include <list>
#include <memory>

template <typename Record> class CapiConnectionPool {
public:
    using Records = std::list<std::unique_ptr<Record>>;

    // Adds count new records, each built from the arguments, to the free list.
    template <typename... Args> KvResult CreateRecords(std::uint32_t count, const Args&... args) {
        for (std::uint32_t i = 0; i < count; ++i) {
            free_.push_back(std::make_unique<Record>(args...));
            ++free_count_;
            ++total_count_;
        }
        return KV_OK;
    }

    // The first free record, now in use; KV_CAPI_NOT_AVAILABLE when none is free.
    KvResult Take(Record*& record) {
        record = nullptr;
        if (free_.empty())
            return KV_CAPI_NOT_AVAILABLE;
        in_use_.splice(in_use_.end(), free_, free_.begin());
        --free_count_;
        record = in_use_.back().get();
        return KV_OK;
    }

    // A record in use goes back to the free list, reset; KV_CAPI_NOT_AVAILABLE
    // when it is not in use here.
    KvResult Release(Record* record) {
        if (free_count_ >= total_count_)
            return KV_CAPI_NOT_AVAILABLE;
        const auto found = Locate(in_use_, record);
        if (found == in_use_.end())
            return KV_CAPI_NOT_AVAILABLE;
        (*found)->Reset();
        free_.splice(free_.end(), in_use_, found);
        ++free_count_;
        return KV_OK;
    }

    void ReleaseAll() {
        for (auto& record : in_use_)
            record->Reset();
        free_.splice(free_.end(), in_use_);
        free_count_ = total_count_;
    }

    // Moves count free records of the other pool into this one's free list,
    // resetting each when asked. KV_CAPI_NOT_AVAILABLE, nothing moved, when the
    // other pool has fewer free records.
    KvResult Transfer(CapiConnectionPool& other, std::uint32_t count, bool reset) {
        if (&other == this || other.free_count_ < count || other.free_.size() < count)
            return KV_CAPI_NOT_AVAILABLE;
        auto last = other.free_.begin();
        std::advance(last, count);
        if (reset)
            for (auto it = other.free_.begin(); it != last; ++it)
                (*it)->Reset();
        free_.splice(free_.end(), other.free_, other.free_.begin(), last);
        other.free_count_ -= count;
        other.total_count_ -= count;
        free_count_ += count;
        total_count_ += count;
        return KV_OK;
    }

    // The first record in use that matches; null when none.
    template <typename Match> Record* FindInUse(Match match) const {
        for (const auto& record : in_use_)
            if (match(*record))
                return record.get();
        return nullptr;
    }
    KvResult FindByMessageNumber(std::uint16_t number, Record*& record) const {
        return Found(record, FindInUse([number](const Record& entry) {
                         return entry.GetCodec().GetMessageNumber() == number;
                     }));
    }
    KvResult FindByPlci(std::uint32_t plci, Record*& record) const {
        return Found(record, FindInUse([plci](const Record& entry) {
                         return entry.GetCodec().GetPlci() == plci;
                     }));
    }
    KvResult FindByNcci(std::uint32_t ncci, Record*& record) const {
        return Found(record, FindInUse([ncci](const Record& entry) {
                         return entry.GetCodec().GetNcci() == ncci;
                     }));
    }
    KvResult FindById(std::uint32_t id, Record*& record) const {
        return Found(record,
                     FindInUse([id](const Record& entry) { return entry.GetIdWord() == id; }));
    }

    // 1 when every record in use has the state; else 0, with the first record
    // in another state.
    std::int32_t AllInState(std::uint32_t state, Record** other = nullptr) const {
        Record* first =
            FindInUse([state](const Record& entry) { return entry.GetState() != state; });
        if (other != nullptr)
            *other = first;
        return first == nullptr ? 1 : 0;
    }

    std::uint32_t GetFreeCount() const { return free_count_; }
    std::uint32_t GetTotalCount() const { return total_count_; }
    const Records& InUse() const { return in_use_; }

private:
    static typename Records::iterator Locate(Records& records, const Record* record) {
        for (auto it = records.begin(); it != records.end(); ++it)
            if (it->get() == record)
                return it;
        return records.end();
    }
    static KvResult Found(Record*& out, Record* record) {
        out = record;
        return record != nullptr ? KV_OK : KV_CAPI_NOT_AVAILABLE;
    }

    Records free_;
    Records in_use_;
    std::uint32_t free_count_ = 0;
    std::uint32_t total_count_ = 0;
};
