#include "data/data_payloads.h"

#include "data_test_support.h"
#include "platform/clock.h"
#include <algorithm>
#include <cctype>

#include <tuple>
#include <typeinfo>

namespace {

TEST(DataPayloads, RegisterEveryDataPayloadAndTheStoreTypesInTheFactory) {
    RegisterDataPayloads();
    RegisterDataPayloads(); // a second call changes nothing
    for (const std::uint32_t code : kDataRecordCodes) {
        SCOPED_TRACE(code);
        const auto payload_code = static_cast<std::int32_t>(code);
        void* payload = nullptr;
        ASSERT_TRUE(CreatePayloadByType(payload, payload_code));
        auto* record = static_cast<CKvDataHandler*>(payload);
        EXPECT_EQ(record->GetTypeCode(), code);
        std::unique_ptr<CKvDataHandler> created;
        EXPECT_EQ(CreateDataRecordByType(created, code),
                  CKvDataHandler::IsStoreType(code) ? KV_OK : KV_E_NO_CLASS);
        if (created != nullptr) {
            EXPECT_EQ(typeid(*created), typeid(*record));
        }
        EXPECT_EQ(DestroyPayloadByType(payload, payload_code), KV_OK);
    }
    EXPECT_TRUE(IsPayloadTypeKnown(KV_PAYLOAD_NETWORK_SETTINGS));

    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, KV_PAYLOAD_DATA_HANDLER_STORE));
    EXPECT_EQ(static_cast<CKvDataHandlerStore*>(payload)->GetElementName(), "DATA_TYPE_HANDLER");
    CKvDataHandlerStore source;
    EXPECT_FALSE(CopyPayloadByType(payload, &source, KV_PAYLOAD_DATA_HANDLER_STORE));
    EXPECT_EQ(DestroyPayloadByType(payload, KV_PAYLOAD_DATA_HANDLER_STORE), KV_OK);
}

class EveryDataRecord : public ::testing::TestWithParam<std::uint32_t> {
protected:
    void SetUp() override { RegisterDataPayloads(); }
};

TEST_P(EveryDataRecord, SelfCopyChangesNothingAndCopiesAndClonesHoldTheSame) {
    ExpectCopiesHoldTheSame(SampleRecord(GetParam(), 1));
}

// The type name without "K_KVDT_TP_DTHDLR_", for test names.
std::string ShortTypeName(std::uint32_t code) {
    constexpr std::size_t kPrefix = sizeof("K_KVDT_TP_DTHDLR_") - 1;
    return std::string(CKvDataHandler::GetTypeName(code).substr(kPrefix));
}

std::string CodeName(const ::testing::TestParamInfo<std::uint32_t>& info) {
    return ShortTypeName(info.param);
}

INSTANTIATE_TEST_SUITE_P(DataPayloads, EveryDataRecord, ::testing::ValuesIn(kDataRecordCodes),
                         CodeName);

// ---- Golden texts of every record class ----

std::string GoldenName(std::uint32_t code, const char* form) {
    std::string name = ShortTypeName(code);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name.substr(4) + form; // without "data"
}

// The data record codes that pass the test; every one of them but the client
// general settings has golden texts, and every one but the contact group is a
// store type.
std::vector<std::uint32_t> CodesWhere(bool (*passes)(std::uint32_t)) {
    std::vector<std::uint32_t> codes;
    std::copy_if(std::begin(kDataRecordCodes), std::end(kDataRecordCodes),
                 std::back_inserter(codes), passes);
    return codes;
}

bool HasGoldens(std::uint32_t code) {
    return code != K_KVDT_TP_DTHDLR_DATACLIENTGENERAL;
}

class RecordGoldens : public ::testing::TestWithParam<std::uint32_t> {
protected:
    void SetUp() override { RegisterDataPayloads(); }
    ManualClock clock_{1704067200, 7};
    ScopedClock scoped_clock_{clock_};
};

TEST_P(RecordGoldens, NewSampleAndResetRecordsWriteTheGoldenTexts) {
    const std::uint32_t code = GetParam();
    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, static_cast<std::int32_t>(code)));
    const std::unique_ptr<CKvDataHandler> fresh(static_cast<CKvDataHandler*>(payload));
    EXPECT_EQ(XmlText(*fresh), GoldenText(GoldenName(code, "_new.xml")));
    EXPECT_EQ(DomText(*fresh), GoldenText(GoldenName(code, "_new_dom.xml")));
    const std::unique_ptr<CKvDataHandler> sample = SampleRecord(code, 1);
    EXPECT_EQ(XmlText(*sample), GoldenText(GoldenName(code, "_sample.xml")));
    EXPECT_EQ(DomText(*sample), GoldenText(GoldenName(code, "_sample_dom.xml")));
    EXPECT_EQ(sample->Reset(), KV_OK);
    // Reset clears a call's start time, its key; a contact group keeps its identifier.
    EXPECT_EQ(XmlText(*sample),
              code == K_KVDT_TP_DTHDLR_DATACALL ? GoldenText("call_reset.xml") : XmlText(*fresh));
    EXPECT_EQ(sample->GetIdentifier(), code == K_KVDT_TP_DTHDLR_DATACONTACTGROUP ? 0x101u : 0u);
    sample->SetIdentifier(0);
    EXPECT_EQ(DomText(*sample), DomText(*fresh));
}

