#pragma once
// Key tables: a record describes its XML and DOM forms as rows (name, kind,
// field, rules) in writer order, and four generic routines walk them.
//
//   const RecordForm<CKvDataCall>& CKvDataCall::Form() {
//       static constexpr RecordKey<CKvDataCall> kKeys[] = {
//           TextKey<&CKvDataCall::lastname_>("lastname", kKeyFreeText),
//           BoolKey<&CKvDataCall::flag_call_out_>("flagcallout"),
//           NestedKey<&CKvDataCall::phone_number_>("PHONE_NUMBER"),
//       };
//       static constexpr RecordForm<CKvDataCall> kForm{
//           .element_name = "DATACALL", .keys = kKeys,
//           .identifier = IdentifierFromKey<CKvDataCall>()};
//       return kForm;
//   }
//
// A record deriving from KeyTableRecord (below) gets its four form operations
// from the table; one needing more steps overrides that operation itself:
//
//   KvResult CKvDataDevice::WriteXml(XmlNode*& out, XmlDocument& d, XmlNode* p) {
//       const KvResult written = WriteRecordXml(*this, Form(), out, d, p);
//       return result_ = AddRecordIdentifier(*this, d, out, written);
//   }
//
// The table lives in a member function of the record, so the rows may name
// its private members. Rows of a kind the builders below do not cover are
// written with CustomKey and two captureless lambdas.

#include "core/text_values.h"
#include "core/time_date.h"
#include "core/xml_document.h"
#include "core/xml_node.h"
#include "data/data_handler.h"
#include "platform/dom.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/result_codes.h"
#include "platform/text.h"

#include <concepts>
#include <cstdint>
#include <cstring>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// ---- Rules of a row (bit flags) ----

// Writing trims the member in place (so the record's own text is trimmed).
inline constexpr std::uint32_t kKeyTrimOnWrite = 1u << 0;
// Writing leaves the key out when its text (after trimming) is empty; for a
// nested list, when the list holds no entry.
inline constexpr std::uint32_t kKeyOmitWhenEmpty = 1u << 1;
// The free-text fields of the records that trim: both of the above.
inline constexpr std::uint32_t kKeyFreeText = kKeyTrimOnWrite | kKeyOmitWhenEmpty;
// Reading trims the text before it is stored.
inline constexpr std::uint32_t kKeyTrimOnRead = 1u << 2;
// Reading passes the text through FilterRecordText before it is stored (XML
// and DOM).
inline constexpr std::uint32_t kKeyFilter = 1u << 3;
// Writing does not entity-encode (markup kept in a text field).
inline constexpr std::uint32_t kKeyNoEncode = 1u << 4;
// A value key normally parses the raw text; this makes it parse the
// entity-decoded text (text keys always take the decoded text).
inline constexpr std::uint32_t kKeyDecode = 1u << 5;
// The code the key's reader returns becomes the record's result (a nested
// record's read always does).
inline constexpr std::uint32_t kKeyReadResultCounts = 1u << 6;
// The key belongs to one form only.
inline constexpr std::uint32_t kKeyXmlOnly = 1u << 7;
inline constexpr std::uint32_t kKeyDomOnly = 1u << 8;
// A nested record is also read from the childless form the parser gives as a
// text element.
inline constexpr std::uint32_t kKeyAlsoTextElement = 1u << 9;
// A text key takes the content as the document stores it, entity references
// not decoded (a value key does so unless kKeyDecode says otherwise).
inline constexpr std::uint32_t kKeyStoredText = 1u << 10;
// The key is read but never written, or written but never read (forms whose
// reader and writer know different keys).
inline constexpr std::uint32_t kKeyReadOnly = 1u << 11;
inline constexpr std::uint32_t kKeyWriteOnly = 1u << 12;

enum class RecordKeyKind : std::uint8_t {
    // A text member reached by reference; written as it is (after the write
    // rules), read from the entity-decoded text.
    kText,
    // A value with its own text form: format gives the text, parse reads it.
    kValue,
    // A record of its own writing its element under the record's element.
    kNested,
};

