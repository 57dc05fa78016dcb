#pragma once
// CKvUIObjectCatalogType: the descriptions of one UI object type that a
// catalog holds, filed by identifier (and, in the catalog's id map, by
// numeric id); and the table of the
// fifteen types (code, tag, capacity, factory, read from the file or not).

#include "guidesc/ui_object.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// One registered type of the catalog. Codes are registered in table order.
struct UIObjectTypeRow {
    std::uint32_t type_code;
    std::string_view tag;
    std::uint32_t capacity;
    // A new description of the type's class: no owner, id 0, no identifier.
    CKvUIObject* (*create)();
    // Whether the loader reads the type's elements.
    bool read_from_file;
};

// The fifteen types in code order.
std::span<const UIObjectTypeRow> UIObjectTypeTable();

// The catalog's descriptions of all types under their numeric ids, in the
// order they were filed (the types own them). Filing appends without a
// look-up; a removal leaves a gap that is squeezed out once gaps outnumber
// the entries, so walks stay in load order and loading allocates nothing
// per description here.
class UIObjectIdMap {
public:
    using Entry = std::pair<std::uint32_t, CKvUIObject*>;

    class const_iterator {
    public:
        const_iterator(const Entry* at, const Entry* end) : at_(at), end_(end) { SkipGaps(); }
        const Entry& operator*() const { return *at_; }
        const Entry* operator->() const { return at_; }
        const_iterator& operator++() {
            ++at_;
            SkipGaps();
            return *this;
        }
        bool operator==(const const_iterator& other) const { return at_ == other.at_; }

    private:
        void SkipGaps() {
            while (at_ != end_ && at_->second == nullptr)
                ++at_;
        }
        const Entry* at_;
        const Entry* end_;
    };

    const_iterator begin() const { return {entries_.data(), entries_.data() + entries_.size()}; }
    const_iterator end() const {
        return {entries_.data() + entries_.size(), entries_.data() + entries_.size()};
    }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }

    void Set(std::uint32_t id, CKvUIObject* description);
    // False when the description is not filed here.
    bool Remove(const CKvUIObject* description);
    void Clear() {
        entries_.clear();
        count_ = 0;
    }
    void Reserve(std::size_t count) { entries_.reserve(count); }

private:
    std::vector<Entry> entries_;
    std::size_t count_ = 0;
};

class CKvUIObjectCatalogType {
public:
    using IdentifierMap = std::unordered_map<std::string, std::unique_ptr<CKvUIObject>>;

    // An empty type: code 0, capacity 0, no tag, no catalog.
    CKvUIObjectCatalogType() = default;
    CKvUIObjectCatalogType(std::uint32_t type_code, std::uint32_t flags, std::uint32_t capacity,
                           std::string_view tag, CKvUIObjectCatalog* catalog,
                           UIObjectIdMap* catalog_id_map);
    CKvUIObjectCatalogType(const CKvUIObjectCatalogType&) = delete;
    CKvUIObjectCatalogType& operator=(const CKvUIObjectCatalogType&) = delete;
    ~CKvUIObjectCatalogType() { RemoveAll(); }

    void Set(std::uint32_t type_code, std::uint32_t flags, std::uint32_t capacity,
             std::string_view tag, CKvUIObjectCatalog* catalog, UIObjectIdMap* catalog_id_map);
    // Deletes the descriptions (a type owns them, so none may be left behind
    // unowned), zeroes the numbers, empties the tag and forgets the catalog.
    void Clear();

    // Files the description under its identifier and its numeric id and
    // makes the catalog its owner; on KV_OK the type owns it, on failure the
    // caller keeps it. A description already filed under another one's
    // identifier replaces (and deletes) that one; adding the one filed under
    // its own identifier again changes nothing. KV_E_LIST_FULL at capacity,
    // KV_E_INVALID_POINTER, KV_E_WRONG_RECORD_TYPE for another type code.
    KvResult Add(CKvUIObject* description);
    // Exact look-up by identifier; false with a null out when absent.
    BOOL Lookup(CKvUIObject*& out, const std::string& identifier) const;
    // A new description of the class of the code (0: the type's own);
    // KV_E_NO_CLASS and a null out for another code. The caller owns it.
    KvResult CreateDescription(CKvUIObject*& out, std::uint32_t type_code);
    // Deletes a description made by CreateDescription; KV_E_INVALID_POINTER
    // or KV_E_NO_CLASS (not deleted) give false.
    BOOL DeleteDescription(CKvUIObject* description);
    // Deletes every description, taking each out of the catalog's id map.
    void RemoveAll();

    std::uint32_t GetTypeCode() const { return type_code_; }
    std::uint32_t GetCapacity() const { return capacity_; }
    std::uint32_t GetFlags() const { return flags_; }
    const std::string& GetTag() const { return tag_; }
    KvResult GetResult() const { return result_; }
    std::size_t GetCount() const { return by_identifier_.size(); }
    // The descriptions by identifier (the catalog's id map holds them in
    // load order).
    const IdentifierMap& GetDescriptions() const { return by_identifier_; }

private:
    // Takes the description out of the catalog's id map.
    void ForgetId(const CKvUIObject* description);

    std::uint32_t type_code_ = 0;
    std::uint32_t capacity_ = 0;
    IdentifierMap by_identifier_;
    std::uint32_t flags_ = 0;
    std::string tag_;
    KvResult result_ = KV_OK;
    UIObjectIdMap* catalog_id_map_ = nullptr;
    CKvUIObjectCatalog* catalog_ = nullptr;
};
