// Feeds arbitrary bytes to the record readers: a store element
// ("DATA_TYPE_HANDLER" with its "datatype") of any store type, or a single
// record of any record class named by its element. What is read is written,
// read back and written again, in the XML form and (through the DOM stand-in
// and each record's ReadDom) in the DOM form; the two writes must be equal
// byte for byte, except for the changes the record classes make on purpose,
// each allowed below where it applies: a contact's dial counts must have aged
// by exactly its days. A user group whose identifier list is the last of its
// counting keys read, from the input or from its own text, must count the
// identifiers it kept, each once however often the list named it. Nothing
// may crash or leak.
// FUZZ_LIBRARIES: kv_data

#include "core/xml_document.h"
#include "core/xml_node.h"
#include "data/data_advertize_entry.h"
#include "data/data_advertize_preferences.h"
#include "data/data_application.h"
#include "data/data_call.h"
#include "data/data_client_general.h"
#include "data/data_contact.h"
#include "data/data_contact_group.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_handler.h"
#include "data/data_handler_store.h"
#include "data/data_host.h"
#include "data/data_isdn_controller.h"
#include "data/data_payloads.h"
#include "data/data_preferences.h"
#include "data/data_server_user.h"
#include "data/data_user.h"
#include "data/data_user_group.h"
#include "data/data_voip_profile.h"
#include "platform/clock.h"
#include "platform/dom.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kStoreElement = "DATA_TYPE_HANDLER";
constexpr std::int32_t kStoreCapacity = 256;

struct RecordClass {
    std::uint32_t code;
    std::unique_ptr<CKvDataHandler> (*make)();
    // The element of its XML form; empty for a class without one.
    std::string element;
};

template <typename Record> std::unique_ptr<CKvDataHandler> Make() {
    return std::make_unique<Record>(nullptr, 0);
}

std::vector<RecordClass>& Classes() {
    static std::vector<RecordClass> classes = [] {
        std::vector<RecordClass> table = {
            {K_KVDT_TP_DTHDLR_DATAUSER, Make<CKvDataUser>, {}},
            {K_KVDT_TP_DTHDLR_DATAGENERAL, Make<CKvDataGeneral>, {}},
            {K_KVDT_TP_DTHDLR_DATACOMPUTER, Make<CKvDataHost>, {}},
            {K_KVDT_TP_DTHDLR_DATADEVICE, Make<CKvDataDevice>, {}},
            {K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, Make<CKvDataClientGeneral>, {}},
            {K_KVDT_TP_DTHDLR_DATAUSERGROUP, Make<CKvDataUserGroup>, {}},
            {K_KVDT_TP_DTHDLR_DATAPREFERENCES, Make<CKvDataPreferences>, {}},
            {K_KVDT_TP_DTHDLR_DATACONTACT, Make<CKvDataContact>, {}},
            {K_KVDT_TP_DTHDLR_DATACALL, Make<CKvDataCall>, {}},
            {K_KVDT_TP_DTHDLR_DATAAPPLICATION, Make<CKvDataApplication>, {}},
            {K_KVDT_TP_DTHDLR_DATASERVERUSER, Make<CKvDataServerUser>, {}},
            {K_KVDT_TP_DTHDLR_DATAISDNCONTROLLER, Make<CKvDataIsdnController>, {}},
            {K_KVDT_TP_DTHDLR_DATACONTACTGROUP, Make<CKvDataContactGroup>, {}},
            {K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, Make<CKvDataVoipProfile>, {}},
            {K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES, Make<CKvDataAdvertizePreferences>, {}},
            {K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY, Make<CKvDataAdvertizeEntry>, {}},
        };
        // Each class names its element itself: that of a fresh record's text.
        for (RecordClass& entry : table) {
            XmlDocument document;
            XmlNode* element = nullptr;
            entry.make()->WriteXml(element, document, document.GetRoot());
            if (element != nullptr)
                entry.element = std::string(element->GetName());
        }
        return table;
    }();
    return classes;
}

const RecordClass* FindClass(std::uint32_t code) {
    for (const RecordClass& entry : Classes()) {
        if (entry.code == code)
            return &entry;
    }
    return nullptr;
}

[[noreturn]] void Fail(const char* what, std::string_view first, std::string_view second) {
    std::fprintf(stderr, "%s\n[%.*s]\n[%.*s]\n", what, static_cast<int>(first.size()),
                 first.data(), static_cast<int>(second.size()), second.data());
    std::abort();
}