template <typename Record> struct RecordKey {
    std::string_view name;
    RecordKeyKind kind = RecordKeyKind::kValue;
    std::uint32_t rules = 0;
    // kText: the member. Null for a text key that has only format and parse.
    std::string& (*text)(Record&) = nullptr;
    // kValue (and kText without a member): out = the key's text.
    void (*format)(Record&, std::string& out) = nullptr;
    // kText and kValue: stores the text (the caller's copy; setters may trim
    // it). Null for a kText key: the text is assigned to the member. Returns
    // a code that counts only with kKeyReadResultCounts.
    KvResult (*parse)(Record&, std::string& text) = nullptr;
    // kNested.
    KvResult (*write_nested)(Record&, XmlNode*& out, XmlDocument&, XmlNode* parent) = nullptr;
    KvResult (*read_nested)(Record&, const XmlNode* element) = nullptr;
    // kNested: the element name the reader matches; null uses name.
    std::string_view (*nested_name)(Record&) = nullptr;
    // kNested with kKeyOmitWhenEmpty: whether there is anything to write.
    bool (*nested_empty)(Record&) = nullptr;
};

// The attribute "identifier" of a record's XML form.
template <typename Record> struct RecordIdentifierAttribute {
    // The text written (raw, not encoded); null: no attribute is written.
    const std::string& (*get)(Record&) = nullptr;
    // Stores the raw value read. Null: no attribute is read. When set, a
    // missing attribute gives KV_E_NOT_FOUND and nothing else is read.
    void (*set)(Record&, std::string_view value) = nullptr;
};

enum class RecordDomForm : std::uint8_t {
    // WriteDom writes the element with "id" and no children; ReadDom walks
    // the children and stores nothing.
    kNone,
    // The keys of the XML form, in the same order, without nested records and
    // kKeyXmlOnly rows.
    kSameKeys,
    // dom_keys, in their own order.
    kOwnKeys,
};

enum class RecordWritePolicy : std::uint8_t {
    // Every step runs; each code overwrites the result.
    kGoOn,
    // Each step runs only while the result is still 0.
    kStopAtFailure,
};

template <typename Record> struct RecordForm {
    std::string_view element_name;
    std::span<const RecordKey<Record>> keys;
    RecordIdentifierAttribute<Record> identifier{};
    RecordWritePolicy write_policy = RecordWritePolicy::kStopAtFailure;
    RecordDomForm dom_form = RecordDomForm::kNone;
    std::span<const RecordKey<Record>> dom_keys{};
    // WriteXml stops, with its code, when the new element cannot be linked
    // under the parent (a parent of another document); by default it goes on.
    bool link_counts = false;
};

// ---- Row builders ----

namespace record_keys_detail {

template <typename> struct MemberPointer;
template <typename Class, typename Field> struct MemberPointer<Field Class::*> {
    using ClassType = Class;
    using FieldType = Field;
};

template <auto Member> using ClassOf = typename MemberPointer<decltype(Member)>::ClassType;
template <auto Member> using FieldOf = typename MemberPointer<decltype(Member)>::FieldType;

template <typename T>
concept HasElementName = requires(T& t) {
    { t.GetElementName() } -> std::convertible_to<std::string_view>;
};
template <typename T>
concept HasCount = requires(const T& t) {
    t.GetCount();
};
template <typename T>
concept ParsesInPlace = requires(T& t, std::string& text) {
    t.Parse(text);
};
template <typename T>
concept ParsesCopy = requires(T& t, std::string_view text) {
    t.ParseText(text);
};

} // namespace record_keys_detail

// A text member.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> TextKey(std::string_view name,
                                                                 std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    static_assert(std::is_same_v<record_keys_detail::FieldOf<Member>, std::string>);
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kText, .rules = rules};
    key.text = [](Record& record) -> std::string& { return record.*Member; };
    return key;
}

// A text member written as it is and read through a setter of the record,
// called with the text (after the read rules): Setter(record, text).
template <auto Member, auto Setter>
constexpr RecordKey<record_keys_detail::ClassOf<Member>>
TextKeyWithSetter(std::string_view name, std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key = TextKey<Member>(name, rules);
    key.parse = [](Record& record, std::string& text) -> KvResult {
        if constexpr (std::is_void_v<decltype(std::invoke(Setter, record, text))>) {
            std::invoke(Setter, record, text);
            return KV_OK;
        } else {
            return static_cast<KvResult>(std::invoke(Setter, record, text));
        }
    };
    return key;
}

