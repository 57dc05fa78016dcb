#include "guidesc/ui_object.h"

#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <cfloat>

namespace {

// The characters a number kind accepts, as a table: every property text of a
// loaded file is checked against one.
class CharSet {
public:
    constexpr explicit CharSet(std::string_view chars) {
        for (char c : chars)
            in_[static_cast<unsigned char>(c)] = true;
    }
    constexpr bool Holds(char c) const { return in_[static_cast<unsigned char>(c)]; }

private:
    bool in_[256] = {};
};

constexpr CharSet kDecimalIntChars("0123456789-+");
constexpr CharSet kDecimalUIntChars("0123456789");
constexpr CharSet kHexChars("0123456789xXaAbBcCdDeEfF");
constexpr CharSet kFloatChars("0123456789.+-");

// The trimmed text when it is not empty and made only of the set's
// characters.
bool TakeNumberText(std::string_view& trimmed, const std::string& text, const CharSet& set) {
    trimmed = TrimmedView(text);
    if (trimmed.empty())
        return false;
    for (char c : trimmed)
        if (!set.Holds(c))
            return false;
    return true;
}

// A text of at most 9 decimal or 7 hexadecimal digits (no sign, no prefix)
// as its value: what the general parse gives, without its scan, for the
// numbers description files hold. False for any other text.
bool TakeShortDigits(std::uint32_t& value, std::string_view text, int radix) {
    if (text.empty() || text.size() > (radix == 16 ? 7u : 9u))
        return false;
    std::uint32_t sum = 0;
    for (const char c : text) {
        const auto lower = static_cast<unsigned char>(c | 0x20);
        std::uint32_t digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<std::uint32_t>(c - '0');
        else if (radix == 16 && lower >= 'a' && lower <= 'f')
            digit = lower - 'a' + 10u;
        else
            return false;
        sum = sum * static_cast<std::uint32_t>(radix) + digit;
    }
    value = sum;
    return true;
}

// Null for a radix other than 10 and 16.
const CharSet* IntegerChars(int radix, bool is_signed) {
    if (radix == 10)
        return is_signed ? &kDecimalIntChars : &kDecimalUIntChars;
    if (radix == 16)
        return &kHexChars;
    return nullptr;
}

// RRGGBB and the COLORREF 0x00BBGGRR into each other.
constexpr std::uint32_t SwapRedBlue(std::uint32_t value) {
    return (value & 0xFF00FF00u) | ((value & 0xFFu) << 16) | ((value >> 16) & 0xFFu);
}

} // namespace

CKvUIObject::CKvUIObject(std::uint32_t type_code, CKvUIObjectCatalog* owner, std::uint32_t id,
                         const char* identifier)
    : id_(id), type_code_(type_code), owner_(owner) {
    timer_.SetInterval(0, 1001);
    if (IsValidPtr(identifier))
        identifier_ = identifier;
}

BOOL CKvUIObject::IsSameIdentifier(const CKvUIObject* other) const {
    if (!IsValidPtr(other))
        return FALSE;
    return other->identifier_ == identifier_ ? TRUE : FALSE;
}

KvResult CKvUIObject::ReadDom(const DomNodePtr& element) {
    result_ = KV_OK;
    return result_ = ReadRecordDomChecked(*this, GetForm(), element);
}

KvResult CKvUIObject::WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) {
    result_ = KV_OK;
    return result_ = WriteRecordDomChecked(*this, GetForm(), document, parent);
}

KvResult CKvUIObject::ReadXml(const XmlNode* element) {
    result_ = KV_OK;
    return result_ = ReadRecordXml(*this, GetForm(), element);
}

KvResult CKvUIObject::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = KV_OK;
    return result_ = WriteRecordXml(*this, GetForm(), out, document, parent);
}

void CKvUIObject::SetId(std::uint32_t id) {
    id_ = id;
    AssignUnsigned(id_text_, id, 16);
}

