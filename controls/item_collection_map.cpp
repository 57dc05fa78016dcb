#include "controls/item_collection_map.h"

#include "platform/pointer.h"

template <typename Fill>
KvResult ItemCollectionMap::CreateEntry(ItemCollection*& out, const std::string& identifier,
                                        Fill fill) {
    out = nullptr;
    if (entries_.Find(identifier) != nullptr)
        return result_ = KV_E_ALREADY_PRESENT;
    auto entry = std::make_unique<ItemCollection>();
    // The number is taken before the fill, so a failed fill still uses it.
    const auto row_number = static_cast<std::int32_t>(row_counter_++);
    result_ = fill(*entry, row_number);
    if (result_ == KV_OK)
        out = entry.release();
    return result_;
}

KvResult ItemCollectionMap::CreateEntryFromTextList(ItemCollection*& out,
                                                    const std::string& identifier,
                                                    const BoundedStringList& texts) {
    return CreateEntry(out, identifier, [&](ItemCollection& entry, std::int32_t row) {
        return entry.SetFromTextList(row, identifier, texts, item_kind_);
    });
}

KvResult ItemCollectionMap::CreateEntryFromText(ItemCollection*& out, const std::string& identifier,
                                                const std::string& text) {
    return CreateEntry(out, identifier, [&](ItemCollection& entry, std::int32_t row) {
        return entry.SetFromText(row, identifier, text, item_kind_);
    });
}

KvResult ItemCollectionMap::Keep(ItemCollection* entry) {
    if (result_ == KV_OK)
        entries_.Set(entry->GetIdentifier(), std::unique_ptr<ItemCollection>(entry));
    return result_;
}

KvResult ItemCollectionMap::AddEntryFromTextList(ItemCollection*& out,
                                                 const std::string& identifier,
                                                 const BoundedStringList& texts) {
    CreateEntryFromTextList(out, identifier, texts);
    return Keep(out);
}

KvResult ItemCollectionMap::AddEntryFromText(ItemCollection*& out, const std::string& identifier,
                                             const std::string& text) {
    CreateEntryFromText(out, identifier, text);
    return Keep(out);
}

KvResult ItemCollectionMap::Lookup(ItemCollection*& out, const std::string& identifier) {
    const std::unique_ptr<ItemCollection>* found = entries_.Find(identifier);
    out = found != nullptr ? found->get() : nullptr;
    return result_ = out != nullptr ? KV_OK : KV_E_NOT_PRESENT;
}

KvResult ItemCollectionMap::FindEntryByItemText(ItemCollection*& out, const std::string& text) {
    UIItem* item = nullptr;
    for (auto& [identifier, entry] : entries_) {
        if (entry->FindItemByText(item, text) == KV_OK) {
            out = entry.get();
            return result_ = KV_OK;
        }
    }
    out = nullptr;
    return result_ = KV_E_FAIL;
}

KvResult ItemCollectionMap::RemoveEntry(ItemCollection*& entry) {
    if (!IsValidPtr(entry))
        return result_ = KV_E_INVALID_POINTER;
    // Only the map's own entry is removed: another object under the same
    // identifier is neither deleted nor changed.
    const std::unique_ptr<ItemCollection>* held = entries_.Find(entry->GetIdentifier());
    if (held == nullptr || held->get() != entry)
        return result_ = KV_E_NOT_PRESENT;
    std::unique_ptr<ItemCollection> removed;
    entries_.Remove(entry->GetIdentifier(), &removed);
    UIItem* first = nullptr;
    if (removed->GetItemAt(first, 0) == KV_OK) {
        const std::int32_t removed_index = first->GetIndex();
        for (auto& [identifier, other] : entries_) {
            UIItem* other_first = nullptr;
            if (other->GetItemAt(other_first, 0) == KV_OK &&
                other_first->GetIndex() > removed_index)
                other_first->SetIndex(other_first->GetIndex() - 1);
        }
    }
    removed.reset();
    entry = nullptr;
    return result_ = KV_OK;
}

KvResult ItemCollectionMap::RemoveAll() {
    entries_.Clear();
    return result_ = KV_OK;
}

bool ItemCollectionMap::GetStartPosition(Position& position) const {
    position = Position{};
    if (entries_.empty())
        return false;
    position = Position{this, entries_.begin()};
    return true;
}

bool ItemCollectionMap::GetNextEntry(ItemCollection*& out, Position& position) const {
    if (position.map != this || position.next == entries_.end())
        return false;
    out = position.next->second.get();
    if (++position.next == entries_.end())
        position = Position{};
    return true;
}