// The first element at the top of a parsed text (self-closed ones included).
const XmlNode* TopElement(XmlDocument& document) {
    for (const XmlNode* node : document.GetRoot()->GetChildList()) {
        if (node->GetKind() == kXmlElement || node->GetKind() == kXmlTextElement)
            return node;
    }
    return nullptr;
}

template <typename Writable> std::string XmlText(Writable& object) {
    XmlDocument document;
    XmlNode* element = nullptr;
    object.WriteXml(element, document, document.GetRoot());
    std::string text;
    document.GetText(text);
    return text;
}

// Where each byte of a written text lies inside a quoted attribute value:
// there, markup-like text is the attribute's, not an element.
std::vector<bool> AttributeBytes(std::string_view text) {
    std::vector<bool> inside(text.size(), false);
    bool in_tag = false;
    char quote = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quote != 0) {
            inside[i] = c != quote;
            if (c == quote)
                quote = 0;
        } else if (in_tag && (c == '"' || c == '\'')) {
            quote = c;
        } else if (c == '<') {
            in_tag = true;
        } else if (c == '>') {
            in_tag = false;
        }
    }
    return inside;
}

// Replaces every element text from by to, outside attribute values.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::size_t at = text.find(from);
    while (at != std::string::npos) {
        if (AttributeBytes(text)[at]) {
            at = text.find(from, at + 1);
            continue;
        }
        text.replace(at, from.size(), to);
        at = text.find(from, at + to.size());
    }
}

// Texts the XML comparison cannot hold to: entity references that the text
// carried literally are decoded once more on every read, and attributes are
// written as they were read, not encoded.
bool HasLiteralReferences(std::string_view text) {
    if (text.find("&#") != std::string_view::npos)
        return true;
    const std::vector<bool> in_attribute = AttributeBytes(text);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (in_attribute[i] && text[i] == '&')
            return true;
    }
    return false;
}

// The fuzzing clock's time, in seconds since 1900, as the records count it.
constexpr std::uint64_t kNowSince1900 = 3'900'000'000ULL + 86'400ULL * 30;
constexpr std::uint64_t kSecondsPerDay = 86'400;

// Where the text of an element of that name lies, outside attribute values.
struct ElementText {
    std::size_t begin;
    std::size_t end;
};

std::optional<ElementText> NextElementText(const std::string& text, std::string_view name,
                                           std::size_t from) {
    const std::string open = "<" + std::string(name) + ">";
    for (std::size_t at = text.find(open, from); at != std::string::npos;
         at = text.find(open, at + 1)) {
        if (AttributeBytes(text)[at])
            continue;
        const std::size_t begin = at + open.size();
        const std::size_t end = text.find('<', begin);
        if (end == std::string::npos)
            return std::nullopt;
        return ElementText{begin, end};
    }
    return std::nullopt;
}

std::uint64_t NumberAt(const std::string& text, ElementText at) {
    return std::strtoull(text.substr(at.begin, at.end - at.begin).c_str(), nullptr, 10);
}

// A count written again: lowered by floor(10 e^(0.1535 d)) (the factor in
// single precision) for d, the days since the last call counted from the
// day it fell on (0 for a last call not in the past), and never below 0.
std::uint64_t AgedDialCount(std::uint64_t count, std::uint64_t last_call) {
    const std::uint64_t days = kNowSince1900 > last_call
                                   ? (kNowSince1900 - last_call + kSecondsPerDay) / kSecondsPerDay
                                   : 0;
    const double decrement =
        std::floor(10.0 * std::exp(static_cast<double>(0.1535f) * static_cast<double>(days)));
    return static_cast<double>(count) >= decrement ? count - static_cast<std::uint64_t>(decrement)
                                                   : 0;
}

