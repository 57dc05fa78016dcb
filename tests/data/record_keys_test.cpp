#include "data/record_keys.h"

#include "core/kv_string.h"
#include "data_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A record with one row of every generic kind and rule.
class KeyedRecord : public DataRecord<KeyedRecord, K_KVDT_TP_DTHDLR_DATADEVICE> {
public:
    KeyedRecord(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0)
        : DataRecord(context, identifier) {
        count.Set(2);
        list.SetElementName("LIST");
    }
    KeyedRecord& operator=(const KeyedRecord&) { return *this; }
    KvResult Reset() override { return KV_OK; }
    std::string& GetKey() override { return key; }
    KvResult ReadDom(const DomElementPtr& e) override { return ReadRecordDom(*this, Form(), e); }
    KvResult WriteDom(const DomDocumentPtr& d, const DomNodePtr& p) override {
        return WriteRecordDom(*this, Form(), d, p);
    }
    KvResult ReadXml(const XmlNode* e) override { return ReadRecordXml(*this, Form(), e); }
    KvResult WriteXml(XmlNode*& out, XmlDocument& d, XmlNode* p) override {
        return WriteRecordXml(*this, Form(), out, d, p);
    }

    // Trims, as the records' text setters do.
    void SetName(std::string& text) {
        TrimInPlace(text);
        name = text;
    }

    std::string key, comment, name, state = "OFF", raw;
    UIntValue count;
    BoolValue flag;
    TimeDate start;
    std::uint32_t port = 21021;
    std::uint8_t old_flag = 1;
    KVSTRING_LIST list;
    int raw_reads = 0;

    static const RecordForm<KeyedRecord>& Form() {
        static constexpr RecordKey<KeyedRecord> kKeys[] = {
            TextKey<&KeyedRecord::comment>("comment", kKeyFreeText),
            TextKeyWithSetter<&KeyedRecord::name, &KeyedRecord::SetName>("name", kKeyFilter),
            UIntKey<&KeyedRecord::count>("count"),
            BoolKey<&KeyedRecord::flag>("flag"),
            TimeDateKey<&KeyedRecord::start>("start"),
            DecimalKey<&KeyedRecord::port>("port"),
            DigitFlagKey<&KeyedRecord::old_flag>("oldflag"),
            CustomKey<KeyedRecord>(
                "state", [](KeyedRecord& r, std::string& out) { out = "xml:" + r.state; }, nullptr,
                kKeyXmlOnly),
            CustomKey<KeyedRecord>(
                "state", [](KeyedRecord& r, std::string& out) { out = r.state; },
                [](KeyedRecord& r, std::string& text) {
                    r.state = text == "ON" ? "ON" : "OFF";
                    return text == r.state ? KV_OK : KV_E_FAIL;
                },
                kKeyDomOnly | kKeyReadResultCounts),
            NestedKey<&KeyedRecord::list>("LIST", kKeyOmitWhenEmpty | kKeyAlsoTextElement),
            CustomNestedKey<KeyedRecord>(
                "raw",
                [](KeyedRecord& r, XmlNode*& out, XmlDocument& document, XmlNode* parent) {
                    return document.AddTextElement(out, parent, "raw", r.raw, FALSE);
                },
                [](KeyedRecord& r, const XmlNode*) {
                    ++r.raw_reads;
                    return KV_OK;
                }),
        };
        static constexpr RecordForm<KeyedRecord> kForm{
            .element_name = "KEYED",
            .keys = kKeys,
            .identifier = IdentifierFromKey<KeyedRecord>(),
            .write_policy = RecordWritePolicy::kGoOn,
            .dom_form = RecordDomForm::kSameKeys,
        };
        return kForm;
    }
};

TEST(RecordKeys, WritesKeysInTableOrderTrimmingAndLeavingOutEmptyFreeText) {
    KeyedRecord record;
    record.key = "k\"1";
    record.comment = "  ";
    record.raw = "<b>x</b>";
    EXPECT_EQ(XmlText(record),
              "<KEYED identifier=\"k&quot;1\"><name /><count>2</count><flag>FALSE</flag>"
              "<start>0.000</start><port>21021</port><oldflag>1</oldflag>"
              "<state>xml:OFF</state><raw><b>x</b></raw></KEYED>");
    EXPECT_EQ(record.comment, "");

    record.comment = " a<b ";
    EXPECT_NE(XmlText(record).find("<comment>a&lt;b</comment>"), std::string::npos);
    EXPECT_EQ(record.comment, "a<b");
}

TEST(RecordKeys, RoundTripDecodesTextsFiltersAndParsesValues) {
    KeyedRecord record;
    record.key = "abc";
    record.comment = "M\xFCller & S\xF6hne";
    record.name = "Ren\xE9_";
    record.count.Set(4000000000u);
    record.flag.Set(1);
    record.start.SetSeconds(3900000000u);
    record.start.SetMilliseconds(7);
    record.port = 80;
    record.old_flag = 0;
    KVSTRING* entry = nullptr;
    std::string identifier = "home";
    ASSERT_EQ(record.list.CreateEntry(entry, identifier), KV_OK);

    KeyedRecord copy;
    copy.state = "ON";
    EXPECT_EQ(ReadXmlText(copy, XmlText(record)), KV_OK);
    EXPECT_EQ(copy.key, "abc");
    EXPECT_EQ(copy.comment, "M\xFCller & S\xF6hne");
    EXPECT_EQ(copy.name, "Ren");
    EXPECT_EQ(copy.count.Get(), 4000000000u);
    EXPECT_EQ(copy.flag.Get(), 1);
    EXPECT_EQ(copy.start.GetSeconds(), 3900000000u);
    EXPECT_EQ(copy.start.GetMilliseconds(), 7u);
    EXPECT_EQ(copy.port, 80u);
    EXPECT_EQ(copy.old_flag, 0);
    EXPECT_EQ(copy.list.GetCount(), 1u);
    EXPECT_EQ(copy.state, "ON");  // the XML "state" has no reader
    EXPECT_EQ(copy.raw_reads, 0); // written as a text element, so no element to read
}

