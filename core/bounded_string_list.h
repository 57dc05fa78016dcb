#pragma once
// An ordered list of at most 50 texts whose text form is the texts joined
// with ",".

#include "core/kv_object.h"
#include "platform/result_codes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BoundedStringList : public KvObject {
public:
    // An iteration position; kNoPosition is the null position.
    using Position = std::size_t;
    static constexpr Position kNoPosition = 0;
    static constexpr std::uint32_t kCapacity = 50;

    BoundedStringList() = default;
    BoundedStringList(const BoundedStringList& other);
    // Copies the texts without the capacity test; the capacity is not copied.
    // Assigning a list to itself leaves it unchanged.
    BoundedStringList& operator=(const BoundedStringList& other);

    KvResult GetResult() const { return result_; }
    std::uint32_t GetCapacity() const { return capacity_; }
    std::uint32_t GetCount() const { return static_cast<std::uint32_t>(strings_.size()); }

    bool GetHeadPosition(Position& position) const;
    // False for the null position or one that no longer lies in the list.
    bool GetNext(std::string& out, Position& position) const;
    bool GetFirst(std::string& out) const;

    // KV_E_LIST_FULL when the list already holds its capacity.
    KvResult Add(const std::string& text);
    // Appends the trimmed comma-separated items of the text (the list is not
    // emptied first), taking at most as many items as the capacity; returns
    // the result of the last Add.
    KvResult SetFromText(const std::string& text);
    std::string& GetText(std::string& out);
    bool Contains(const std::string& text) const;
    void RemoveAll() { strings_.clear(); }

private:
    KvResult result_ = KV_OK;
    std::vector<std::string> strings_;
    std::uint32_t capacity_ = kCapacity;
};