// A UIntValue member: "%u", read in base 10 from the raw text.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> UIntKey(std::string_view name,
                                                                 std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) { (record.*Member).Format(out); };
    key.parse = [](Record& record, std::string& text) { return (record.*Member).Parse(text, 10); };
    return key;
}

// A BoolValue member: "TRUE" or "FALSE"; set only by "TRUE" after trimming.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> BoolKey(std::string_view name,
                                                                 std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) { (record.*Member).Format(out); };
    key.parse = [](Record& record, std::string& text) -> KvResult {
        (record.*Member).Parse(text);
        return KV_OK;
    };
    return key;
}

// A TimeDate member: "%u.%03u"; read by the time's text parser.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> TimeDateKey(std::string_view name,
                                                                     std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) { (record.*Member).GetText(out); };
    key.parse = [](Record& record, std::string& text) -> KvResult {
        (record.*Member).SetFromText(text);
        return KV_OK;
    };
    return key;
}

// An unsigned 32-bit member: "%u"; read as atoi reads it (what is no number
// gives 0, a negative number wraps).
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> DecimalKey(std::string_view name,
                                                                    std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) {
        AssignUnsigned(out, static_cast<std::uint32_t>(record.*Member));
    };
    key.parse = [](Record& record, std::string& text) -> KvResult {
        record.*Member = static_cast<record_keys_detail::FieldOf<Member>>(AtoI32(text));
        return KV_OK;
    };
    return key;
}

// The older 8-bit flags: written "1" or "0", read as set when the text's
// decimal value (atoi) is greater than 0, so "TRUE" reads as 0.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> DigitFlagKey(std::string_view name,
                                                                      std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) { out = (record.*Member) ? "1" : "0"; };
    key.parse = [](Record& record, std::string& text) -> KvResult {
        record.*Member = AtoI32(text) > 0 ? 1 : 0;
        return KV_OK;
    };
    return key;
}

// A keyword value or flag table: its keyword text; read by its own parser
// (Parse of the caller's text, else ParseText of a copy, else SetText), whose
// code does not count unless kKeyReadResultCounts says so.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> KeywordKey(std::string_view name,
                                                                    std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    using Field = record_keys_detail::FieldOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kValue, .rules = rules};
    key.format = [](Record& record, std::string& out) { out = (record.*Member).Text(); };
    key.parse = [](Record& record, std::string& text) -> KvResult {
        if constexpr (record_keys_detail::ParsesInPlace<Field>)
            return (record.*Member).Parse(text);
        else if constexpr (record_keys_detail::ParsesCopy<Field>)
            return (record.*Member).ParseText(text);
        else
            return (record.*Member).SetText(text);
    };
    return key;
}

// Any other value: format and parse given as captureless lambdas or
// functions.
template <typename Record>
constexpr RecordKey<Record>
CustomKey(std::string_view name, void (*format)(Record&, std::string& out),
          KvResult (*parse)(Record&, std::string& text), std::uint32_t rules = 0) {
    return RecordKey<Record>{.name = name,
                             .kind = RecordKeyKind::kValue,
                             .rules = rules,
                             .format = format,
                             .parse = parse};
}

// A nested record or list member with WriteXml(XmlNode*&, XmlDocument&,
// XmlNode*) and ReadXml(const XmlNode*). The reader matches the member's own
// element name when it has one (GetElementName), else the row's name.
template <auto Member>
constexpr RecordKey<record_keys_detail::ClassOf<Member>> NestedKey(std::string_view name,
                                                                   std::uint32_t rules = 0) {
    using Record = record_keys_detail::ClassOf<Member>;
    using Field = record_keys_detail::FieldOf<Member>;
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kNested, .rules = rules};
    key.write_nested = [](Record& record, XmlNode*& out, XmlDocument& document,
                          XmlNode* parent) -> KvResult {
        return (record.*Member).WriteXml(out, document, parent);
    };
    key.read_nested = [](Record& record, const XmlNode* element) -> KvResult {
        return (record.*Member).ReadXml(element);
    };
    if constexpr (record_keys_detail::HasElementName<Field>) {
        key.nested_name = [](Record& record) -> std::string_view {
            return (record.*Member).GetElementName();
        };
    }
    if constexpr (record_keys_detail::HasCount<Field>) {
        key.nested_empty = [](Record& record) { return (record.*Member).GetCount() == 0; };
    }
    return key;
}

