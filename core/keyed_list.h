#pragma once
// The owning container of the identifier-keyed record lists (texts,
// addresses, phone numbers): entries kept in insertion order under the
// identifier they were added with (exact, case-sensitive), up to a capacity.
// Iteration and the lists' XML forms follow insertion order.
//
// Entry must be default-constructible and offer std::string& GetIdentifier(),
// and for the XML helpers WriteXml(XmlNode*&, XmlDocument&, XmlNode*) and
// ReadXml(const XmlNode*).
// Every operation stores its result code and returns it. Capacities are small,
// so look-ups walk the entries. The slots of the first few entries live inside
// the list itself (kKeyedListInlineSlots): most lists hold one to four
// entries, and a separate slot block per list costs an allocation, and a
// cache miss when the record holding the list is freed. Entries are separate
// blocks either way, so an entry keeps its address for as long as the list
// holds it.

#include "core/kv_object.h"
#include "core/xml_node.h"
#include "platform/pointer.h"
#include "platform/prefetch.h"
#include "platform/result_codes.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class XmlDocument;

// How many entries' slots a list of Entry holds inside itself; a list type
// whose lists are mostly empty specialises it to 0.
template <typename Entry> inline constexpr std::size_t kKeyedListInlineSlots = 4;

template <typename Entry, std::uint32_t Capacity> class KeyedList : public KvObject {
public:
    // An iteration position: the index of the next entry, or kEndPosition.
    using Position = std::size_t;
    static constexpr Position kEndPosition = static_cast<Position>(-1);
    static constexpr std::uint32_t kCapacity = Capacity;

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(count_); }

    // Takes the entry under its identifier, untrimmed. On failure the caller
    // keeps it: KV_E_INVALID_POINTER for none, KV_E_LIST_FULL at capacity,
    // KV_E_ALREADY_PRESENT for an identifier that is already a key.
    KvResult Add(std::unique_ptr<Entry>& entry) {
        if (!entry)
            return result_ = KV_E_INVALID_POINTER;
        if (count_ >= Capacity)
            return result_ = KV_E_LIST_FULL;
        if (IndexOf(entry->GetIdentifier()) != kEndPosition)
            return result_ = KV_E_ALREADY_PRESENT;
        if (count_ < kInlineSlots) {
            Slot& slot = inline_[count_];
            slot.key = entry->GetIdentifier();
            slot.entry = std::move(entry);
        } else {
            // One small first block saves the growth steps 1, 2, 4.
            if (more_.capacity() == 0)
                more_.reserve(std::min<std::size_t>(Capacity - kInlineSlots, kFirstCapacity));
            std::string key = entry->GetIdentifier();
            more_.push_back({std::move(key), std::move(entry)});
        }
        ++count_;
        return result_ = KV_OK;
    }

    // Creates an entry with the identifier, trimmed in the caller's text, and
    // adds it; out receives it (owned by the list) or null. KV_E_FAIL for an
    // empty identifier, else Add's code.
    KvResult CreateEntry(Entry*& out, std::string& identifier) {
        out = nullptr;
        TrimInPlace(identifier);
        if (identifier.empty())
            return result_ = KV_E_FAIL;
        auto entry = std::make_unique<Entry>();
        entry->GetIdentifier() = identifier;
        Entry* created = entry.get();
        if (Add(entry) == KV_OK)
            out = created;
        return result_;
    }

    // Trims the caller's identifier; KV_E_FAIL when it is empty,
    // KV_E_NOT_PRESENT when it is no key; else out receives the entry.
    KvResult Lookup(Entry*& out, std::string& identifier) {
        out = nullptr;
        Position index = kEndPosition;
        if (FindTrimmed(identifier, index) == KV_OK)
            out = At(index).entry.get();
        return result_;
    }

    // The same codes as Lookup; the entry found is deleted.
    KvResult Remove(std::string& identifier) {
        Position index = kEndPosition;
        if (FindTrimmed(identifier, index) == KV_OK) {
            for (std::size_t i = index; i + 1 < count_; ++i)
                At(i) = std::move(At(i + 1));
            DropLast();
        }
        return result_;
    }

    KvResult RemoveAll() {
        more_.clear();
        for (std::size_t i = 0; i < std::min(count_, kInlineSlots); ++i)
            inline_[i] = Slot{};
        count_ = 0;
        return result_ = KV_OK;
    }

    // Returns whether there are entries.
    bool GetStartPosition(Position& position) const {
        position = count_ == 0 ? kEndPosition : 0;
        return count_ != 0;
    }
    // The entry at the position (null at the end), the position advanced.
    bool GetNext(Entry*& out, Position& position) {
        out = Advance(position);
        return out != nullptr;
    }
    bool GetNext(const Entry*& out, Position& position) const {
        out = Advance(position);
        return out != nullptr;
    }
    // Starts an iteration and gives the first entry; the caller's position,
    // when given, is left after it.
    bool GetFirst(Entry*& out, Position* position = nullptr) {
        Position own = kEndPosition;
        Position& where = position ? *position : own;
        GetStartPosition(where);
        return GetNext(out, where);
    }

    // Asks for every entry's memory ahead of its use: freeing many records
    // waits on one cache miss after another otherwise. Changes nothing.
    void PrefetchEntries() const {
        for (std::size_t i = 0; i < count_; ++i)
            PrefetchBytes(At(i).entry.get(), sizeof(Entry));
    }

