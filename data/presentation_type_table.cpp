#include "data/presentation_type_table.h"

namespace {

constexpr EnumKeywordName kPresentationTypeNames[] = {
    {"UNSPECIFIED", CKvPresentationTypeTable::kUnspecified},
    {"BLOCK", CKvPresentationTypeTable::kBlock},
    {"SHUFFLE", CKvPresentationTypeTable::kShuffle},
};

} // namespace

CKvPresentationTypeTable::CKvPresentationTypeTable()
    : EnumKeywordSet(kPresentationTypeNames, kUnspecified) {}
