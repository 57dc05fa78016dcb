#include "jobs/host/job_text_receiver.h"

#include "core/node_text.h"
#include "framework/payload_registry.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::int32_t kKindCount = 6;
constexpr std::int32_t kAttributeCount = 32;

constexpr std::array<const char*, 12> kResultNames = {
    "accepted",     "too large",       "not XML",           "no JobData",
    "unknown type", "unknown kind",    "unknown attribute", "bad job id",
    "no job class", "job read failed", "not one JobData",   "wrong peer",
};

// The header's children that carry its values: the first of each name, as
// FindChild would find it, gathered in one pass.
struct HeaderChildren {
    const XmlNode* kind = nullptr;
    const XmlNode* attribute = nullptr;
    const XmlNode* idtarget = nullptr;
    const XmlNode* idsource = nullptr;

    explicit HeaderChildren(const XmlNode& header) {
        for (const XmlNode* child : header.GetChildList()) {
            if (!IsValidPtr(child))
                continue;
            const std::string_view name = child->GetName();
            const XmlNode** slot = SameText(name, "messagetype") ? &kind
                                   : SameText(name, "attribute") ? &attribute
                                   : SameText(name, "idtarget")  ? &idtarget
                                   : SameText(name, "idsource")  ? &idsource
                                                                 : nullptr;
            if (slot != nullptr && *slot == nullptr)
                *slot = child;
        }
    }
};

// The decoded text of a header child; false when there is none.
bool HeaderText(const XmlNode* child, std::string& scratch, std::string_view& out) {
    if (child == nullptr)
        return false;
    out = DecodedNodeText(*child, scratch);
    return true;
}

// The type attribute as written (it is not decoded); false when there is none.
bool TypeText(const XmlNode& header, std::string_view& out) {
    XmlNode* attribute = nullptr;
    if (KvFailed(header.FindAttribute(attribute, "type")) || attribute == nullptr)
        return false;
    out = attribute->GetContent();
    return true;
}

// The message's kind and attribute names, with their lengths.
template <std::int32_t Count> struct NameTable {
    std::array<std::string_view, Count> names;

    explicit NameTable(const char* (*name_of)(std::int32_t)) {
        for (std::int32_t i = 0; i < Count; ++i)
            names[static_cast<std::size_t>(i)] = name_of(i);
    }
};

template <std::int32_t Count>
bool FindName(std::string_view text, const NameTable<Count>& table, std::int32_t& code) {
    for (std::int32_t i = 0; i < Count; ++i) {
        if (SameText(text, table.names[static_cast<std::size_t>(i)])) {
            code = i;
            return true;
        }
    }
    return false;
}

const NameTable<kKindCount>& KindNames() {
    static const NameTable<kKindCount> table(&CKvMessage::KindName);
    return table;
}

const NameTable<kAttributeCount>& AttributeNames() {
    static const NameTable<kAttributeCount> table(&CKvMessage::AttributeName);
    return table;
}

const XmlNode* FindJobDataElement(XmlDocument& document) {
    const XmlElement* root = document.GetRoot();
    if (root == nullptr)
        return nullptr;
    for (const XmlNode* child : root->GetChildList()) {
        if (child->GetKind() == kXmlElement && SameText(child->GetName(), "JobData"))
            return child;
    }
    return nullptr;
}

bool IsWhiteSpace(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// Whether everything at the top besides the header is white space, a
// comment or the XML declaration.
bool StandsAlone(XmlDocument& document, const XmlNode* header) {
    for (const XmlNode* child : document.GetRoot()->GetChildList()) {
        if (child == header)
            continue;
        switch (child->GetKind()) {
        case kXmlComment:
            break;
        case kXmlText:
            if (!IsWhiteSpace(child->GetContent()))
                return false;
            break;
        case kXmlProcessingInstruction:
            if (child->GetName() != "xml")
                return false;
            break;
        default:
            return false;
        }
    }
    return true;
}

} // namespace

const char* JobTextResultName(JobTextResult result) {
    const auto index = static_cast<std::size_t>(result);
    return index < kResultNames.size() ? kResultNames[index] : "unknown";
}

bool ParseJobId(std::string_view text, std::uint32_t& id) {
    if (text.empty())
        return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsAsciiDigit(c))
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xFFFFFFFFull)
            return false;
    }
    id = static_cast<std::uint32_t>(value);
    return true;
}

JobTextResult CKvJobTextReceiver::Receive(std::string_view text, CKvMessage*& message) {
    message = nullptr;
    if (text.size() > kMaxTextBytes)
        return JobTextResult::kTooLarge;
    document_.Clear();
    if (document_.Parse(text) != KV_OK || !document_.IsParseComplete())
        return JobTextResult::kNotXml;
    const XmlNode* header = FindJobDataElement(document_);
    if (header == nullptr)
        return JobTextResult::kNoJobData;
    if (!StandsAlone(document_, header))
        return JobTextResult::kNotOneJobData;

    std::string scratch;
    std::string_view value;
    std::uint32_t type = 0;
    if (!TypeText(*header, value) || !CKvJobData::TypeCodeFromName(value, type))
        return JobTextResult::kUnknownType;
    const HeaderChildren children(*header);
    std::int32_t kind = 0;
    if (!HeaderText(children.kind, scratch, value) ||
        !FindName(value, KindNames(), kind))
        return JobTextResult::kUnknownKind;
    std::int32_t attribute = 0;
    if (!HeaderText(children.attribute, scratch, value) ||
        !FindName(value, AttributeNames(), attribute))
        return JobTextResult::kUnknownAttribute;
    std::uint32_t idtarget = 0;
    std::uint32_t idsource = 0;
    if (!HeaderText(children.idtarget, scratch, value) || !ParseJobId(value, idtarget) ||
        !HeaderText(children.idsource, scratch, value) || !ParseJobId(value, idsource))
        return JobTextResult::kBadId;

    void* payload = nullptr;
    if (!IsJobPayloadType(static_cast<std::int32_t>(type)) ||
        !CreatePayloadByType(payload, static_cast<std::int32_t>(type)))
        return JobTextResult::kNoJobClass;
    CKvJobData* job = JobFromPayload(payload);
    if (job->ReadXml(header) != KV_OK) {
        DestroyPayloadByType(payload, static_cast<std::int32_t>(type));
        return JobTextResult::kReadFailed;
    }
    job->SetSubType(type);
    job->SetHeader(static_cast<std::uint32_t>(kind), static_cast<std::uint32_t>(attribute),
                   idtarget, idsource);
    message = new CKvMessage;
    message->SetHeader(kind, payload, static_cast<std::int32_t>(type), 0, 0, attribute);
    message->SetJobIds(idtarget, idsource, 0);
    return JobTextResult::kAccepted;
}
