#pragma once
// Dial request queues: dial items (CapiDialManager records) wait per called
// number in first-in, first-out order; only the head of each number's queue
// is active, and the dial manager walks the active items in turn.

#include "platform/result_codes.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CapiDialManager;

// The items of one called number; the queue owns them.
class DialQueue {
public:
    static constexpr std::size_t kMaxItems = 51;

    explicit DialQueue(std::string number = {}) : name_(std::move(number)) {}
    DialQueue(const DialQueue&) = delete;
    DialQueue& operator=(const DialQueue&) = delete;
    ~DialQueue();

    // Takes the item over when it returns KV_OK: KV_E_INVALID_POINTER for no
    // item, KV_E_FAIL when 51 are queued. start_timer starts the item's timer 1.
    KvResult Add(CapiDialManager* item, bool start_timer);
    // KV_OK when found and removed (the caller owns it then), else KV_E_NOT_FOUND.
    KvResult Remove(CapiDialManager* item);
    // KV_OK when at least one item of the number was removed and deleted.
    KvResult RemoveByNumber(const std::string& number);
    // Null when empty.
    CapiDialManager* Head() const;
    std::size_t Count() const { return items_.size(); }
    bool Contains(const CapiDialManager* item) const;

    void Begin() { position_ = 0; }
    CapiDialManager* Next();
    // As Next, restarting at the head once at the end.
    CapiDialManager* NextWrapped();

    void DeleteAll();
    const std::string& GetName() const { return name_; }

private:
    std::string name_;
    std::vector<std::unique_ptr<CapiDialManager>> items_;
    std::size_t position_ = 0;
};

class DialQueueSet {
public:
    static constexpr std::size_t kMaxNumbers = 51;

    explicit DialQueueSet(CapiDialManager* manager = nullptr) : manager_(manager) {}
    DialQueueSet(const DialQueueSet&) = delete;
    DialQueueSet& operator=(const DialQueueSet&) = delete;
    ~DialQueueSet() { DeleteAll(); }

    // KV_E_FAIL when the number has a queue or 51 numbers are present.
    KvResult CreateQueue(const std::string& number, DialQueue*& queue);
    DialQueue* FindQueue(const std::string& number) const;
    // Takes the item over when it returns KV_OK: it joins its called number's
    // queue (created, and the item made active, for a new number).
    KvResult Enqueue(CapiDialManager* item, bool start_timer);
    // Takes the item out of its queue; the caller owns it then. An emptied
    // queue is deleted; a dequeued head hands the active place to the next.
    KvResult Dequeue(CapiDialManager* item);
    KvResult DequeueAndDelete(CapiDialManager* item);
    // Drops and deletes every item whose timer 1 has expired.
    void CheckTimeouts();
    // The active items in turn, wrapping around; null when none.
    CapiDialManager* NextActive();
    void ResetActive() { active_position_ = 0; }
    std::size_t TotalCount() const;
    std::size_t ActiveCount() const { return active_.size(); }
    void DeleteQueue(const std::string& number);
    void DeleteAll();
    CapiDialManager* GetManager() const { return manager_; }

private:
    bool RemoveActive(CapiDialManager* item);

    std::map<std::string, std::unique_ptr<DialQueue>> queues_;
    // The heads of the queues, in the order they became active; not owned.
    std::vector<CapiDialManager*> active_;
    std::size_t active_position_ = 0;
    CapiDialManager* manager_ = nullptr;
};