TEST(RecordKeys, ReaderAppliesValueRulesAndLeavesAbsentKeysAlone) {
    KeyedRecord record;
    record.comment = "kept";
    EXPECT_EQ(ReadXmlText(record,
                          "<KEYED identifier=\"x\"><flag> TRUE </flag><oldflag>TRUE</oldflag>"
                          "<port>abc</port><count>12x</count><unknown>1</unknown>"
                          "<LIST identifier=\"L\" /><raw><b /></raw></KEYED>"),
              KV_OK);
    EXPECT_EQ(record.comment, "kept");
    EXPECT_EQ(record.flag.Get(), 1);
    EXPECT_EQ(record.old_flag, 0); // "TRUE" is no positive number
    EXPECT_EQ(record.port, 0u);
    EXPECT_EQ(record.count.Get(), 12u);
    EXPECT_EQ(record.list.GetIdentifier(), "L"); // the childless form is read too
    EXPECT_EQ(record.raw_reads, 1);

    ASSERT_EQ(ReadXmlText(record, "<KEYED identifier=\"x\"><oldflag>7</oldflag></KEYED>"), KV_OK);
    EXPECT_EQ(record.old_flag, 1);
}

TEST(RecordKeys, MissingIdentifierAttributeOrBadPointersReadAndWriteNothing) {
    KeyedRecord record;
    EXPECT_EQ(ReadXmlText(record, "<KEYED><count>9</count></KEYED>"), KV_E_NOT_FOUND);
    EXPECT_EQ(record.count.Get(), 2u);
    EXPECT_EQ(record.ReadXml(nullptr), KV_E_INVALID_POINTER);
    XmlDocument document;
    XmlNode* element = document.GetRoot();
    EXPECT_EQ(record.WriteXml(element, document, nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(element, nullptr);
}

TEST(RecordKeys, StopPolicyEndsAtTheFirstFailingStepAndGoOnWritesEveryKey) {
    KeyedRecord record;
    XmlDocument foreign;
    XmlNode* element = foreign.GetRoot(); // linking into another document fails
    const auto keys = KeyedRecord::Form().keys.first(7);
    XmlDocument stopping;
    XmlDocument going_on;
    EXPECT_EQ(WriteRecordKeys(record, keys, stopping, element, RecordWritePolicy::kStopAtFailure),
              KV_E_FAIL);
    EXPECT_EQ(WriteRecordKeys(record, keys, going_on, element, RecordWritePolicy::kGoOn),
              KV_E_FAIL);
    EXPECT_EQ(stopping.GetNodeList().size(), 1u);
    EXPECT_EQ(going_on.GetNodeList().size(), 6u); // the blank comment is left out
}

DomElementPtr DomRoot(DomDocumentPtr& document) {
    EXPECT_EQ(CreateDomDocument(document), KV_OK);
    EXPECT_EQ(document->loadXML("<ROOT/>"), KV_OK);
    DomElementPtr root;
    document->get_documentElement(root);
    return root;
}

TEST(RecordKeys, DomFormWritesEveryKeyWithTheIdAndReadsTheTextsBack) {
    KeyedRecord record;
    record.SetIdentifier(42);
    record.name = "a_b";
    record.count.Set(7);
    record.state = "ON";
    DomDocumentPtr document;
    DomElementPtr root = DomRoot(document);
    ASSERT_EQ(record.WriteDom(document, root), KV_OK);
    std::string xml;
    root->get_xml(xml);
    EXPECT_EQ(xml, "<ROOT><KEYED id=\"42\"><comment/><name>a_b</name><count>7</count>"
                   "<flag>FALSE</flag><start>0.000</start><port>21021</port><oldflag>1</oldflag>"
                   "<state>ON</state></KEYED></ROOT>");

    DomNodeListPtr children;
    root->get_childNodes(children);
    DomNodePtr node;
    children->nextNode(node);
    DomElementPtr element(std::dynamic_pointer_cast<IDomElement>(node.Shared()));
    KeyedRecord copy;
    copy.SetIdentifier(3);
    EXPECT_EQ(copy.ReadDom(element), KV_OK);
    EXPECT_EQ(copy.name, "ab");
    EXPECT_EQ(copy.count.Get(), 7u);
    EXPECT_EQ(copy.state, "ON");
    EXPECT_EQ(copy.GetIdentifier(), 3u); // "id" is not read

    element->put_text("");
    DomElementPtr state;
    document->createElement("state", state);
    state->put_text("on");
    element->appendChild(state);
    EXPECT_EQ(copy.ReadDom(element), KV_E_FAIL); // a key whose code counts

    EXPECT_EQ(record.WriteDom(document, DomNodePtr()), KV_E_NULL_INTERFACE);
    EXPECT_EQ(record.WriteDom(DomDocumentPtr(), root), KV_E_NULL_INTERFACE);
    EXPECT_EQ(record.ReadDom(DomElementPtr()), KV_E_NULL_INTERFACE);
}

} // namespace