protected:
    struct Slot {
        std::string key;
        std::unique_ptr<Entry> entry;
    };

    KeyedList() = default;
    ~KeyedList() override { PrefetchEntries(); }
    KeyedList(const KeyedList&) = delete;
    KeyedList& operator=(const KeyedList&) = delete;

    // Replaces the entries with new ones under the other list's identifiers,
    // in its order; copy(entry, source) fills each from its source.
    template <typename Copy> void CopyEntriesFrom(const KeyedList& other, Copy copy) {
        RemoveAll();
        for (std::size_t i = 0; i < other.count_; ++i) {
            const Entry& source = *other.At(i).entry;
            std::string identifier = source.GetIdentifier();
            Entry* entry = nullptr;
            if (CreateEntry(entry, identifier) == KV_OK)
                copy(*entry, source);
        }
    }

    // Deletes every entry for which the predicate holds, visiting each once
    // in order.
    template <typename Predicate> void RemoveIf(Predicate remove) {
        std::size_t kept = 0;
        for (std::size_t i = 0; i < count_; ++i) {
            if (remove(*At(i).entry))
                continue;
            if (kept != i)
                At(kept) = std::move(At(i));
            ++kept;
        }
        while (count_ > kept)
            DropLast();
    }

    // Writes every entry's element under the list's element in insertion
    // order; the entries' own results are not kept.
    void WriteEntries(XmlDocument& document, XmlNode* element) {
        for (std::size_t i = 0; i < count_; ++i) {
            XmlNode* written = nullptr;
            At(i).entry->WriteXml(written, document, element);
        }
    }
    // Reads every child element named entry_name into a new entry. A child of
    // another name is skipped: it would read as nothing and enter an entry
    // without identifier. A bad child gives KV_E_INVALID_POINTER.
    void ReadNamedEntries(const XmlNode& element, std::string_view entry_name) {
        for (const XmlNode* child : element.GetChildList()) {
            if (!IsValidPtr(child)) {
                result_ = KV_E_INVALID_POINTER;
                continue;
            }
            if (child->GetKind() == kXmlElement && child->GetName() == entry_name)
                ReadEntry(child);
        }
    }
    // Reads a child element into a new entry and adds it when the read
    // succeeded; an entry that is not added is deleted. The result is the
    // read's code, or Add's after a successful read.
    KvResult ReadEntry(const XmlNode* child) {
        auto entry = std::make_unique<Entry>();
        const KvResult read = entry->ReadXml(child);
        return result_ = read == KV_OK ? Add(entry) : read;
    }

    KvResult result_ = KV_OK;

private:
    static constexpr std::size_t kInlineSlots =
        std::min<std::size_t>(Capacity, kKeyedListInlineSlots<Entry>);
    static constexpr std::size_t kFirstCapacity = 4;

    Slot& At(std::size_t index) {
        return index < kInlineSlots ? inline_[index] : more_[index - kInlineSlots];
    }
    const Slot& At(std::size_t index) const {
        return index < kInlineSlots ? inline_[index] : more_[index - kInlineSlots];
    }
    // Deletes the last entry.
    void DropLast() {
        --count_;
        if (count_ >= kInlineSlots)
            more_.pop_back();
        else
            inline_[count_] = Slot{};
    }

    Position IndexOf(std::string_view key) const {
        for (std::size_t i = 0; i < count_; ++i) {
            if (SameText(At(i).key, key))
                return i;
        }
        return kEndPosition;
    }

    KvResult FindTrimmed(std::string& identifier, Position& index) {
        TrimInPlace(identifier);
        if (identifier.empty())
            return result_ = KV_E_FAIL;
        index = IndexOf(identifier);
        return result_ = index == kEndPosition ? KV_E_NOT_PRESENT : KV_OK;
    }

    Entry* Advance(Position& position) const {
        if (position >= count_) {
            position = kEndPosition;
            return nullptr;
        }
        Entry* entry = At(position).entry.get();
        ++position;
        if (position == count_)
            position = kEndPosition;
        return entry;
    }

    std::array<Slot, kInlineSlots> inline_;
    // The entries after the inline ones.
    std::vector<Slot> more_;
    std::size_t count_ = 0;
};