// Each write ages a contact's dial counts by the days since its last call,
// which the second text gives before the contact's phone numbers. Both texts
// lose the counts' digits.
void ExpectAgedDialCounts(std::string& first, std::string& second) {
    std::size_t in_first = 0;
    std::size_t in_second = 0;
    std::size_t past_last_call = 0;
    std::uint64_t last_call = 0;
    for (;;) {
        const std::optional<ElementText> before = NextElementText(first, "dialcount", in_first);
        const std::optional<ElementText> after = NextElementText(second, "dialcount", in_second);
        if (!before || !after)
            return;
        for (std::optional<ElementText> call =
                 NextElementText(second, "datetimelastcall", past_last_call);
             call && call->end < after->begin;
             call = NextElementText(second, "datetimelastcall", past_last_call)) {
            last_call = NumberAt(second, *call);
            past_last_call = call->end;
        }
        if (NumberAt(second, *after) != AgedDialCount(NumberAt(first, *before), last_call))
            Fail("a dial count aged by other than its days", first, second);
        first.erase(before->begin, before->end - before->begin);
        second.erase(after->begin, after->end - after->begin);
        in_first = before->begin;
        in_second = after->begin;
    }
}

// Hands the text of every element of that name (outside attribute values)
// to edit, which may change it.
template <typename Edit>
void EditElementTexts(std::string& text, std::string_view name, Edit edit) {
    for (std::optional<ElementText> at = NextElementText(text, name, 0); at;) {
        std::string content = text.substr(at->begin, at->end - at->begin);
        edit(content);
        text.replace(at->begin, at->end - at->begin, content);
        at = NextElementText(text, name, at->begin + content.size());
    }
}

// The filtered texts keep no "§", so a "&sect;" written from one is literal:
// the filter made it by dropping the bytes between an "&" and "sect;". Read
// back, it is decoded to "§", which the filter drops.
void AllowFilteredSect(std::uint32_t code, std::string& first) {
    constexpr std::string_view kSect = "&sect;";
    const auto drop_sect = [kSect](std::string& content) {
        for (std::size_t found = content.find(kSect); found != std::string::npos;
             found = content.find(kSect, found))
            content.erase(found, kSect.size());
    };
    static constexpr std::string_view kUserKeys[] = {"screenname", "firstname", "lastname",
                                                     "phonenumberout", "idimage"};
    if (code == K_KVDT_TP_DTHDLR_DATAUSER) {
        for (std::string_view name : kUserKeys)
            EditElementTexts(first, name, drop_sect);
    } else if (code == K_KVDT_TP_DTHDLR_DATAUSERGROUP) {
        EditElementTexts(first, "identifierlist", drop_sect);
    }
}

// The general record's numbers are written unsigned and read through atoi:
// 2^31 and above read back as INT32_MAX.
void AllowSaturatedNumbers(std::uint32_t code, std::string& first) {
    if (code != K_KVDT_TP_DTHDLR_DATAGENERAL)
        return;
    const auto saturate = [](std::string& number) {
        if (std::strtoull(number.c_str(), nullptr, 10) > 2147483647ULL)
            number = "2147483647";
    };
    EditElementTexts(first, "portnumber", saturate);
    EditElementTexts(first, "interndigitscount", saturate);
}

// The XML form: the first and second writes, with the changes the records
// make on purpose allowed.
void CompareXml(std::uint32_t code, std::string first, std::string second) {
    // Contacts: in a contact store, alone, or the one a contact group holds.
    if (code == K_KVDT_TP_DTHDLR_DATACONTACT || code == K_KVDT_TP_DTHDLR_DATACONTACTGROUP) {
        ExpectAgedDialCounts(first, second);
        // A contact never read has no last call: 0, which reads back as the
        // earliest time the contact keeps.
        ReplaceAll(first, "<datetimelastcall>0</datetimelastcall>",
                   "<datetimelastcall>2208988800</datetimelastcall>");
    }
    AllowSaturatedNumbers(code, first);
    AllowFilteredSect(code, first);
    if (code == K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES) {
        // An empty presentation type reads as the unspecified one.
        ReplaceAll(first, "<presentationtype />",
                   "<presentationtype>UNSPECIFIED</presentationtype>");
    }
    if (first != second)
        Fail("written, read back and written again differs", first, second);
}

// A user group's DOM count, "<count>n</count>" or "<count/>", as "<count/>".
void MaskDomCount(std::string& text) {
    const std::size_t open = text.find("<count>");
    if (open == std::string::npos)
        return;
    const std::size_t close = text.find("</count>", open);
    if (close != std::string::npos)
        text.replace(open, close + 8 - open, "<count/>");
}

