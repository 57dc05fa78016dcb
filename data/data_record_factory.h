#pragma once
// The data-record factory: creates an empty record and copies one record into
// another by type code, for the record store and AssignByType. Each record
// class enters its code with one explicit registration (RegisterDataPayloads
// does it for the records of this subsystem); nothing registers itself.

#include "data/data_handler.h"
#include "platform/result_codes.h"

#include <cstdint>
#include <memory>

struct DataRecordOperations {
    // A new record (context null, identifier 0), or empty.
    std::unique_ptr<CKvDataHandler> (*create)();
    // Copies source into target with the class's copy assignment; false when
    // either is not of the class.
    bool (*copy)(CKvDataHandler& target, const CKvDataHandler& source);
};

// The operations of a record class with a constructor (context, identifier)
// and a copy assignment.
template <typename Record> constexpr DataRecordOperations MakeDataRecordOperations() {
    return DataRecordOperations{
        []() -> std::unique_ptr<CKvDataHandler> { return std::make_unique<Record>(nullptr, 0); },
        [](CKvDataHandler& target, const CKvDataHandler& source) {
            auto* to = dynamic_cast<Record*>(&target);
            const auto* from = dynamic_cast<const Record*>(&source);
            if (to == nullptr || from == nullptr)
                return false;
            if (to != from)
                *to = *from;
            return true;
        },
    };
}

// The operations of a record class, with static storage for registration.
template <typename Record>
inline constexpr DataRecordOperations kDataRecordOperations = MakeDataRecordOperations<Record>();

// Files the operations (which must outlive their registration) under a store
// type code; null clears the code. KV_E_NO_CLASS for any other code.
KvResult RegisterDataRecordType(std::uint32_t code, const DataRecordOperations* operations);
bool IsDataRecordTypeRegistered(std::uint32_t code);
// The operations filed under the code, or null.
const DataRecordOperations* FindDataRecordType(std::uint32_t code);

// A new record of the code's class. KV_E_NO_CLASS, out empty, for a code that
// is no store type or has no registered class.
KvResult CreateDataRecordByType(std::unique_ptr<CKvDataHandler>& out, std::uint32_t code);
// Copies source into target with the copy of the class that the source's type
// code names, when both carry that code and are of that class.
bool CopyDataRecordByType(CKvDataHandler& target, const CKvDataHandler& source);
