// Feeds arbitrary bytes to the record readers: a store element
// ("DATA_TYPE_HANDLER" with its "datatype") of any store type, or a single
// record of any record class named by its element. What is read is written,
// read back and written again, in the XML form and (through the DOM stand-in
// and each record's ReadDom) in the DOM form; the two writes must be equal
// byte for byte, except for the changes the record classes make on purpose,
// each allowed below where it applies. Nothing may crash or leak.
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

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
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

// Each write ages a contact's dial counts: the second write's counts may
// only be lower. Both texts lose the counts' digits.
void AllowAgedDialCounts(std::string& first, std::string& second) {
    constexpr std::string_view kOpen = "<dialcount>";
    const auto next = [&](const std::string& text, std::size_t from) {
        std::size_t at = text.find(kOpen, from);
        while (at != std::string::npos && AttributeBytes(text)[at])
            at = text.find(kOpen, at + 1);
        return at;
    };
    std::size_t in_first = next(first, 0);
    std::size_t in_second = next(second, 0);
    while (in_first != std::string::npos && in_second != std::string::npos) {
        in_first += kOpen.size();
        in_second += kOpen.size();
        const std::size_t end_first = first.find('<', in_first);
        const std::size_t end_second = second.find('<', in_second);
        if (end_first == std::string::npos || end_second == std::string::npos)
            return;
        const std::uint64_t before =
            std::strtoull(first.substr(in_first, end_first - in_first).c_str(), nullptr, 10);
        const std::uint64_t after =
            std::strtoull(second.substr(in_second, end_second - in_second).c_str(), nullptr, 10);
        if (after > before)
            Fail("a dial count rose", first, second);
        first.erase(in_first, end_first - in_first);
        second.erase(in_second, end_second - in_second);
        in_first = next(first, in_first);
        in_second = next(second, in_second);
    }
}

// Hands the text of every element of that name (outside attribute values)
// to edit, which may change it.
template <typename Edit>
void EditElementTexts(std::string& text, std::string_view name, Edit edit) {
    const std::string open = "<" + std::string(name) + ">";
    std::size_t at = text.find(open);
    while (at != std::string::npos) {
        const std::size_t begin = at + open.size();
        const std::size_t end = text.find('<', begin);
        if (end == std::string::npos)
            return;
        std::size_t next = end;
        if (!AttributeBytes(text)[at]) {
            std::string content = text.substr(begin, end - begin);
            edit(content);
            text.replace(begin, end - begin, content);
            next = begin + content.size();
        }
        at = text.find(open, next);
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
        AllowAgedDialCounts(first, second);
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
        // reader counts each identifier on top of the count read first (a
        // blank or comma-only list writes count 1, then an empty count): the
        // count need not survive; everything else must.
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
    if (first.empty())
        return;
    DomDocumentPtr document;
    const DomElementPtr again_element = LoadDom(document, first);
    if (!again_element)
        Fail("a written DOM form does not load", first, "");
    std::unique_ptr<CKvDataHandler> again = record_class.make();
    again->ReadDom(again_element);
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

void StoreForm(std::string_view input, const XmlNode& top) {
    CKvDataHandlerStore store;
    store.Init(0, 0, kStoreCapacity, kStoreElement.data(), nullptr);
    store.ReadXml(&top);
    const std::uint32_t type = store.GetHandlerType();
    const std::string first = XmlText(store);

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
    if (record->TookElement()) {
        const std::string first = XmlText(*record);
        XmlDocument document;
        document.Parse(first);
        const XmlNode* again_top = TopElement(document);
        if (again_top == nullptr)
            Fail("a written record does not parse", first, "");
        std::unique_ptr<CKvDataHandler> again = record_class.make();
        again->ReadXml(again_top);
        if (!HasLiteralReferences(first))
            CompareXml(record_class.code, first, XmlText(*again));
    }
    DomForm(input, &record_class, 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Dial counts age with the days since a contact's last call.
    static ManualClock clock(3'900'000'000LL - 2'208'988'800LL + 86'400LL * 30);
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