// The DOM form: the first and second writes, with the changes allowed.
void CompareDom(std::uint32_t code, std::string first, const std::string& second) {
    // The DOM reads CR LF and CR as LF.
    ReplaceAll(first, "\r\n", "\n");
    ReplaceAll(first, "\r", "\n");
    AllowSaturatedNumbers(code, first);
    if (code == K_KVDT_TP_DTHDLR_DATAUSERGROUP && first != second) {
        // The DOM form writes the count before the identifier list, and the
        // list read after it counts again from 0 (a comma-only list keeps one
        // empty identifier and writes count 1, then an empty list and an
        // empty count): the count need not survive; everything else must.
        std::string first_masked = first;
        std::string second_masked = second;
        MaskDomCount(first_masked);
        MaskDomCount(second_masked);
        if (first_masked == second_masked)
            return;
    }
    if (first != second)
        Fail("DOM form written, read back and written again differs", first, second);
}

// The keys of a user group that set its count: the identifier list counts the
// identifiers it keeps, and the count read after it replaces that.
constexpr std::string_view kCountKey = "count";
constexpr std::string_view kIdentifierListKey = "identifierlist";

// Whether the group's last counting key read was its identifier list; names:
// the keys the reader matched, in the order it read them.
bool ListReadLast(const std::vector<std::string>& names) {
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        if (*name == kIdentifierListKey)
            return true;
        if (*name == kCountKey)
            return false;
    }
    return false;
}

// The XML reader matches text elements only.
std::vector<std::string> XmlKeyNames(const XmlNode& element) {
    std::vector<std::string> names;
    for (const XmlNode* child : element.GetChildList()) {
        if (child->GetKind() == kXmlTextElement)
            names.emplace_back(child->GetName());
    }
    return names;
}

// The DOM reader matches every child node by its name.
std::vector<std::string> DomKeyNames(const DomElementPtr& element) {
    std::vector<std::string> names;
    DomNodeListPtr children;
    element->get_childNodes(children);
    DomNodePtr child;
    while (children->nextNode(child) == KV_OK && child) {
        std::string name;
        child->get_nodeName(name);
        names.push_back(std::move(name));
    }
    return names;
}

// A group whose identifier list was read last counts the identifiers it
// kept: distinct ones, however often the text named each.
void ExpectCountOfIdentifiers(const CKvDataUserGroup& group, const std::vector<std::string>& names,
                              std::string_view text) {
    if (!ListReadLast(names))
        return;
    std::set<std::string> distinct;
    std::size_t kept = 0;
    CKvDataUserGroup::Position position{};
    std::string identifier;
    group.GetFirstIdentifierPosition(position);
    while (group.GetNextIdentifierText(identifier, position)) {
        distinct.insert(identifier);
        ++kept;
    }
    if (distinct.size() != kept)
        Fail("a group keeps an identifier twice", text, identifier);
    if (group.GetCount() != kept)
        Fail("a group's count is not its number of identifiers", text,
             std::to_string(group.GetCount()) + " for " + std::to_string(kept));
}

void ExpectGroupCount(const RecordClass& record_class, const CKvDataHandler& record,
                      const std::vector<std::string>& names, std::string_view text) {
    if (record_class.code == K_KVDT_TP_DTHDLR_DATAUSERGROUP)
        ExpectCountOfIdentifiers(static_cast<const CKvDataUserGroup&>(record), names, text);
}

std::string DomText(CKvDataHandler& record) {
    DomDocumentPtr document;
    if (CreateDomDocument(document) != KV_OK || document->loadXML("<ROOT/>") != KV_OK)
        return {};
    DomElementPtr root;
    document->get_documentElement(root);
    if (record.WriteDom(document, root) != KV_OK)
        return {};
    DomNodeListPtr children;
    root->get_childNodes(children);
    DomNodePtr element;
    children->nextNode(element);
    std::string xml;
    if (element)
        element->get_xml(xml);
    return xml;
}

DomElementPtr LoadDom(DomDocumentPtr& document, std::string_view xml) {
    DomElementPtr element;
    if (CreateDomDocument(document) == KV_OK && document->loadXML(xml) == KV_OK)
        document->get_documentElement(element);
    return element;
}

// Reads the element through a fresh record's ReadDom, then the record's DOM
// text twice over.
void DomRoundTrip(const RecordClass& record_class, const DomElementPtr& element) {
    std::unique_ptr<CKvDataHandler> record = record_class.make();
    record->ReadDom(element);
    const std::string first = DomText(*record);
    ExpectGroupCount(record_class, *record, DomKeyNames(element), first);
    if (first.empty())
        return;
    DomDocumentPtr document;
    const DomElementPtr again_element = LoadDom(document, first);
    if (!again_element)
        Fail("a written DOM form does not load", first, "");
    std::unique_ptr<CKvDataHandler> again = record_class.make();
    again->ReadDom(again_element);
    ExpectGroupCount(record_class, *again, DomKeyNames(again_element), first);
    CompareDom(record_class.code, first, DomText(*again));
}