// A nested part with its own writer and reader (raw markup blocks, parts
// that are no member). nested_name, when given, names the element the reader
// matches instead of name.
template <typename Record>
constexpr RecordKey<Record>
CustomNestedKey(std::string_view name,
                KvResult (*write)(Record&, XmlNode*& out, XmlDocument&, XmlNode* parent),
                KvResult (*read)(Record&, const XmlNode* element), std::uint32_t rules = 0) {
    RecordKey<Record> key{.name = name, .kind = RecordKeyKind::kNested, .rules = rules};
    key.write_nested = write;
    key.read_nested = read;
    return key;
}

// The identifier attribute holding GetKey (written) and read into the member
// that GetKey returns.
template <typename Record> constexpr RecordIdentifierAttribute<Record> IdentifierFromKey() {
    return RecordIdentifierAttribute<Record>{
        .get = [](Record& record) -> const std::string& { return record.GetKey(); },
        .set = [](Record& record, std::string_view value) { record.GetKey().assign(value); },
    };
}

// ---- The generic routines ----

namespace record_keys_detail {

// name: a key's name from a record's static table; the node refers to it.
KvResult WriteTextChild(XmlDocument& document, XmlNode* element, std::string_view name,
                        std::string_view text, std::uint32_t rules);
KvResult AddIdentifierAttribute(XmlDocument& document, XmlNode* element, std::string_view value);
// KV_E_NOT_FOUND when the element has no "identifier" attribute.
KvResult ReadIdentifierAttribute(const XmlNode& element, std::string& value);
// The record element with "id" under the parent; KV_E_NULL_INTERFACE when
// document, parent or the new element is missing.
KvResult CreateDomRecordElement(DomElementPtr& element, const DomDocumentPtr& document,
                                const DomNodePtr& parent, std::string_view name,
                                std::uint32_t identifier);
KvResult AppendDomTextChild(const DomDocumentPtr& document, const DomElementPtr& element,
                            std::string_view name, std::string_view text);
// The children of a DOM element, in order: name and text of each.
class DomChildWalk {
public:
    // KV_E_NULL_INTERFACE for a null element.
    KvResult Start(const DomElementPtr& element);
    bool Next(std::string& name, std::string& text);

private:
    DomNodeListPtr list_;
    std::int32_t remaining_ = 0;
};

inline bool InXmlForm(std::uint32_t rules) {
    return (rules & kKeyDomOnly) == 0;
}
inline bool InDomForm(std::uint32_t rules) {
    return (rules & kKeyXmlOnly) == 0;
}
inline bool IsWrittenKey(std::uint32_t rules) {
    return (rules & kKeyReadOnly) == 0;
}

template <typename Record>
std::span<const RecordKey<Record>> DomKeys(const RecordForm<Record>& form) {
    switch (form.dom_form) {
    case RecordDomForm::kSameKeys:
        return form.keys;
    case RecordDomForm::kOwnKeys:
        return form.dom_keys;
    case RecordDomForm::kNone:
        break;
    }
    return {};
}

template <typename Record>
void KeyText(Record& record, const RecordKey<Record>& key, std::string& out) {
    if (key.text != nullptr)
        out = key.text(record);
    else if (key.format != nullptr)
        key.format(record, out);
    else
        out.clear();
}

// Applies the read rules and stores the text; the key's code, or KV_OK.
template <typename Record>
KvResult StoreKeyText(Record& record, const RecordKey<Record>& key, std::string& text) {
    if ((key.rules & kKeyTrimOnRead) != 0)
        TrimInPlace(text);
    if ((key.rules & kKeyFilter) != 0)
        FilterRecordText(text);
    if (key.parse != nullptr)
        return key.parse(record, text);
    if (key.text != nullptr)
        key.text(record) = std::move(text);
    return KV_OK;
}

template <typename Record>
const RecordKey<Record>* FindTextKey(std::span<const RecordKey<Record>> keys, std::string_view name,
                                     bool dom) {
    for (const RecordKey<Record>& key : keys) {
        // The first letters differ for most keys: checked before the whole name.
        if (key.kind == RecordKeyKind::kNested || key.name.size() != name.size() ||
            (!name.empty() && key.name[0] != name[0]) ||
            !SameBytes(key.name.data(), name.data(), name.size()) ||
            (key.rules & kKeyWriteOnly) != 0)
            continue;
        if (dom ? InDomForm(key.rules) : InXmlForm(key.rules))
            return &key;
    }
    return nullptr;
}

template <typename Record>
bool IsXmlTextKeyNamed(const RecordKey<Record>& key, std::string_view name) {
    return key.kind != RecordKeyKind::kNested && key.name.size() == name.size() &&
           (name.empty() || key.name[0] == name[0]) &&
           SameBytes(key.name.data(), name.data(), name.size()) &&
           (key.rules & kKeyWriteOnly) == 0 && InXmlForm(key.rules);
}

// Whether no two rows the XML reader matches by name share a name, so that
// the row of a name found from anywhere is the first of that name.
// Remembered for the table each thread read last for the record type
// (tables are static, as the writer's use of their names already asks):
// records of one type mostly come in runs.
template <typename Record> bool XmlTextNamesUnique(std::span<const RecordKey<Record>> keys) {
    thread_local const RecordKey<Record>* cached_data = nullptr;
    thread_local std::size_t cached_size = 0;
    thread_local bool cached_unique = false;
    if (cached_data == keys.data() && cached_size == keys.size())
        return cached_unique;
    bool unique = true;
    for (std::size_t i = 0; i < keys.size() && unique; ++i)
        if (FindTextKey(keys, keys[i].name, false) != &keys[i] &&
            IsXmlTextKeyNamed(keys[i], keys[i].name))
            unique = false;
    cached_data = keys.data();
    cached_size = keys.size();
    cached_unique = unique;
    return unique;
}

// FindTextKey(keys, name, false), starting where the previous text element's
// row left off when the names are unique (elements mostly come in the
// written order). next: that row, moved past the row found.
template <typename Record>
const RecordKey<Record>* FindXmlTextKeyFrom(std::span<const RecordKey<Record>> keys,
                                            std::string_view name, bool unique,
                                            std::size_t& next) {
    const RecordKey<Record>* found = nullptr;
    if (unique) {
        for (std::size_t i = next, n = 0; n < keys.size(); ++i, ++n) {
            if (i == keys.size())
                i = 0;
            if (IsXmlTextKeyNamed(keys[i], name)) {
                found = &keys[i];
                break;
            }
        }
    } else {
        found = FindTextKey(keys, name, false);
    }
    if (found != nullptr)
        next = static_cast<std::size_t>(found - keys.data()) + 1;
    return found;
}

template <typename Record>
const RecordKey<Record>* FindNestedKey(Record& record, std::span<const RecordKey<Record>> keys,
                                       const XmlNode& child) {
    const std::uint32_t kind = child.GetKind();
    for (const RecordKey<Record>& key : keys) {
        if (key.kind != RecordKeyKind::kNested)
            continue;
        if (kind != kXmlElement && !(kind == kXmlTextElement && (key.rules & kKeyAlsoTextElement)))
            continue;
        const std::string_view name = key.nested_name ? key.nested_name(record) : key.name;
        if (child.GetName() == name)
            return &key;
    }
    return nullptr;
}

} // namespace record_keys_detail

