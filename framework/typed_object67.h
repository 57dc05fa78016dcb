#pragma once
// Payload 67: an owned list of address triples, with a number and a text.

#include "core/computer_ident.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CKvTypedObject67Entry {
public:
    CKvTypedObject67Entry() = default;
    CKvTypedObject67Entry(const CKvTypedObject67Entry&) = default;
    CKvTypedObject67Entry& operator=(const CKvTypedObject67Entry&) = default;
    virtual ~CKvTypedObject67Entry() = default;

    std::array<COMPUTER_IDENT, 3> addresses;
    std::uint32_t first_number = 0;
    std::uint32_t second_number = 0;
};

class CKvTypedObject67 {
public:
    CKvTypedObject67() = default;
    CKvTypedObject67(const CKvTypedObject67&) = delete;
    // Replaces the entries by copies of the other's, then copies the number
    // and the text.
    CKvTypedObject67& operator=(const CKvTypedObject67& other);
    virtual ~CKvTypedObject67() = default;

    // A new entry appended to the list, which keeps it; the pointer is for
    // the caller to fill.
    KvResult CreateEntry(CKvTypedObject67Entry*& entry);
    // Takes the entry over. KV_E_INVALID_POINTER (the entry stays with the
    // caller).
    KvResult Append(CKvTypedObject67Entry* entry);
    void DeleteAll() { entries_.clear(); }

    // The entries from the head.
    std::size_t GetCount() const { return entries_.size(); }
    CKvTypedObject67Entry* GetAt(std::size_t index) const { return entries_.at(index).get(); }

    KvResult GetResult() const { return result_; }

    std::uint32_t number = 0;
    std::string text;

private:
    KvResult result_ = KV_OK;
    std::vector<std::unique_ptr<CKvTypedObject67Entry>> entries_;
};