void CKvUIObject::CopyCommonState(const CKvUIObject& other) {
    state_ = other.state_;
    timer_ = other.timer_;
}

void CKvUIObject::ResetCommonProperties(std::uint32_t window_style) {
    state_ = 0;
    result_ = KV_OK;
    owner_ = nullptr;
    child_identifier_limit_ = 0;
    identifier_.clear();
    width_ = 0;
    height_ = 0;
    position_x_ = 0;
    position_y_ = 0;
    background_color_ = kWhite;
    text_color_ = 0;
    text_background_color_ = kWhite;
    child_identifier_list_.clear();
    anchor_identifier_.clear();
    child_identifiers_.clear();
    text_.clear();
    text_magnify_ = 1.0f;
    uiid_ = 0;
    SetWindowStyle(window_style);
    SetWindowStyleEx(0);
    SetFontWeight(400);
    SetFontStyle(0);
    SetTextStyle(0);
    font_escapement_ = 0;
}

void CKvUIObject::CopyCommonProperties(const CKvUIObject& other) {
    CopyCommonState(other);
    result_ = other.result_;
    owner_ = other.owner_;
    child_identifier_limit_ = other.child_identifier_limit_;
    width_ = other.width_;
    height_ = other.height_;
    position_x_ = other.position_x_;
    position_y_ = other.position_y_;
    background_color_ = other.background_color_;
    text_color_ = other.text_color_;
    text_background_color_ = other.text_background_color_;
    child_identifier_list_ = other.child_identifier_list_;
    anchor_identifier_ = other.anchor_identifier_;
    text_ = other.text_;
    text_magnify_ = other.text_magnify_;
    uiid_ = other.uiid_;
    SetWindowStyle(other.GetWindowStyle());
    SetWindowStyleEx(other.GetWindowStyleEx());
    SetFontWeight(other.GetFontWeight());
    SetFontStyle(other.GetFontStyle());
    font_escapement_ = other.font_escapement_;
    SetTextStyle(other.GetTextStyle());
}

// ---- Value kinds ----

KvResult CKvUIObject::ParseInt(std::int32_t& out, const std::string& text, int radix) {
    result_ = KV_OK;
    std::uint32_t value = 0;
    if ((radix == 10 || radix == 16) && TakeShortDigits(value, TrimmedView(text), radix)) {
        out = static_cast<std::int32_t>(value);
        return result_;
    }
    std::string_view trimmed;
    const CharSet* chars = IntegerChars(radix, true);
    if (chars == nullptr || !TakeNumberText(trimmed, text, *chars))
        return result_ = KV_E_FAIL;
    out = ParseInt32(trimmed, radix);
    return result_;
}

KvResult CKvUIObject::ParseUInt(std::uint32_t& out, const std::string& text, int radix) {
    result_ = KV_OK;
    if ((radix == 10 || radix == 16) && TakeShortDigits(out, TrimmedView(text), radix))
        return result_;
    std::string_view trimmed;
    const CharSet* chars = IntegerChars(radix, false);
    if (chars == nullptr || !TakeNumberText(trimmed, text, *chars))
        return result_ = KV_E_FAIL;
    out = ParseUInt32(trimmed, radix);
    return result_;
}

