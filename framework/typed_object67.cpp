#include "framework/typed_object67.h"

#include "platform/pointer.h"

CKvTypedObject67& CKvTypedObject67::operator=(const CKvTypedObject67& other) {
    if (this == &other)
        return *this;
    DeleteAll();
    entries_.reserve(other.entries_.size());
    for (const auto& entry : other.entries_)
        entries_.push_back(std::make_unique<CKvTypedObject67Entry>(*entry));
    number = other.number;
    text = other.text;
    return *this;
}

KvResult CKvTypedObject67::CreateEntry(CKvTypedObject67Entry*& entry) {
    auto created = std::make_unique<CKvTypedObject67Entry>();
    entry = created.get();
    entries_.push_back(std::move(created));
    result_ = KV_OK;
    return result_;
}

KvResult CKvTypedObject67::Append(CKvTypedObject67Entry* entry) {
    result_ = KV_OK;
    if (!IsValidPtr(entry))
        result_ = KV_E_INVALID_POINTER;
    else
        entries_.emplace_back(entry);
    return result_;
}
