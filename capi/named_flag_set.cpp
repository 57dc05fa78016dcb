#include "capi/named_flag_set.h"

namespace {

constexpr KeywordRow kNtfNames[] = {{"NTF_FLAG_ALERTING", NtfFlagSet::kAlerting}};
constexpr KeywordRow kB3dtNames[] = {
    {"B3DT_FLAG_GOT_CONFIRMATION", B3dtFlagSet::kGotConfirmation},
    {"B3DT_FLAG_PUT_REQUEST", B3dtFlagSet::kPutRequest},
};

} // namespace

NamedFlagSet& NamedFlagSet::operator=(const NamedFlagSet& other) {
    result_ = other.result_;
    value_ = other.value_;
    text_ = other.text_;
    return *this;
}

KvResult NamedFlagSet::SetValue(std::uint32_t bits) {
    result_ = KV_OK;
    if (names_.empty())
        return result_;
    std::uint32_t collected = 0;
    std::string text;
    for (const KeywordRow& name : names_) {
        if ((bits & name.value) != name.value)
            continue;
        collected |= name.value;
        if (!text.empty())
            text += ',';
        text += name.keyword;
    }
    if (collected != bits)
        result_ = KV_E_FAIL;
    text_ = std::move(text);
    value_ = collected;
    return result_;
}

KvResult NamedFlagSet::RemoveFlags(std::uint32_t bits) {
    value_ &= ~bits;
    return SetValue(value_);
}

NtfFlagSet::NtfFlagSet() : NamedFlagSet(kNtfNames) {}

B3dtFlagSet::B3dtFlagSet() : NamedFlagSet(kB3dtNames) {}