KvResult CKvUIObject::ParseFloat(float& out, const std::string& text) {
    result_ = KV_OK;
    std::string_view trimmed;
    if (!TakeNumberText(trimmed, text, kFloatChars))
        return result_ = KV_E_FAIL;
    const double value = ParseDouble(trimmed);
    // Narrowing a double beyond the float range is undefined; saturate.
    out = static_cast<float>(
        std::clamp(value, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
    return result_;
}

KvResult CKvUIObject::ParseColor(COLORREF& out, const std::string& text) {
    result_ = KV_OK;
    std::uint32_t value = 0;
    if (!TakeShortDigits(value, TrimmedView(text), 16)) {
        std::string_view trimmed;
        if (!TakeNumberText(trimmed, text, kHexChars))
            return result_ = KV_E_FAIL;
        value = ParseUInt32(trimmed, 16);
    }
    if (value > kWhite) {
        out = value;
        return result_ = KV_E_FAIL;
    }
    out = SwapRedBlue(value);
    return result_;
}

KvResult CKvUIObject::SetIntField(std::int32_t& field, const std::string& text) {
    field = 0;
    return ParseInt(field, text, 10);
}

KvResult CKvUIObject::SetUIntField(std::uint32_t& field, const std::string& text) {
    field = 0;
    return ParseUInt(field, text, 10);
}

KvResult CKvUIObject::SetFloatField(float& field, const std::string& text) {
    field = 1.0f;
    return ParseFloat(field, text);
}

KvResult CKvUIObject::SetColorField(COLORREF& field, const std::string& text) {
    field = 0;
    return ParseColor(field, text);
}

void CKvUIObject::SetFlagField(std::uint32_t& flag, std::string text) {
    MakeUpperInPlace(text);
    flag = text == "TRUE" ? 1 : 0;
}

void CKvUIObject::SetResourceOrFileField(std::string& file, std::uint32_t& id, std::string text) {
    id = 0;
    TrimInPlace(text);
    if (text.empty()) {
        file.clear();
        return;
    }
    if (IsDecimalDigits(text))
        id = ParseUInt32(text, 10);
    file = std::move(text);
}

std::string& CKvUIObject::FormatInt(std::string& out, std::int32_t value) {
    out = Format("%i", value);
    return out;
}

std::string& CKvUIObject::FormatUInt(std::string& out, std::uint32_t value) {
    return AssignUnsigned(out, value, 10);
}

std::string& CKvUIObject::FormatFloat(std::string& out, float value) {
    out = Format("%f", static_cast<double>(value));
    return out;
}

std::string& CKvUIObject::FormatColor(std::string& out, COLORREF value) {
    // A colour read above 0xFFFFFF was stored unexchanged; it is written the
    // same way so that it reads back as it was.
    return AssignUnsigned(out, value > kWhite ? value : SwapRedBlue(value), 16);
}

std::string& CKvUIObject::FormatFlag(std::string& out, std::uint32_t flag) {
    out = flag != 0 ? "TRUE" : "FALSE";
    return out;
}

// ---- Child identifiers ----

void CKvUIObject::SetChildIdentifierListText(const std::string& text) {
    child_identifiers_.clear();
    std::uint32_t remaining = child_identifier_limit_;
    if (text.empty())
        return;
    std::size_t start = 0;
    while (remaining > 0) {
        const std::size_t comma = text.find(',', start);
        const std::size_t end = comma == std::string::npos ? text.size() : comma;
        AddChildIdentifier(
            std::string(TrimmedView(std::string_view(text).substr(start, end - start))));
        --remaining;
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
}

std::string& CKvUIObject::GetChildIdentifierListText(std::string& out) const {
    out.clear();
    for (const std::string& identifier : child_identifiers_) {
        if (&identifier != &child_identifiers_.front())
            out += ',';
        out += identifier;
    }
    return out;
}

void CKvUIObject::AddChildIdentifier(const std::string& identifier) {
    if (std::find(child_identifiers_.begin(), child_identifiers_.end(), identifier) ==
        child_identifiers_.end())
        child_identifiers_.push_back(identifier);
}

BOOL CKvUIObject::GetNextChildIdentifier(std::string& identifier, std::size_t& position) const {
    position = 0;
    return GetNextChildIdentifierAt(identifier, position);
}

BOOL CKvUIObject::GetNextChildIdentifierAt(std::string& identifier, std::size_t& position) const {
    if (position >= child_identifiers_.size())
        return FALSE;
    identifier = child_identifiers_[position++];
    return TRUE;
}
