#include "data/record_keys.h"

#include "core/kv_string.h"
#include "data_test_support.h"

#include <span>
#include <string>
#include <tuple>

namespace {

// A record with one row of each generic kind the records' goldens do not
// pin down: value rules of every plain kind, a list and a raw element.
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

    std::string key, comment;
    UIntValue count;
    BoolValue flag;
    std::uint32_t port = 21021;
    std::uint8_t old_flag = 1;
    KVSTRING_LIST list;
    int raw_reads = 0;

    static const RecordForm<KeyedRecord>& Form() {
        static constexpr RecordKey<KeyedRecord> kKeys[] = {
            TextKey<&KeyedRecord::comment>("comment", kKeyFreeText),
            UIntKey<&KeyedRecord::count>("count"),
            BoolKey<&KeyedRecord::flag>("flag"),
            DecimalKey<&KeyedRecord::port>("port"),
            DigitFlagKey<&KeyedRecord::old_flag>("oldflag"),
            NestedKey<&KeyedRecord::list>("LIST", kKeyOmitWhenEmpty | kKeyAlsoTextElement),
            CustomNestedKey<KeyedRecord>(
                "raw",
                [](KeyedRecord& r, XmlNode*& out, XmlDocument& document, XmlNode* parent) {
                    return document.AddTextElement(out, parent, "raw", r.key, FALSE);
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
    XmlDocument document;
    XmlNode* element = document.GetRoot();
    EXPECT_EQ(record.WriteXml(element, document, nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(element, nullptr);
}

TEST(RecordKeys, StopPolicyEndsAtTheFirstFailingStepAndGoOnWritesEveryKey) {
    KeyedRecord record;
    XmlDocument foreign;
    XmlNode* element = foreign.GetRoot(); // linking into another document fails
    const auto keys = KeyedRecord::Form().keys.first(5);
    XmlDocument stopping;
    XmlDocument going_on;
    EXPECT_EQ(WriteRecordKeys(record, keys, stopping, element, RecordWritePolicy::kStopAtFailure),
              KV_E_FAIL);
    EXPECT_EQ(WriteRecordKeys(record, keys, going_on, element, RecordWritePolicy::kGoOn),
              KV_E_FAIL);
    EXPECT_EQ(stopping.GetNodeList().size(), 1u);
    EXPECT_EQ(going_on.GetNodeList().size(), 4u); // the blank comment is left out
}

} // namespace

namespace {

struct NamedTexts {
    std::string first, second, third;
};

// The texts the keys read from the element, in order.
std::tuple<std::string, std::string, std::string>
ReadNamedTexts(std::span<const RecordKey<NamedTexts>> keys, std::string_view xml) {
    XmlDocument document;
    document.Parse(xml);
    NamedTexts texts;
    EXPECT_EQ(ReadRecordKeys(texts, keys, *document.GetRoot()->GetChildList()[0]), KV_OK);
    return {texts.first, texts.second, texts.third};
}

} // namespace

TEST(RecordKeys, ReaderTakesTheFirstRowOfANameWhateverTheOrderOfTheElements) {
    static constexpr RecordKey<NamedTexts> kRepeated[] = {
        TextKey<&NamedTexts::first>("a"),
        TextKey<&NamedTexts::second>("b"),
        TextKey<&NamedTexts::third>("a"),
    };
    static constexpr RecordKey<NamedTexts> kUnique[] = {
        TextKey<&NamedTexts::first>("a"),
        TextKey<&NamedTexts::second>("b"),
        TextKey<&NamedTexts::third>("c"),
    };
    // After "b" the next row is the second "a": still the first "a" is read.
    EXPECT_EQ(ReadNamedTexts(kRepeated, "<R>\n <b>1</b>\n <a>2</a><a>3</a><c>4</c></R>"),
              std::tuple("3", "1", ""));
    EXPECT_EQ(ReadNamedTexts(kUnique, "<R><c>4</c> <b>1</b> <a>2</a><zz>5</zz></R>"),
              std::tuple("2", "1", "4"));
    EXPECT_EQ(ReadNamedTexts(kUnique, "<R><a>1</a><b>2</b><c>3</c><a>4</a><c>5</c></R>"),
              std::tuple("4", "2", "5"));
    // Tables of one record type read in turn.
    EXPECT_EQ(ReadNamedTexts(kRepeated, "<R><b>1</b><a>2</a></R>"), std::tuple("2", "1", ""));
}
