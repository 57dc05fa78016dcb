#include "core/function_flag_tables.h"

namespace {

constexpr KeywordRow kControllerFunctionRows[] = {
    {"DIAL", 0x1},
    {"TSP", 0x2},
    {"FAX", 0x4},
};

// Row order is the order of the text form, not the order of the values.
constexpr KeywordRow kAppFunctionRows[] = {
    {"OUTGOING_CALLS", 0x001}, {"INCOMING_CALLS", 0x002},        {"FILTER_OUTGOING_CALLS", 0x004},
    {"DIALOG_ACTION", 0x010},  {"DIALOG_CONFIGURATION", 0x008},  {"DIAL_VOIP_CALLS", 0x040},
    {"DIAL_CALLS", 0x020},     {"OUTGOING_CALLS_UPDATE", 0x100}, {"INCOMING_CALLS_UPDATE", 0x200},
};

} // namespace

ControllerFunctionFlagTable::ControllerFunctionFlagTable()
    : StyleKeywordTable(kControllerFunctionRows) {}

AppFunctionFlagTable::AppFunctionFlagTable() : StyleKeywordTable(kAppFunctionRows) {}
