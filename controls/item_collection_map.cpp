#include "controls/item_collection_map.h"

#include "platform/pointer.h"

template <typename Fill>
KvResult ItemCollectionMap::CreateEntry(ItemCollection*& out, const std::string& identifier,
                                        Fill fill) {
    out = nullptr;
    if (m_entries.Find(identifier) != nullptr)
        return m_nResult = KV_E_ALREADY_PRESENT;
    auto entry = std::make_unique<ItemCollection>();
    // The number is taken before the fill, so a failed fill still uses it.
    const auto row_number = static_cast<std::int32_t>(m_nRowCounter++);
    m_nResult = fill(*entry, row_number);
    if (m_nResult == KV_OK)
        out = entry.release();
    return m_nResult;
}

KvResult ItemCollectionMap::CreateEntryFromTextList(ItemCollection*& out,
                                                    const std::string& identifier,
                                                    const BoundedStringList& texts) {
    return CreateEntry(out, identifier, [&](ItemCollection& entry, std::int32_t row) {
        return entry.SetFromTextList(row, identifier, texts, m_nItemKind);
    });
}

KvResult ItemCollectionMap::CreateEntryFromText(ItemCollection*& out, const std::string& identifier,
                                                const std::string& text) {
    return CreateEntry(out, identifier, [&](ItemCollection& entry, std::int32_t row) {
        return entry.SetFromText(row, identifier, text, m_nItemKind);
    });
}

KvResult ItemCollectionMap::Keep(ItemCollection* entry) {
    if (m_nResult == KV_OK)
        m_entries.Set(entry->GetIdentifier(), std::unique_ptr<ItemCollection>(entry));
    return m_nResult;
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
    const std::unique_ptr<ItemCollection>* found = m_entries.Find(identifier);
    out = found != nullptr ? found->get() : nullptr;
    return m_nResult = out != nullptr ? KV_OK : KV_E_NOT_PRESENT;
}

KvResult ItemCollectionMap::FindEntryByItemText(ItemCollection*& out, const std::string& text) {
    UIItem* item = nullptr;
    for (auto& [identifier, entry] : m_entries) {
        if (entry->FindItemByText(item, text) == KV_OK) {
            out = entry.get();
            return m_nResult = KV_OK;
        }
    }
    out = nullptr;
    return m_nResult = KV_E_FAIL;
}

KvResult ItemCollectionMap::RemoveEntry(ItemCollection*& entry) {
    if (!IsValidPtr(entry))
        return m_nResult = KV_E_INVALID_POINTER;
    // Only the map's own entry is removed: another object under the same
    // identifier is neither deleted nor changed.
    const std::unique_ptr<ItemCollection>* held = m_entries.Find(entry->GetIdentifier());
    if (held == nullptr || held->get() != entry)
        return m_nResult = KV_E_NOT_PRESENT;
    std::unique_ptr<ItemCollection> removed;
    m_entries.Remove(entry->GetIdentifier(), &removed);
    UIItem* first = nullptr;
    if (removed->GetItemAt(first, 0) == KV_OK) {
        const std::int32_t removed_index = first->GetIndex();
        for (auto& [identifier, other] : m_entries) {
            UIItem* other_first = nullptr;
            if (other->GetItemAt(other_first, 0) == KV_OK &&
                other_first->GetIndex() > removed_index)
                other_first->SetIndex(other_first->GetIndex() - 1);
        }
    }
    removed.reset();
    entry = nullptr;
    return m_nResult = KV_OK;
}

KvResult ItemCollectionMap::RemoveAll() {
    m_entries.Clear();
    return m_nResult = KV_OK;
}

std::size_t
ItemCollectionMap::RemoveEntriesWhile(const std::function<bool(ItemCollection&)>& visit) {
    m_nResult = KV_OK;
    return m_entries.RemoveFrontWhile([&](Entries::Entry& entry) { return visit(*entry.second); });
}

bool ItemCollectionMap::GetStartPosition(Position& position) const {
    position = Position{};
    if (m_entries.empty())
        return false;
    position = Position{this, m_entries.begin()};
    return true;
}

bool ItemCollectionMap::GetNextEntry(ItemCollection*& out, Position& position) const {
    if (position.map != this || position.next == m_entries.end())
        return false;
    out = position.next->second.get();
    if (++position.next == m_entries.end())
        position = Position{};
    return true;
}