// ---- A store of every store type through its XML text ----

constexpr std::uint32_t kByIdentifier = 0;
constexpr std::uint32_t kByKey = 1;
constexpr std::uint32_t kSamples = 3;

// Records whose "identifier" attribute carries their key text, not their
// identifier: a store kept by identifier reads all of them under identifier
// 0, so it keeps only the last.
bool CarriesKeyAsIdentifier(std::uint32_t code) {
    return code == K_KVDT_TP_DTHDLR_DATACALL || code == K_KVDT_TP_DTHDLR_DATAAPPLICATION ||
           code == K_KVDT_TP_DTHDLR_DATAVOIPPROFILE ||
           code == K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES ||
           code == K_KVDT_TP_DTHDLR_DATAADVERTIZEENTRY;
}

class StoreOfEveryType : public ::testing::TestWithParam<std::tuple<std::uint32_t, std::uint32_t>> {
protected:
    void SetUp() override { RegisterDataPayloads(); }
};

TEST_P(StoreOfEveryType, ReadsBackEveryRecordItWrote) {
    const auto [code, key_mode] = GetParam();
    CKvDataHandlerStore store(code, key_mode, 8, "DATA_TYPE_HANDLER", nullptr);
    for (std::uint32_t index = 0; index < kSamples; ++index) {
        std::unique_ptr<CKvDataHandler> record = SampleRecord(code, index);
        ASSERT_EQ(store.Add(record), KV_OK);
    }
    // Every preferences record has the key "PREFERENCES".
    const bool one_key = code == K_KVDT_TP_DTHDLR_DATAPREFERENCES && key_mode == kByKey;
    ASSERT_EQ(store.GetCount(), one_key ? 1 : static_cast<std::int32_t>(kSamples));

    CKvDataHandlerStore copy(0, key_mode, 8, "DATA_TYPE_HANDLER", nullptr);
    ASSERT_EQ(ReadXmlText(copy, XmlText(store)), KV_OK);
    EXPECT_EQ(copy.GetHandlerType(), code);
    if (code == K_KVDT_TP_DTHDLR_DATACLIENTGENERAL) {
        EXPECT_EQ(copy.GetCount(), 0); // no XML form: nothing is written
        return;
    }
    CKvDataHandlerStore::Position written;
    store.GetStartPosition(&written);
    if (key_mode == kByIdentifier && CarriesKeyAsIdentifier(code)) {
        ASSERT_EQ(copy.GetCount(), 1);
        for (std::uint32_t skipped = 1; skipped < kSamples; ++skipped)
            store.GetNext(&written);
        EXPECT_EQ(XmlText(*copy.GetFirst()), XmlText(*store.GetNext(&written)));
        return;
    }
    ASSERT_EQ(copy.GetCount(), store.GetCount());
    CKvDataHandlerStore::Position read;
    copy.GetStartPosition(&read);
    while (CKvDataHandler* original = store.GetNext(&written)) {
        CKvDataHandler* back = copy.GetNext(&read);
        EXPECT_EQ(XmlText(*back), XmlText(*original));
        EXPECT_EQ(back->GetKey(), original->GetKey());
        if (!CarriesKeyAsIdentifier(code)) {
            EXPECT_EQ(back->GetIdentifier(), original->GetIdentifier());
        }
    }
}

std::string
StoreCaseName(const ::testing::TestParamInfo<std::tuple<std::uint32_t, std::uint32_t>>& info) {
    const auto [code, key_mode] = info.param;
    return ShortTypeName(code) + (key_mode == kByKey ? "_ByKey" : "_ByIdentifier");
}

INSTANTIATE_TEST_SUITE_P(
    DataPayloads, StoreOfEveryType,
    ::testing::Combine(::testing::ValuesIn(CodesWhere(&CKvDataHandler::IsStoreType)),
                       ::testing::Values(kByIdentifier, kByKey)),
    StoreCaseName);

INSTANTIATE_TEST_SUITE_P(DataPayloads, RecordGoldens, ::testing::ValuesIn(CodesWhere(&HasGoldens)),
                         CodeName);

} // namespace
