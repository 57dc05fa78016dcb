#pragma once
// The function sets of the ISDN controller record ("functions") and of the
// application record ("skills"), written as keywords joined by ",".

#include "core/keyword_table.h"

// "DIAL" 1, "TSP" 2, "FAX" 4.
class ControllerFunctionFlagTable : public StyleKeywordTable {
public:
    ControllerFunctionFlagTable();
};

// Nine keywords for the bits 0x001 to 0x200; no keyword names 0x080, so that
// bit never survives a conversion.
class AppFunctionFlagTable : public StyleKeywordTable {
public:
    AppFunctionFlagTable();
};
