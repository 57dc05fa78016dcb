#include "core/bounded_string_list.h"

#include "core/string_tokenizer.h"

#include <algorithm>

BoundedStringList::BoundedStringList(const BoundedStringList& other)
    : KvObject(other), strings_(other.strings_) {}

BoundedStringList& BoundedStringList::operator=(const BoundedStringList& other) {
    if (this == &other)
        return *this;
    strings_ = other.strings_;
    return *this;
}

bool BoundedStringList::GetHeadPosition(Position& position) const {
    if (strings_.empty()) {
        position = kNoPosition;
        return false;
    }
    position = 1;
    return true;
}

bool BoundedStringList::GetNext(std::string& out, Position& position) const {
    if (position == kNoPosition)
        return false;
    const std::size_t index = position - 1;
    if (index >= strings_.size()) {
        position = kNoPosition;
        return false;
    }
    out = strings_[index];
    position = index + 1 < strings_.size() ? position + 1 : kNoPosition;
    return true;
}

bool BoundedStringList::GetFirst(std::string& out) const {
    if (strings_.empty())
        return false;
    out = strings_.front();
    return true;
}

KvResult BoundedStringList::Add(const std::string& text) {
    if (strings_.size() >= capacity_) {
        result_ = KV_E_LIST_FULL;
        return result_;
    }
    strings_.push_back(text);
    result_ = KV_OK;
    return result_;
}

KvResult BoundedStringList::SetFromText(const std::string& text) {
    result_ = KV_OK;
    if (capacity_ == 0 || text.empty())
        return result_;
    StringTokenizer tokenizer;
    tokenizer.Init(text, ",");
    std::string token;
    std::int32_t position = 0;
    for (std::uint32_t taken = 0; taken < capacity_; ++taken) {
        if (tokenizer.NextToken(token, position, true) != KV_OK)
            break;
        Add(token);
    }
    return result_;
}

std::string& BoundedStringList::GetText(std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < strings_.size(); ++i) {
        if (i > 0)
            out += ',';
        out += strings_[i];
    }
    result_ = KV_OK;
    return out;
}

bool BoundedStringList::Contains(const std::string& text) const {
    return std::find(strings_.begin(), strings_.end(), text) != strings_.end();
}
