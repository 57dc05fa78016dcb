#pragma once
// ItemCollection: one entry of a skinned combo box or list control, an
// identifier and one item per column (item 0 is the first column). The
// collection owns its items.

#include "controls/ui_item.h"
#include "core/bounded_string_list.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The items of an entry in column order. Most entries have one column, so
// the first item is held beside the list of the others: reading or removing
// a one-column entry reaches its item without a further block.
class ItemList {
public:
    std::size_t size() const { return first_ ? 1 + rest_.size() : 0; }
    bool empty() const { return !first_; }
    UIItem* operator[](std::size_t index) const { return index == 0 ? first_.get() : rest_[index - 1].get(); }
    void push_back(std::unique_ptr<UIItem> item) {
        if (first_)
            rest_.push_back(std::move(item));
        else
            first_ = std::move(item);
    }
    void clear() {
        first_.reset();
        rest_.clear();
    }

private:
    std::unique_ptr<UIItem> first_;
    std::vector<std::unique_ptr<UIItem>> rest_;
};

class ItemCollection {
public:
    // An iteration position: 0 is the null position, n stands before item n.
    using Position = std::size_t;

    // Told when the entry's first item may stand at another index: its index
    // was set, or the items were replaced or removed.
    class IndexWatcher {
    public:
        virtual void OnFirstIndexChanged(ItemCollection& entry) = 0;

    protected:
        ~IndexWatcher() = default;
    };

    ItemCollection() = default;
    ItemCollection(const ItemCollection&) = delete;
    ItemCollection& operator=(const ItemCollection&) = delete;
    virtual ~ItemCollection() = default;

    // The item at the zero-based column; KV_E_FAIL (out untouched) past the
    // last.
    KvResult GetItemAt(UIItem*& out, std::size_t index);
    // The first item whose text equals the text exactly; KV_E_FAIL and a null
    // out when none does.
    KvResult FindItemByText(UIItem*& out, const std::string& text);
    // A new item of the collection's kind, not yet in the list; the caller
    // owns it. KV_E_INVALID_POINTER and a null out for another kind.
    KvResult CreateItem(UIItem*& out);
    // Deletes an item the list does not hold, by its own kind.
    KvResult DeleteItem(UIItem* item);
    KvResult RemoveAll();

    // Rebuilds the entry with one item per text ("label#image"): each item
    // knows its row and column, the first carries the entry as its lParam.
    KvResult SetFromTextList(std::int32_t row_number, const std::string& identifier,
                             const BoundedStringList& texts, std::int32_t item_kind);
    KvResult SetFromText(std::int32_t row_number, const std::string& identifier,
                         const std::string& text, std::int32_t item_kind);
    // New texts for the existing items, in order, as far as both reach.
    KvResult SetItemTexts(const BoundedStringList& texts);

    bool GetHeadPosition(Position& position) const;
    bool GetNext(UIItem*& out, Position& position) const;
    bool GetFirst(UIItem*& out, Position& position) const;

    // The one watcher, or null; the map that holds the entry sets itself.
    void SetIndexWatcher(IndexWatcher* watcher) { m_pWatcher = watcher; }
    // The index of the first item; false for an entry without items.
    bool GetFirstIndex(std::int32_t& index) const {
        if (m_items.empty())
            return false;
        index = m_items[0]->GetIndex();
        return true;
    }

    // Asks for one level of the entry ahead of a walk that reads it: 0 the
    // entry, 1 its first item, 2 that item's text. A level is found through
    // the one before, so each is asked for once the one before had time to
    // arrive. Changes nothing.
    void Prefetch(std::size_t level) const {
        // The entry and an item take two cache lines, the text's start one.
        // One request site: with a request in each branch, GCC 12 dropped
        // all but the first.
        const char* start = reinterpret_cast<const char*>(this);
        if (level > 0) {
            if (m_items.empty())
                return;
            const UIItem* first = m_items[0];
            start = level == 1 ? reinterpret_cast<const char*>(first) : first->GetText().data();
        }
        __builtin_prefetch(start);
        if (level < 2)
            __builtin_prefetch(start + 64);
    }

    std::string& GetIdentifier() { return m_strIdentifier; }
    std::int32_t GetRowNumber() const { return m_nRowNumber; }
    std::int32_t GetItemKind() const { return m_nItemKind; }
    std::size_t GetCount() const { return m_items.size(); }
    KvResult GetResult() const { return m_nResult; }

private:
    friend class UIItem;
    void OnItemIndexChanged(const UIItem& item) {
        if (m_pWatcher != nullptr && !m_items.empty() && m_items[0] == &item)
            m_pWatcher->OnFirstIndexChanged(*this);
    }
    void FirstItemReplaced() {
        if (m_pWatcher != nullptr)
            m_pWatcher->OnFirstIndexChanged(*this);
    }
    // Creates the item for one text and appends it; the column counts
    // created items only.
    void AppendItem(const std::string& text, std::int32_t& column);

    KvResult m_nResult = KV_OK;
    std::int32_t m_nRowNumber = -1;
    ItemList m_items;
    std::string m_strIdentifier;
    std::int32_t m_nItemKind = kListItemKind;
    IndexWatcher* m_pWatcher = nullptr;
};
