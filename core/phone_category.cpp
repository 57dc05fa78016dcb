#include "core/phone_category.h"

namespace {

constexpr EnumKeywordName kPhoneCategoryNames[] = {
    {"UNSPECIFIED", 0},   {"OFFICE", 1},     {"PRIVAT", 2},     {"OFFICE_MOBILE", 3},
    {"PRIVAT_MOBILE", 4}, {"OFFICE_FAX", 5}, {"PRIVAT_FAX", 6}, {"OFFICE_VOIP", 7},
    {"PRIVAT_VOIP", 8},   {"VIRTUAL", 9},
};

constexpr EnumKeywordName kPhoneStateNames[] = {
    {"UNSPECIFIED", 0}, {"IDLE", 1},       {"ALERTING_OUT", 2}, {"ALERTING_IN", 3},
    {"BUSY", 4},        {"WAITING", 5},    {"CONNECTED", 6},    {"DISCONNECTED", 7},
    {"HOLD", 8},        {"CONFERENCE", 9},
};

} // namespace

PhoneCategory::PhoneCategory() : EnumKeywordSet(kPhoneCategoryNames, 0) {}

PhoneState::PhoneState() : EnumKeywordSet(kPhoneStateNames, 0) {}
