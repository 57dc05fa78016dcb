#pragma once
// The records' Add operations take an entry as std::unique_ptr, keeping it
// with the caller when they refuse it. AddHandedOver offers the same to an
// entry handed over by raw pointer: owned by the record on success, still
// the caller's on failure.

#include "platform/result_codes.h"

#include <memory>

template <typename Owner, typename Entry>
KvResult AddHandedOver(Owner& owner, KvResult (Owner::*add)(std::unique_ptr<Entry>&),
                       Entry* entry) {
    std::unique_ptr<Entry> owned(entry);
    const KvResult added = (owner.*add)(owned);
    owned.release(); // null when taken; the caller's again when refused
    return added;
}
