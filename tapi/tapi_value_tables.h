#pragma once
// The TAPI names of TAPI values: the call origin and call feature flag sets
// of a call or a line (keyword flag tables with a text form), and the names
// of the LINEERR_* result codes.

#include "core/keyword_table.h"

#include <cstdint>

// LINECALLORIGIN_*: seven rows; the bit 8 has none.
class LineCallOriginTable : public StyleKeywordTable {
public:
    LineCallOriginTable();
};

// LINECALLFEATURE_*: one row per bit, from 0x1 up to 0x80000000.
class LineCallFeatureTable : public StyleKeywordTable {
public:
    LineCallFeatureTable();
};

// The text of codes that are no LINEERR_* value.
inline constexpr char kUnknownLineErrorName[] = "KV_LINEERR_UNKNOWN";

// The name of TAPI's LINEERR_* constant with that value, else
// kUnknownLineErrorName. The text has static storage.
const char* LineErrorName(std::uint32_t code);
