#include "core/phone_number.h"

#include "core/record_xml.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <iterator>
#include <utility>

namespace {

constexpr std::string_view kElementName = "PHONE_NUMBER";
constexpr std::string_view kListElementName = "PHONE_NUMBER_LIST";
constexpr std::string_view kDataKey = "data";

enum class KeyKind {
    Text,         // written always, read entity-decoded
    TrimmedText,  // trimmed in place, written when not empty, read decoded
    OptionalText, // written when not empty, read decoded
    Category,
    Flag,
    Count,
};

} // namespace

struct PHONE_NUMBER::XmlKey {
    std::string_view name;
    KeyKind kind;
    std::string PHONE_NUMBER::*text = nullptr;
    BOOL PHONE_NUMBER::*flag = nullptr;
};

// In the order of the XML form.
const PHONE_NUMBER::XmlKey PHONE_NUMBER::kXmlKeys[] = {
    {"number", KeyKind::Text, &PHONE_NUMBER::number_},
    {"category", KeyKind::Category},
    {"data", KeyKind::TrimmedText, &PHONE_NUMBER::data_},
    {"flagdata", KeyKind::Flag, nullptr, &PHONE_NUMBER::flagdata_},
    {"flagactive", KeyKind::Flag, nullptr, &PHONE_NUMBER::flagactive_},
    {"dialcount", KeyKind::Count},
    {"lineid", KeyKind::OptionalText, &PHONE_NUMBER::lineid_},
    {"alias", KeyKind::OptionalText, &PHONE_NUMBER::alias_},
};

namespace {

// A category and a state as Reset leaves them. Copying them spares each new
// number the keyword searches of building and setting them.
template <typename Keyword> const Keyword& ResetKeyword() {
    static const Keyword keyword = [] {
        Keyword made;
        made.SetValue(0);
        return made;
    }();
    return keyword;
}

} // namespace

PHONE_NUMBER::PHONE_NUMBER()
    : KvObject(), category_(ResetKeyword<PhoneCategory>()), state_(ResetKeyword<PhoneState>()) {}

PHONE_NUMBER& PHONE_NUMBER::operator=(const PHONE_NUMBER& other) {
    result_ = KV_OK;
    identifier_ = other.identifier_;
    category_.SetValue(other.category_.GetValue());
    number_ = other.number_;
    data_ = other.data_;
    flagdata_ = other.flagdata_;
    flagactive_ = other.flagactive_;
    state_.SetValue(other.state_.GetValue());
    dialcount_ = other.dialcount_;
    lineid_ = other.lineid_;
    alias_ = other.alias_;
    return *this;
}

void PHONE_NUMBER::Reset() {
    result_ = KV_OK;
    identifier_.clear();
    number_.clear();
    data_.clear();
    lineid_.clear();
    alias_.clear();
    category_.SetValue(0);
    state_.SetValue(0);
    dialcount_.Set(0);
    flagdata_ = FALSE;
    flagactive_ = TRUE;
}

bool PHONE_NUMBER::HasAtSign() const {
    return number_.find('@') != std::string::npos || identifier_.find('@') != std::string::npos;
}

void PHONE_NUMBER::KeepDigits(std::string& out, std::string_view text) {
    out.clear();
    for (char c : TrimmedView(text)) {
        if (IsAsciiDigit(c))
            out += c;
    }
}

std::string_view PHONE_NUMBER::FieldText(const XmlKey& key, std::string& scratch) const {
    switch (key.kind) {
    case KeyKind::Category:
        return category_.Text();
    case KeyKind::Flag:
        return FormatFlag(this->*key.flag);
    case KeyKind::Count:
        return dialcount_.Format(scratch);
    default:
        return this->*key.text;
    }
}

KvResult PHONE_NUMBER::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = WriteListElement(out, document, parent, XmlStaticName{kElementName}, identifier_);
    XmlNode* const element = out;
    if (element == nullptr)
        return result_;
    std::string scratch;
    for (const XmlKey& key : kXmlKeys) {
        if (key.kind == KeyKind::TrimmedText)
            TrimInPlace(this->*key.text);
        const bool optional = key.kind == KeyKind::TrimmedText || key.kind == KeyKind::OptionalText;
        if (optional && (this->*key.text).empty())
            continue;
        XmlNode* child = nullptr;
        result_ = document.AddTextElement(child, element, XmlStaticName{key.name},
                                         FieldText(key, scratch), TRUE);
    }
    return result_;
}