// Writes the keys as children of an existing element, in table order, with
// the policy; returns the code of the last step run (KV_OK when none ran).
// Records that write their keys in parts call it once per part.
template <typename Record>
KvResult WriteRecordKeys(Record& record, std::span<const RecordKey<Record>> keys,
                         XmlDocument& document, XmlNode* element, RecordWritePolicy policy,
                         KvResult result = KV_OK) {
    using namespace record_keys_detail;
    std::string text;
    for (const RecordKey<Record>& key : keys) {
        if (policy == RecordWritePolicy::kStopAtFailure && result != KV_OK)
            break;
        if (!InXmlForm(key.rules) || !IsWrittenKey(key.rules))
            continue;
        if (key.kind == RecordKeyKind::kNested) {
            if ((key.rules & kKeyOmitWhenEmpty) != 0 && key.nested_empty != nullptr &&
                key.nested_empty(record))
                continue;
            XmlNode* nested = nullptr;
            result = key.write_nested(record, nested, document, element);
            continue;
        }
        if (key.text != nullptr) {
            std::string& member = key.text(record);
            if ((key.rules & kKeyTrimOnWrite) != 0)
                TrimInPlace(member);
            if ((key.rules & kKeyOmitWhenEmpty) != 0 && member.empty())
                continue;
            result = WriteTextChild(document, element, key.name, member, key.rules);
            continue;
        }
        KeyText(record, key, text);
        if ((key.rules & kKeyTrimOnWrite) != 0)
            TrimInPlace(text);
        if ((key.rules & kKeyOmitWhenEmpty) != 0 && text.empty())
            continue;
        result = WriteTextChild(document, element, key.name, text, key.rules);
    }
    return result;
}

