#pragma once
// Plain holder payloads that the job and protocol code fill and read: a text
// stamped with its creation time, a pair of numbers, a lock holder, a
// waiting-state record and a list of object pointers. Each has a constructor
// without arguments for the payload registry and a copy from its own class.

#include "core/handle_table.h"
#include "core/kv_object.h"
#include "core/time_date.h"
#include "core/timeout_timer.h"
#include "platform/sync.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Payload 25; its first text carries status texts by their identifier.
class CKvStampedTextRecord {
public:
    // Takes the time stamp now. A copy carries the words, the texts and the
    // other's time stamp.
    CKvStampedTextRecord() = default;

    std::uint32_t first_word = 0;
    std::uint32_t second_word = 0;
    std::string text;
    std::string second_text;
    TimeStamp time_stamp;
    std::uint32_t last_word = 0;
};

// Payload 60.
class CKvTypedObject60 {
public:
    std::uint32_t first_number = 0;
    std::uint32_t second_number = 0;
};

// Payload 59: holds a lock id of a handle table for as long as it lives.
// Each object frees only the lock id it took itself.
class CKvTypedObject59 {
public:
    static constexpr std::size_t kWordCount = 12;

    // With a valid table a lock id is taken from it (0 when the table is
    // full).
    explicit CKvTypedObject59(HandleTable* table = nullptr);
    // A new holder on the same table, with a lock id of its own.
    CKvTypedObject59(const CKvTypedObject59& other);
    // Copies the words; each object keeps its own table and lock id.
    CKvTypedObject59& operator=(const CKvTypedObject59& other);
    ~CKvTypedObject59();

    HandleTable* GetTable() const { return table_; }
    std::uint32_t GetLockId() const { return lock_id_; }
    // The lock under the id, or null.
    CriticalSection* GetLock() const;

    std::uint32_t word = 0;
    std::array<std::uint32_t, kWordCount> words{};

private:
    void TakeLock(HandleTable* table);
    void FreeLock();

    HandleTable* table_ = nullptr;
    std::uint32_t lock_id_ = 0;
};

// Payload 46: a waiting state with a 180-second timer started when the record
// is made and a manual-reset event, not signalled at first.
class CKvTypedObject46 {
public:
    static constexpr std::uint32_t kTimeoutSeconds = 180;
    static constexpr std::size_t kStateWordCount = 8;
    // Word 0 starts as kInitialMask, word 1 as 1; the copy carries only word
    // kCopiedWord.
    static constexpr std::uint32_t kInitialMask = 0xFFF00F0Fu;
    static constexpr std::size_t kCopiedWord = 3;

    CKvTypedObject46();
    CKvTypedObject46(const CKvTypedObject46&) = delete;
    CKvTypedObject46& operator=(const CKvTypedObject46& other);

    TimeoutTimer& GetTimer() { return timer_; }
    ManualResetEvent& GetEvent() { return event_; }

    std::string text;
    std::array<std::uint32_t, kStateWordCount> state_words{};

private:
    TimeoutTimer timer_{0, 0};
    ManualResetEvent event_;
};

// Payload 21: pointers to objects owned elsewhere; deleting the list leaves
// them alone. The registry never copies it.
class CKvObjectPointerList : public KvObject {
public:
    void Add(KvObject* object) { objects_.push_back(object); }
    void RemoveAll() { objects_.clear(); }
    std::size_t GetCount() const { return objects_.size(); }
    KvObject* GetAt(std::size_t index) const { return objects_.at(index); }

private:
    std::vector<KvObject*> objects_;
};