void PHONE_NUMBER::ReadField(const XmlKey& key, const XmlNode& child) {
    switch (key.kind) {
    case KeyKind::Category:
        category_.ParseText(child.GetContent());
        break;
    case KeyKind::Flag:
        this->*key.flag = child.GetContent() == "TRUE" ? TRUE : FALSE;
        break;
    case KeyKind::Count:
        dialcount_.Parse(std::string(child.GetContent()), 10);
        break;
    default:
        child.GetText(this->*key.text);
        break;
    }
}

KvResult PHONE_NUMBER::ReadXml(const XmlNode* element) {
    result_ = KV_OK;
    if (!IsValidPtr(element))
        return result_ = KV_E_INVALID_POINTER;
    if (element->GetName() != kElementName)
        return result_ = KV_E_FAIL;
    // Keys mostly come in the written order: each name is first sought from
    // the key after the previous match. Names are unique, so the key found
    // is the same.
    constexpr std::size_t kKeyCount = std::size(kXmlKeys);
    std::size_t next = 0;
    return result_ = ReadIdentifiedTextChildren(
               *element, identifier_, [this, &next](const XmlNode& child) {
                   const std::string_view name = child.GetName();
                   for (std::size_t tried = 0; tried < kKeyCount; ++tried) {
                       const std::size_t index = (next + tried) % kKeyCount;
                       if (name == kXmlKeys[index].name) {
                           ReadField(kXmlKeys[index], child);
                           next = index + 1;
                           return;
                       }
                   }
               });
}

PHONE_NUMBER_LIST& PHONE_NUMBER_LIST::operator=(const PHONE_NUMBER_LIST& other) {
    if (this == &other)
        return *this;
    CopyEntriesFrom(other, [](PHONE_NUMBER& entry, const PHONE_NUMBER& source) {
        entry.SetCategory(source.GetCategory());
        entry.GetNumber() = source.GetNumber();
        entry.GetData() = source.GetData();
        entry.GetFlagData() = source.GetFlagData();
        entry.GetFlagActive() = source.GetFlagActive();
        entry.GetDialCount() = source.GetDialCount();
        entry.GetLineId() = source.GetLineId();
        entry.GetAlias() = source.GetAlias();
    });
    identifier_ = other.identifier_;
    data_ = other.data_;
    result_ = KV_OK;
    return *this;
}

std::int32_t PHONE_NUMBER_LIST::FindNextByCategory(PHONE_NUMBER*& out, std::uint32_t category,
                                                   Position& position) {
    PHONE_NUMBER* entry = nullptr;
    while (GetNext(entry, position)) {
        if (entry->GetCategory() == category) {
            out = entry;
            return 1;
        }
    }
    out = nullptr;
    return 0;
}

KvResult PHONE_NUMBER_LIST::FindNumber(std::string& text) {
    TrimInPlace(text);
    result_ = KV_E_FAIL;
    Position position = kEndPosition;
    GetStartPosition(position);
    const PHONE_NUMBER* entry = nullptr;
    while (std::as_const(*this).GetNext(entry, position)) {
        if (entry->GetNumber() == text)
            return result_ = KV_OK;
    }
    return result_;
}

KvResult PHONE_NUMBER_LIST::RemoveInvalidNumbers(std::uint32_t max_length, BOOL only_active) {
    result_ = KV_OK;
    RemoveIf([&](PHONE_NUMBER& entry) {
        std::string digits;
        PHONE_NUMBER::KeepDigits(digits, entry.GetNumber());
        if (digits.empty() || digits.size() > max_length ||
            (only_active && !entry.GetFlagActive()) || entry.HasAtSign())
            return true;
        entry.GetNumber() = std::move(digits);
        return false;
    });
    return result_;
}

KvResult PHONE_NUMBER_LIST::WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) {
    result_ = WriteListElement(out, document, parent, XmlStaticName{kListElementName}, identifier_);
    if (out == nullptr)
        return result_;
    if (!data_.empty()) {
        XmlNode* data = nullptr;
        result_ = document.AddTextElement(data, out, XmlStaticName{kDataKey}, data_, TRUE);
    }
    WriteEntries(document, out);
    return result_;
}

KvResult PHONE_NUMBER_LIST::ReadXml(const XmlNode* node) {
    if (!ReadListElement(node, kListElementName, identifier_, result_))
        return result_;
    for (const XmlNode* child : node->GetChildList()) {
        if (!IsValidPtr(child)) {
            result_ = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() == kXmlElement)
            ReadEntry(child);
        else if (IsTextElementNamed(*child, kDataKey))
            child->GetText(data_);
    }
    return result_;
}