void DomForm(std::string_view input, const RecordClass* single, std::uint32_t store_type) {
    DomDocumentPtr document;
    const DomElementPtr top = LoadDom(document, input);
    if (!top)
        return;
    if (single != nullptr) {
        DomRoundTrip(*single, top);
        return;
    }
    const RecordClass* record_class = FindClass(store_type);
    if (record_class == nullptr)
        return;
    DomNodeListPtr children;
    top->get_childNodes(children);
    DomNodePtr child;
    while (children->nextNode(child) == KV_OK && child) {
        const DomElementPtr element(std::dynamic_pointer_cast<IDomElement>(child.Shared()));
        if (element)
            DomRoundTrip(*record_class, element);
    }
}

// Each group element of a store of groups, read alone as the store reads it.
void ExpectStoredGroupCounts(std::string_view input, const XmlNode& top) {
    const RecordClass& groups = *FindClass(K_KVDT_TP_DTHDLR_DATAUSERGROUP);
    for (const XmlNode* child : top.GetChildList()) {
        if (child->GetKind() != kXmlElement && child->GetKind() != kXmlTextElement)
            continue;
        std::unique_ptr<CKvDataHandler> group = groups.make();
        group->ReadXml(child);
        ExpectGroupCount(groups, *group, XmlKeyNames(*child), input);
    }
}

void StoreForm(std::string_view input, const XmlNode& top) {
    CKvDataHandlerStore store;
    store.Init(0, 0, kStoreCapacity, kStoreElement.data(), nullptr);
    store.ReadXml(&top);
    const std::uint32_t type = store.GetHandlerType();
    const std::string first = XmlText(store);
    if (type == K_KVDT_TP_DTHDLR_DATAUSERGROUP)
        ExpectStoredGroupCounts(input, top);

    XmlDocument document;
    document.Parse(first);
    const XmlNode* again_top = TopElement(document);
    if (again_top == nullptr)
        Fail("a written store does not parse", first, "");
    CKvDataHandlerStore again;
    again.Init(0, 0, kStoreCapacity, kStoreElement.data(), nullptr);
    again.ReadXml(again_top);
    if (!HasLiteralReferences(first))
        CompareXml(type, first, XmlText(again));
    DomForm(input, nullptr, type);
}

void SingleRecord(std::string_view input, const RecordClass& record_class, const XmlNode& top) {
    std::unique_ptr<CKvDataHandler> record = record_class.make();
    record->ReadXml(&top);
    ExpectGroupCount(record_class, *record, XmlKeyNames(top), input);
    if (record->TookElement()) {
        const std::string first = XmlText(*record);
        XmlDocument document;
        document.Parse(first);
        const XmlNode* again_top = TopElement(document);
        if (again_top == nullptr)
            Fail("a written record does not parse", first, "");
        std::unique_ptr<CKvDataHandler> again = record_class.make();
        again->ReadXml(again_top);
        ExpectGroupCount(record_class, *again, XmlKeyNames(*again_top), first);
        if (!HasLiteralReferences(first))
            CompareXml(record_class.code, first, XmlText(*again));
    }
    DomForm(input, &record_class, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Dial counts age with the days since a contact's last call.
    static ManualClock clock(static_cast<std::int64_t>(kNowSince1900 - TimeDate::kSecondsFrom1900To1970));
    static const bool set_up = [] {
        SetClock(&clock);
        RegisterDataPayloads();
        Classes();
        return true;
    }();
    (void)set_up;

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    XmlDocument document;
    document.Parse(input);
    const XmlNode* top = TopElement(document);
    if (top == nullptr)
        return 0;
    if (top->GetName() == kStoreElement) {
        StoreForm(input, *top);
        return 0;
    }
    // Every class of that element: the contact group shares the contact's.
    for (const RecordClass& record_class : Classes()) {
        if (!record_class.element.empty() && record_class.element == top->GetName())
            SingleRecord(input, record_class, *top);
    }
    return 0;
}
