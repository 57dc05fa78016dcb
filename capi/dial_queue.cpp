#include "capi/dial_queue.h"

#include "capi/capi_dial_manager.h"

#include <algorithm>

DialQueue::~DialQueue() = default;

KvResult DialQueue::Add(CapiDialManager* item, bool start_timer) {
    if (item == nullptr)
        return KV_E_INVALID_POINTER;
    if (items_.size() >= kMaxItems)
        return KV_E_FAIL;
    items_.emplace_back(item);
    if (start_timer)
        item->GetTimers().Start(kCapiManagerTimer1);
    return KV_OK;
}

KvResult DialQueue::Remove(CapiDialManager* item) {
    const auto entry = std::find_if(items_.begin(), items_.end(),
                                    [item](const auto& held) { return held.get() == item; });
    if (item == nullptr || entry == items_.end())
        return KV_E_NOT_FOUND;
    if (static_cast<std::size_t>(entry - items_.begin()) < position_)
        --position_;
    entry->release();
    items_.erase(entry);
    return KV_OK;
}

KvResult DialQueue::RemoveByNumber(const std::string& number) {
    const std::size_t before = items_.size();
    std::erase_if(items_, [&number](const auto& item) { return item->GetCalledNumber() == number; });
    position_ = std::min(position_, items_.size());
    return items_.size() < before ? KV_OK : KV_E_FAIL;
}

CapiDialManager* DialQueue::Head() const {
    return items_.empty() ? nullptr : items_.front().get();
}

bool DialQueue::Contains(const CapiDialManager* item) const {
    return std::any_of(items_.begin(), items_.end(),
                       [item](const auto& held) { return held.get() == item; });
}

CapiDialManager* DialQueue::Next() {
    return position_ < items_.size() ? items_[position_++].get() : nullptr;
}

CapiDialManager* DialQueue::NextWrapped() {
    if (position_ >= items_.size())
        position_ = 0;
    return Next();
}

void DialQueue::DeleteAll() {
    items_.clear();
    position_ = 0;
}

KvResult DialQueueSet::CreateQueue(const std::string& number, DialQueue*& queue) {
    queue = nullptr;
    if (queues_.contains(number) || queues_.size() >= kMaxNumbers)
        return KV_E_FAIL;
    auto created = std::make_unique<DialQueue>(number);
    queue = created.get();
    queues_.emplace(number, std::move(created));
    return KV_OK;
}

DialQueue* DialQueueSet::FindQueue(const std::string& number) const {
    const auto entry = queues_.find(number);
    return entry == queues_.end() ? nullptr : entry->second.get();
}

KvResult DialQueueSet::Enqueue(CapiDialManager* item, bool start_timer) {
    if (item == nullptr)
        return KV_E_INVALID_POINTER;
    if (DialQueue* queue = FindQueue(item->GetCalledNumber()))
        return queue->Add(item, start_timer);
    DialQueue* queue = nullptr;
    const KvResult created = CreateQueue(item->GetCalledNumber(), queue);
    if (created != KV_OK)
        return created;
    queue->Add(item, start_timer);
    active_.push_back(item);
    ResetActive();
    return KV_OK;
}

bool DialQueueSet::RemoveActive(CapiDialManager* item) {
    const auto entry = std::find(active_.begin(), active_.end(), item);
    if (entry == active_.end())
        return false;
    if (static_cast<std::size_t>(entry - active_.begin()) < active_position_)
        --active_position_;
    active_.erase(entry);
    return true;
}

KvResult DialQueueSet::Dequeue(CapiDialManager* item) {
    if (item == nullptr)
        return KV_E_INVALID_POINTER;
    DialQueue* queue = FindQueue(item->GetCalledNumber());
    if (queue == nullptr)
        return KV_E_FAIL;
    const bool was_head = queue->Head() == item;
    const KvResult removed = queue->Remove(item);
    if (removed != KV_OK)
        return removed;
    if (queue->Count() == 0) {
        queues_.erase(item->GetCalledNumber());
        if (RemoveActive(item))
            ResetActive();
        return KV_OK;
    }
    // An item behind the head was never active: the active place stays with
    // the head.
    if (was_head && RemoveActive(item))
        active_.push_back(queue->Head());
    return KV_OK;
}

KvResult DialQueueSet::DequeueAndDelete(CapiDialManager* item) {
    const KvResult result = Dequeue(item);
    if (result == KV_OK)
        delete item;
    return result;
}

void DialQueueSet::CheckTimeouts() {
    // Collected first: dequeuing changes the queues being walked.
    std::vector<CapiDialManager*> expired;
    for (const auto& [number, queue] : queues_) {
        queue->Begin();
        while (CapiDialManager* item = queue->Next())
            if (item->GetTimers().CheckExpired(kCapiManagerTimer1) != 0)
                expired.push_back(item);
    }
    for (CapiDialManager* item : expired)
        DequeueAndDelete(item);
}

CapiDialManager* DialQueueSet::NextActive() {
    if (active_.empty())
        return nullptr;
    if (active_position_ >= active_.size())
        active_position_ = 0;
    return active_[active_position_++];
}

std::size_t DialQueueSet::TotalCount() const {
    std::size_t total = 0;
    for (const auto& [number, queue] : queues_)
        total += queue->Count();
    return total;
}

void DialQueueSet::DeleteQueue(const std::string& number) {
    const auto entry = queues_.find(number);
    if (entry == queues_.end())
        return;
    std::unique_ptr<DialQueue> queue = std::move(entry->second);
    queues_.erase(entry);
    queue->Begin();
    while (CapiDialManager* item = queue->Next())
        RemoveActive(item);
}

void DialQueueSet::DeleteAll() {
    queues_.clear();
    active_.clear();
    active_position_ = 0;
}
