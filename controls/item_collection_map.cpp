#include "controls/item_collection_map.h"

#include "platform/pointer.h"

#include <iterator>

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
    if (m_nResult != KV_OK)
        return m_nResult;
    m_entries.Set(entry->GetIdentifier(), std::unique_ptr<ItemCollection>(entry));
    entry->SetIndexWatcher(this);
    if (m_bIndicesAscend)
        m_bIndicesAscend = InOrderWithNeighbours(std::prev(m_entries.end()));
    return m_nResult;
}

bool ItemCollectionMap::InOrderWithNeighbours(Entries::iterator at) const {
    std::int32_t index = 0;
    if (!at->second->GetFirstIndex(index))
        return true;  // it orders nothing; its neighbours were in order across it
    std::int32_t beside = 0;
    if (at != m_entries.begin()) {
        const ItemCollection& before = *std::prev(at)->second;
        if (!before.GetFirstIndex(beside) || beside > index)
            return false;
    }
    if (const auto next = std::next(at); next != m_entries.end()) {
        if (!next->second->GetFirstIndex(beside) || beside < index)
            return false;
    }
    return true;
}

void ItemCollectionMap::OnFirstIndexChanged(ItemCollection& entry) {
    if (m_bRenumbering || !m_bIndicesAscend)
        return;
    const Entries::iterator at = m_entries.Locate(entry.GetIdentifier());
    // An entry renamed behind the map's back can no longer be placed.
    m_bIndicesAscend = at != m_entries.end() && at->second.get() == &entry && InOrderWithNeighbours(at);
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
    const Entries::iterator at = m_entries.Locate(entry->GetIdentifier());
    if (at == m_entries.end() || at->second.get() != entry)
        return m_nResult = KV_E_NOT_PRESENT;
    std::unique_ptr<ItemCollection> removed = std::move(at->second);
    const Entries::iterator next = m_entries.Erase(at);
    std::int32_t removed_index = 0;
    if (removed->GetFirstIndex(removed_index))
        Renumber(removed_index, next);
    removed.reset();
    entry = nullptr;
    return m_nResult = KV_OK;
}

void ItemCollectionMap::Renumber(std::int32_t removed_index, Entries::iterator next) {
    m_bRenumbering = true;
    // In order, the entries before the removed one hold its index or less;
    // moving those above it up one keeps the order.
    const Entries::iterator from = m_bIndicesAscend ? next : m_entries.begin();
    bool ascend = true;
    bool seen = false;
    std::int32_t last = 0;
    for (Entries::iterator at = from; at != m_entries.end(); ++at) {
        std::int32_t index = 0;
        if (!at->second->GetFirstIndex(index))
            continue;
        if (index > removed_index) {
            UIItem* first = nullptr;
            at->second->GetItemAt(first, 0);
            first->SetIndex(--index);
        }
        ascend = ascend && (!seen || last <= index);
        seen = true;
        last = index;
    }
    // A walk over every entry learns their order again.
    if (!m_bIndicesAscend)
        m_bIndicesAscend = ascend;
    m_bRenumbering = false;
}

KvResult ItemCollectionMap::RemoveAll() {
    m_entries.Clear();
    m_bIndicesAscend = true;
    return m_nResult = KV_OK;
}

std::size_t
ItemCollectionMap::RemoveEntriesWhile(const std::function<bool(ItemCollection&)>& visit) {
    m_nResult = KV_OK;
    return m_entries.RemoveFrontWhile([&](Entries::Entry& entry) { return visit(*entry.second); },
                                      [](const Entries::Entry& entry, std::size_t stage) {
                                          entry.second->Prefetch(stage);
                                      });
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