// Steps of a record's WriteXml before its keys: out null; a parent that
// fails the pointer rule gives KV_E_INVALID_POINTER; the element, named and
// linked under the parent (a failure to create it ends the writing); the
// identifier attribute when the form has one. out is null when nothing more
// may be written; else the code is that of the attribute step (KV_OK
// without one). Records whose keys are written in parts call this, then
// WriteRecordKeys per part.
template <typename Record>
KvResult BeginRecordXml(Record& record, const RecordForm<Record>& form, XmlNode*& out,
                        XmlDocument& document, XmlNode* parent) {
    using namespace record_keys_detail;
    out = nullptr;
    if (!IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    XmlNode* element = nullptr;
    const KvResult created = document.CreateNode(element, kXmlElement);
    if (KvFailed(created) || element == nullptr)
        return KvFailed(created) ? created : KV_E_OUT_OF_MEMORY;
    out = element;
    element->SetName(XmlStaticName{form.element_name});
    // Whether the element could be linked does not count unless the form says
    // so; its keys are still written below it.
    const KvResult linked = document.AddChild(parent, element);
    if (form.link_counts && linked != KV_OK)
        return linked;
    if (form.identifier.get == nullptr)
        return KV_OK;
    return AddIdentifierAttribute(document, element, form.identifier.get(record));
}

// A record's whole WriteXml: BeginRecordXml, then the keys with the form's
// policy. Returns the code of the last step run.
template <typename Record>
KvResult WriteRecordXml(Record& record, const RecordForm<Record>& form, XmlNode*& out,
                        XmlDocument& document, XmlNode* parent) {
    const KvResult begun = BeginRecordXml(record, form, out, document, parent);
    if (out == nullptr)
        return begun;
    return WriteRecordKeys(record, form.keys, document, out, form.write_policy, begun);
}

// Reads the children of an element against the keys, in document order (the
// record has then taken the element, see CKvDataHandler::TookElement): a
// text element by its name (the first key of that name), a nested record by
// its element name; other children are ignored. Returns the last code that
// counted: KV_E_INVALID_POINTER for a bad child, a nested read's code, a
// key's own code with kKeyReadResultCounts; else `result`.
namespace record_keys_detail {
// Records kept in a store say whether a failed read took the element; other
// users of the key tables (the GUI descriptions) have no such flag.
template <typename Record> void NoteTookElement(Record& record, bool took) {
    if constexpr (requires { record.SetTookElement(took); })
        record.SetTookElement(took);
}
} // namespace record_keys_detail

template <typename Record>
KvResult ReadRecordKeys(Record& record, std::span<const RecordKey<Record>> keys,
                        const XmlNode& element, KvResult result = KV_OK) {
    using namespace record_keys_detail;
    NoteTookElement(record, true);
    std::string text;
    const bool unique = XmlTextNamesUnique(keys);
    std::size_t next = 0;
    for (const XmlNode* child : element.GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        const std::uint32_t kind = child->GetKind();
        // Text between the elements, comments and the like match no row.
        if (kind != kXmlTextElement && kind != kXmlElement)
            continue;
        if (kind == kXmlTextElement) {
            if (const RecordKey<Record>* key =
                    FindXmlTextKeyFrom(keys, child->GetName(), unique, next)) {
                // A text member without read rules takes a text without
                // entities as it stands, with no detour through the scratch.
                if (key->kind == RecordKeyKind::kText && key->text != nullptr &&
                    key->parse == nullptr &&
                    (key->rules & (kKeyTrimOnRead | kKeyFilter | kKeyStoredText)) == 0) {
                    const std::string_view content = child->GetContent();
                    if (content.find('&') == std::string_view::npos) {
                        key->text(record).assign(content);
                        continue;
                    }
                }
                if ((key->kind == RecordKeyKind::kText && (key->rules & kKeyStoredText) == 0) ||
                    (key->rules & kKeyDecode) != 0)
                    child->GetText(text);
                else
                    text.assign(child->GetContent());
                const KvResult code = StoreKeyText(record, *key, text);
                if ((key->rules & kKeyReadResultCounts) != 0)
                    result = code;
                continue;
            }
        }
        if (const RecordKey<Record>* key = FindNestedKey(record, keys, *child))
            result = key->read_nested(record, child);
    }
    return result;
}

// Steps of a record's ReadXml: an element that fails the pointer rule gives
// KV_E_INVALID_POINTER; the element's name is not compared; the identifier
// attribute when the form reads one (missing: KV_E_NOT_FOUND and nothing
// read); then the keys. The record is not reset first.
template <typename Record>
KvResult ReadRecordXml(Record& record, const RecordForm<Record>& form, const XmlNode* element) {
    using namespace record_keys_detail;
    NoteTookElement(record, false);
    if (!IsValidPtr(element))
        return KV_E_INVALID_POINTER;
    if (form.identifier.set != nullptr) {
        std::string value;
        const KvResult found = ReadIdentifierAttribute(*element, value);
        if (found != KV_OK)
            return found;
        form.identifier.set(record, value);
    }
    return ReadRecordKeys(record, form.keys, *element);
}

// The DOM form: the element with the attribute "id" (the identifier as an
// unsigned 32-bit variant) under the parent, then one child per DOM key with
// the key's text, empty ones included, not trimmed and not encoded. The DOM's
// own codes are not examined; KV_E_NULL_INTERFACE when the document, the
// parent or a created element is missing.
template <typename Record>
KvResult WriteRecordDom(Record& record, const RecordForm<Record>& form,
                        const DomDocumentPtr& document, const DomNodePtr& parent) {
    using namespace record_keys_detail;
    DomElementPtr element;
    const KvResult created = CreateDomRecordElement(element, document, parent, form.element_name,
                                                    record.GetIdentifier());
    if (created != KV_OK)
        return created;
    std::string text;
    for (const RecordKey<Record>& key : DomKeys(form)) {
        if (key.kind == RecordKeyKind::kNested || !InDomForm(key.rules) || !IsWrittenKey(key.rules))
            continue;
        KeyText(record, key, text);
        const KvResult appended = AppendDomTextChild(document, element, key.name, text);
        if (appended == KV_E_NULL_INTERFACE)
            return appended;
    }
    return KV_OK;
}

// Walks the element's child nodes; a node whose name is a DOM key stores its
// text by the key's rules. The attribute "id" is not read and the element's
// name is not compared. KV_E_NULL_INTERFACE for a null element; else the last
// code of a key with kKeyReadResultCounts, or KV_OK.
template <typename Record>
KvResult ReadRecordDom(Record& record, const RecordForm<Record>& form,
                       const DomElementPtr& element) {
    using namespace record_keys_detail;
    DomChildWalk walk;
    KvResult result = walk.Start(element);
    if (result != KV_OK)
        return result;
    const std::span<const RecordKey<Record>> keys = DomKeys(form);
    std::string name;
    std::string text;
    while (walk.Next(name, text)) {
        const RecordKey<Record>* key = FindTextKey(keys, name, true);
        if (key == nullptr)
            continue;
        const KvResult code = StoreKeyText(record, *key, text);
        if ((key->rules & kKeyReadResultCounts) != 0)
            result = code;
    }
    return result;
}

// The four form operations of a record that only walks its key table, so the
// record need not repeat them. Record::Form() may stay private when the record
// befriends this class (`friend KeyTableRecord;`). A record with extra steps
// in one operation still overrides that operation itself.
template <typename Record, std::uint32_t TypeCode>
class KeyTableRecord : public DataRecord<Record, TypeCode> {
public:
    KvResult ReadDom(const DomElementPtr& element) override {
        return this->result_ = ReadRecordDom(Self(), Record::Form(), element);
    }
    KvResult WriteDom(const DomDocumentPtr& document, const DomNodePtr& parent) override {
        return this->result_ = WriteRecordDom(Self(), Record::Form(), document, parent);
    }
    KvResult ReadXml(const XmlNode* element) override {
        return this->result_ = ReadRecordXml(Self(), Record::Form(), element);
    }
    KvResult WriteXml(XmlNode*& out, XmlDocument& document, XmlNode* parent) override {
        return this->result_ = WriteRecordXml(Self(), Record::Form(), out, document, parent);
    }

protected:
    using DataRecord<Record, TypeCode>::DataRecord;

private:
    Record& Self() { return static_cast<Record&>(*this); }
};

// ---- The DOM form with every DOM code counted ----
//
// A second DOM form for tables whose element carries a text identifier in the
// attribute "identifier" (a VT_BSTR variant): the first DOM call that fails
// ends the operation with its code (KV_E_NULL_INTERFACE for a missing
// interface), so a caller learns that the tree it holds is incomplete.

namespace record_keys_detail {

// The element named name under the parent, with "identifier" set to the
// text; the element is created and named before the parent is looked at.
KvResult CreateDomIdentifiedElement(DomElementPtr& element, const DomDocumentPtr& document,
                                    const DomNodePtr& parent, std::string_view name,
                                    std::string_view identifier);
KvResult AppendDomTextChildChecked(const DomDocumentPtr& document, const DomElementPtr& element,
                                   std::string_view name, std::string_view text);
// The children of a DOM node, in order, with the code of every call.
class DomCheckedChildWalk {
public:
    KvResult Start(const DomNodePtr& element);
    // KV_OK with more = false after the last child.
    KvResult Next(bool& more, std::string& name, std::string& text);

private:
    DomNodeListPtr list_;
    std::int32_t remaining_ = 0;
};

} // namespace record_keys_detail

// Writes the element with its text identifier (form.identifier.get) under
// the parent and one child per DOM key; the first failing call's code.
template <typename Record>
KvResult WriteRecordDomChecked(Record& record, const RecordForm<Record>& form,
                               const DomDocumentPtr& document, const DomNodePtr& parent) {
    using namespace record_keys_detail;
    DomElementPtr element;
    const std::string_view identifier =
        form.identifier.get != nullptr ? std::string_view(form.identifier.get(record)) : "";
    KvResult result =
        CreateDomIdentifiedElement(element, document, parent, form.element_name, identifier);
    std::string text;
    for (const RecordKey<Record>& key : DomKeys(form)) {
        if (result != KV_OK)
            break;
        if (key.kind == RecordKeyKind::kNested || !InDomForm(key.rules) || !IsWrittenKey(key.rules))
            continue;
        KeyText(record, key, text);
        result = AppendDomTextChildChecked(document, element, key.name, text);
    }
    return result;
}

// Walks the node's children; a child named by a DOM key stores its text by
// the key's rules. The identifier is not read. The first failing DOM call's
// code; else the last code of a key with kKeyReadResultCounts, or KV_OK.
template <typename Record>
KvResult ReadRecordDomChecked(Record& record, const RecordForm<Record>& form,
                              const DomNodePtr& element) {
    using namespace record_keys_detail;
    DomCheckedChildWalk walk;
    KvResult result = walk.Start(element);
    const std::span<const RecordKey<Record>> keys = DomKeys(form);
    std::string name;
    std::string text;
    bool more = result == KV_OK;
    while (more) {
        const KvResult step = walk.Next(more, name, text);
        if (step != KV_OK)
            return step;
        if (!more)
            break;
        const RecordKey<Record>* key = FindTextKey(keys, name, true);
        if (key == nullptr)
            continue;
        const KvResult code = StoreKeyText(record, *key, text);
        if ((key->rules & kKeyReadResultCounts) != 0)
            result = code;
    }
    return result;
}
