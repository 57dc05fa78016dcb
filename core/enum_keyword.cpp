#include "core/enum_keyword.h"

#include "platform/number_parse.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstdint>

KvResult EnumKeyword::Parse(std::string& text) {
    TrimInPlace(text);
    MakeUpperInPlace(text);
    return ParseNormalized(text);
}

KvResult EnumKeyword::ParseNormalized(std::string_view text) {
    result_ = KV_OK;
    value_ = 0;
    text_.clear();
    if (const EnumKeywordName* entry = FindName(text)) {
        value_ = entry->value;
        text_ = text;
        return result_;
    }
    if (IsDecimalDigits(text)) {
        SetValue(DecimalDigitsToUInt32(text));
        return result_;
    }
    // A bad keyword leaves the field at a valid value: the default.
    SetValue(default_);
    result_ = KV_E_FAIL;
    return result_;
}

KvResult EnumKeyword::SetValue(std::uint32_t value) {
    result_ = KV_OK;
    value_ = value;
    if (const EnumKeywordName* entry = FindValue(value))
        text_ = entry->name;
    else
        text_ = Format("%u", value);
    return result_;
}

KvResult EnumKeyword::SetDefault(std::uint32_t value) {
    if (FindValue(value) == nullptr) {
        result_ = KV_E_FAIL;
        return result_;
    }
    default_ = value;
    result_ = KV_OK;
    return result_;
}

std::string& EnumKeyword::GetText(std::string& out) const {
    out = text_;
    return out;
}

// The last occurrence of a name is the one in effect.
const EnumKeywordName* EnumKeyword::FindName(std::string_view name) const {
    for (std::size_t i = names_.size(); i-- > 0;) {
        if (names_[i].name == name)
            return &names_[i];
    }
    return nullptr;
}

namespace {

// Whether some name of the table occurs twice. Tables are static and few and
// every record's construction asks: the answer is kept per thread by table.
bool HasRepeatedNames(std::span<const EnumKeywordName> names) {
    struct Known {
        const EnumKeywordName* table = nullptr;
        std::size_t size = 0;
        bool repeated = false;
    };
    thread_local std::array<Known, 64> known{};
    Known& slot = known[(reinterpret_cast<std::uintptr_t>(names.data()) / alignof(EnumKeywordName)) %
                        known.size()];
    if (slot.table == names.data() && slot.size == names.size() && names.data() != nullptr)
        return slot.repeated;
    bool repeated = false;
    for (std::size_t i = 0; i < names.size() && !repeated; ++i) {
        for (std::size_t j = i + 1; j < names.size() && !repeated; ++j)
            repeated = names[i].name == names[j].name;
    }
    slot = Known{names.data(), names.size(), repeated};
    return repeated;
}

} // namespace

const EnumKeywordName* EnumKeyword::FindValue(std::uint32_t value) const {
    const bool repeated = HasRepeatedNames(names_);
    for (std::size_t i = 0; i < names_.size(); ++i) {
        if (names_[i].value == value && (!repeated || !IsReplacedLater(i)))
            return &names_[i];
    }
    return nullptr;
}

bool EnumKeyword::IsReplacedLater(std::size_t index) const {
    const std::string_view name = names_[index].name;
    for (std::size_t i = index + 1; i < names_.size(); ++i) {
        // The first byte settles most pairs before a full comparison.
        const std::string_view other = names_[i].name;
        if (other.size() == name.size() && (name.empty() || other[0] == name[0]) && other == name)
            return true;
    }
    return false;
}

EnumKeywordSet::EnumKeywordSet(std::span<const EnumKeywordName> names, std::uint32_t defaultValue)
    : keyword_(names) {
    keyword_.SetDefault(defaultValue);
}

KvResult EnumKeywordSet::ParseCopy(std::string_view text) {
    // Stored texts are written trimmed and upper-case: those need no copy.
    const auto is_normal = [](char c) {
        return !(c == ' ' || (c >= '\t' && c <= '\r')) && !(c >= 'a' && c <= 'z');
    };
    if (!text.empty() && is_normal(text.front()) && is_normal(text.back()) &&
        std::none_of(text.begin(), text.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
        return keyword_.ParseNormalized(text);
    std::string copy(text);
    return keyword_.Parse(copy);
}
