#pragma once
// ItemCollectionMap: every entry of one skinned combo box or list control,
// keyed by identifier and walked in the order the entries were added. The
// map owns its entries; each entry it makes takes the next row number.
//
// Removing an entry moves the first items after its own index up one. The
// map follows its entries' first indices, and while they do not fall along
// its order (a list control's rows, a combo's lines all at the top) only the
// entries after the removed one can need that: removing the last visits no
// other. Otherwise a removal walks every entry.

#include "controls/insertion_ordered_map.h"
#include "controls/item_collection.h"
#include "controls/ui_item.h"
#include "core/bounded_string_list.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class ItemCollectionMap : private ItemCollection::IndexWatcher {
public:
    using Entries = InsertionOrderedMap<std::unique_ptr<ItemCollection>>;
    // An iteration position; a null position has no map.
    struct Position {
        const ItemCollectionMap* map = nullptr;
        Entries::const_iterator next{};
    };

    explicit ItemCollectionMap(std::int32_t item_kind = kListItemKind) : m_nItemKind(item_kind) {}
    ItemCollectionMap(const ItemCollectionMap&) = delete;
    ItemCollectionMap& operator=(const ItemCollectionMap&) = delete;
    virtual ~ItemCollectionMap() = default;

    // A new entry filled from the texts (or the text) under the next row
    // number, not stored in the map: the caller owns it. KV_E_ALREADY_PRESENT
    // and a null out for an identifier of the map (no row number used); a
    // failed fill uses its row number and gives a null out.
    KvResult CreateEntryFromTextList(ItemCollection*& out, const std::string& identifier,
                                     const BoundedStringList& texts);
    KvResult CreateEntryFromText(ItemCollection*& out, const std::string& identifier,
                                 const std::string& text);
    // As the two above, and the map keeps the new entry (out borrows it).
    KvResult AddEntryFromTextList(ItemCollection*& out, const std::string& identifier,
                                  const BoundedStringList& texts);
    KvResult AddEntryFromText(ItemCollection*& out, const std::string& identifier,
                              const std::string& text);

    // KV_E_NOT_PRESENT and a null out for an identifier not in the map.
    KvResult Lookup(ItemCollection*& out, const std::string& identifier);
    // The first entry, in the map's order, with an item of that text;
    // KV_E_FAIL and a null out when none has one.
    KvResult FindEntryByItemText(ItemCollection*& out, const std::string& text);
    // Deletes the map's entry and nulls the caller's pointer; the first items
    // of the entries after it move up one row. KV_E_NOT_PRESENT, and nothing
    // changes, for an entry the map does not hold under its identifier.
    KvResult RemoveEntry(ItemCollection*& entry);
    // Deletes every entry; the row counter goes on.
    KvResult RemoveAll();
    // Deletes entries in the map's order for as long as the visitor, shown
    // each entry before it goes, answers true; no index is renumbered and the
    // row counter goes on. How many entries went. The visitor must neither
    // look entries up nor change the map.
    std::size_t RemoveEntriesWhile(const std::function<bool(ItemCollection&)>& visit);

    bool GetStartPosition(Position& position) const;
    bool GetNextEntry(ItemCollection*& out, Position& position) const;

    std::size_t GetCount() const { return m_entries.size(); }
    std::uint32_t GetRowCounter() const { return m_nRowCounter; }
    std::int32_t GetItemKind() const { return m_nItemKind; }
    void SetItemKind(std::int32_t item_kind) { m_nItemKind = item_kind; }
    KvResult GetResult() const { return m_nResult; }

private:
    template <typename Fill>
    KvResult CreateEntry(ItemCollection*& out, const std::string& identifier, Fill fill);
    KvResult Keep(ItemCollection* entry);
    void OnFirstIndexChanged(ItemCollection& entry) override;
    // Whether the entry's first index lies between those of the entries
    // beside it; false when a neighbour has no items.
    bool InOrderWithNeighbours(Entries::iterator at) const;
    // The first items of the entries with an index above the removed one
    // move up one; next is the entry after the removed one.
    void Renumber(std::int32_t removed_index, Entries::iterator next);

    KvResult m_nResult = KV_OK;
    Entries m_entries;
    std::uint32_t m_nRowCounter = 0;
    std::int32_t m_nItemKind;
    // The first indices never fall along the map's order (entries without
    // items aside).
    bool m_bIndicesAscend = true;
    // Set while the map itself moves indices, which keeps their order.
    bool m_bRenumbering = false;
};
