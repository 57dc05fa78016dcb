#include "data/data_handler_store.h"

#include "core/handle_table.h"
#include "data_test_support.h"

#include <tuple>

namespace {

constexpr std::uint32_t kById = 0;
constexpr std::uint32_t kByKey = 1;
constexpr std::uint32_t kDevice = K_KVDT_TP_DTHDLR_DATADEVICE;

using Device = TestRecord<K_KVDT_TP_DTHDLR_DATADEVICE>;
using Advert = TestRecord<K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES>;

std::unique_ptr<CKvDataHandler> NewDevice(std::uint32_t identifier, const std::string& name) {
    auto record = std::make_unique<Device>();
    record->SetIdentifier(identifier);
    record->name_ = name;
    return record;
}

KvResult AddDevice(CKvDataHandlerStore& store, std::uint32_t identifier, const std::string& name) {
    auto record = NewDevice(identifier, name);
    return store.Add(record);
}

// Adds devices under identifiers 1, 2, ... with the names.
void AddDevices(CKvDataHandlerStore& store, std::initializer_list<const char*> names) {
    std::uint32_t identifier = 0;
    for (const char* name : names)
        AddDevice(store, ++identifier, name);
}

std::vector<std::string> Names(CKvDataHandlerStore& store) {
    std::vector<std::string> names;
    CKvDataHandlerStore::Position position;
    store.GetStartPosition(&position);
    while (CKvDataHandler* record = store.GetNext(&position))
        names.push_back(record->GetKey());
    return names;
}

using Names_ = std::vector<std::string>;

class DataHandlerStoreTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(Device::live_count, live_at_start_) << "leak"; }

    ScopedRecordType<Device> devices_;
    ScopedRecordType<Advert> adverts_;
    int live_at_start_ = Device::live_count;
};

TEST_F(DataHandlerStoreTest, CapacityTwoRefusesAThirdRecordEvenAsAReplacement) {
    CKvDataHandlerStore store(kDevice, kById, 2, "S", nullptr);
    ASSERT_EQ(AddDevice(store, 1, "a"), KV_OK);
    ASSERT_EQ(AddDevice(store, 2, "b"), KV_OK);
    EXPECT_EQ(AddDevice(store, 1, "c"), KV_E_LIST_FULL);
    EXPECT_EQ(Names(store), (Names_{"a", "b"}));
}

TEST_F(DataHandlerStoreTest, IndexesGrowWithTheRecordsHeldNotWithTheCapacity) {
    for (const std::uint32_t mode : {kById, kByKey}) {
        SCOPED_TRACE(mode);
        CKvDataHandlerStore store(kDevice, mode, 100000, "S", nullptr);
        ASSERT_EQ(AddDevice(store, 1, "a"), KV_OK);
        const std::size_t one = store.GetIndexBucketCount();
        EXPECT_LT(one, 100u);
        for (std::uint32_t i = 2; i <= 1000; ++i)
            ASSERT_EQ(AddDevice(store, i, std::to_string(i)), KV_OK);
        EXPECT_GE(store.GetIndexBucketCount(), 2000u); // two indexes of 1,000 each
        EXPECT_LT(store.GetIndexBucketCount(), 20000u);
    }
    // Reading reserves for the records it finds, and no more.
    CKvDataHandlerStore read(kDevice, kByKey, 100000, "S", nullptr);
    EXPECT_EQ(ReadXmlText(read, "<S identifier=\"x\"><TESTRECORD><name>a</name></TESTRECORD>"
                                "<TESTRECORD><name>b</name></TESTRECORD></S>"),
              KV_OK);
    EXPECT_EQ(read.GetCount(), 2);
    EXPECT_LT(read.GetIndexBucketCount(), 100u);
}

TEST_F(DataHandlerStoreTest, ARecordUnderTheSameIdentifierOrKeyReplacesTheStoredOneInPlace) {
    CKvDataHandlerStore by_id(kDevice, kById, 5, "S", nullptr);
    AddDevices(by_id, {"a", "b"});
    const int live = Device::live_count;
    AddDevice(by_id, 1, "c");
    EXPECT_EQ(Device::live_count, live); // the replaced one was deleted
    EXPECT_EQ(Names(by_id), (Names_{"c", "b"}));

    CKvDataHandlerStore by_key(kDevice, kByKey, 5, "S", nullptr);
    AddDevice(by_key, 1, "a");
    AddDevice(by_key, 2, "a");
    CKvDataHandler* found = nullptr;
    ASSERT_TRUE(by_key.LookupByKey(found, "a"));
    EXPECT_EQ(found->GetIdentifier(), 2u);
    EXPECT_FALSE(by_key.LookupByKey(found, "A"));
    EXPECT_FALSE(by_id.LookupByKey(found, "c")); // identifier mode has no key look-up
}

TEST_F(DataHandlerStoreTest, RefusedRecordsStayWithTheCaller) {
    CKvDataHandlerStore store(kDevice, kByKey, 5, "S", nullptr, "TAG");
    auto nameless = NewDevice(1, "");
    ASSERT_TRUE(store.Add(nameless) == KV_E_FAIL && nameless != nullptr);
    EXPECT_EQ(nameless->GetSpareText(), ""); // untouched
    std::unique_ptr<CKvDataHandler> call = std::make_unique<TestRecord<9>>();
    EXPECT_TRUE(store.Add(call) == KV_E_WRONG_RECORD_TYPE && call != nullptr);
    EXPECT_EQ(store.Add(static_cast<CKvDataHandler*>(nullptr)), KV_E_INVALID_POINTER);
    EXPECT_EQ(store.GetCount(), 0);
}

TEST_F(DataHandlerStoreTest, AddedRecordTakesContextAndTagAndAddingItAgainChangesNothing) {
    FakeDataHandlerCatalog catalog;
    catalog.File(K_KVDT_TP_DTHDLR_DATAUSER, nullptr);
    CKvDataHandlerStore store(kDevice, kByKey, 1, "S", &catalog, "TAG");
    AddDevice(store, 1, "a");
    CKvDataHandler* held = store.GetFirst();
    EXPECT_EQ(std::pair(held->GetContext(), held->GetSpareText()),
              std::pair(static_cast<CKvDataHandlerCatalog*>(&catalog), std::string("TAG")));
    held->GetSpareText() = "own";
    EXPECT_EQ(store.Add(held), KV_OK); // even though the store is full
    EXPECT_EQ(std::pair(store.GetFirst(), held->GetSpareText()),
              std::pair(held, std::string("own")));
}

TEST_F(DataHandlerStoreTest, RemoveFindsByIdentifierOrBySameKey) {
    CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
    AddDevices(store, {"a", "b"});
    Device pattern;
    pattern.SetIdentifier(1);
    std::unique_ptr<CKvDataHandler> out;
    EXPECT_TRUE(store.Remove(out, &pattern, false) && out->GetKey() == "a");
    pattern.SetIdentifier(2);
    EXPECT_TRUE(store.RemoveAndDelete(&pattern));
    EXPECT_TRUE(!store.RemoveAndDelete(&pattern) && store.GetResult() == KV_E_FAIL);

    CKvDataHandlerStore by_key(kDevice, kByKey, 5, "S", nullptr);
    AddDevices(by_key, {"a", "b"});
    pattern.name_ = "b";
    ASSERT_TRUE(by_key.Remove(out, &pattern, false));
    EXPECT_EQ(out->GetIdentifier(), 2u);
    TestRecord<9> call;
    EXPECT_TRUE(!by_key.Remove(out, &call, false) && by_key.GetResult() == KV_E_WRONG_RECORD_TYPE);
    EXPECT_TRUE(!by_key.Remove(out, nullptr, false) && by_key.GetResult() == KV_E_INVALID_POINTER);
    EXPECT_EQ(Names(by_key), (Names_{"a"}));
}

TEST_F(DataHandlerStoreTest, DeleteHandlerTakesAHeldRecordOutFirst) {
    CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
    AddDevices(store, {"a", "b"});
    EXPECT_TRUE(store.DeleteHandler(store.GetFirst()));
    EXPECT_EQ(Names(store), (Names_{"b"}));
    EXPECT_TRUE(store.DeleteHandler(NewDevice(3, "c").release()));
    TestRecord<K_KVDT_TP_DTHDLR_DATACONTACTGROUP> group;
    EXPECT_TRUE(!store.DeleteHandler(&group) && store.GetResult() == KV_E_NO_CLASS);
}

TEST_F(DataHandlerStoreTest, IterationFollowsTheOrderOfAddingAndStopsAtARemovedRecord) {
    CKvDataHandlerStore store(kDevice, kById, 10, "S", nullptr);
    for (std::uint32_t identifier : {7u, 3u, 9u})
        AddDevice(store, identifier, std::to_string(identifier));
    EXPECT_EQ(Names(store), (Names_{"7", "3", "9"}));
    ASSERT_TRUE(store.GetStartPosition()); // the store's own position
    EXPECT_EQ(store.GetNext()->GetKey(), "7");
    Device pattern;
    pattern.SetIdentifier(3);
    store.RemoveAndDelete(&pattern);
    EXPECT_EQ(store.GetNext(), nullptr);
}

TEST_F(DataHandlerStoreTest, KeyModeCannotChangeWhileRecordsAreHeld) {
    CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
    AddDevice(store, 1, "a");
    EXPECT_EQ(store.SetKeyMode(kByKey), KV_E_FAIL);
    EXPECT_EQ(store.Init(kDevice, kByKey, 5, "S", nullptr), KV_E_FAIL);
    EXPECT_EQ(store.GetKeyMode(), kById);
    store.DeleteAll();
    EXPECT_EQ(store.SetKeyMode(kByKey), KV_OK);
}

TEST_F(DataHandlerStoreTest, ResetDeletesTheRecordsAndLeavesABlankStoreThatRefusesAll) {
    FakeDataHandlerCatalog catalog;
    CKvDataHandlerStore store(kDevice, kByKey, 5, "S", &catalog, "T");
    AddDevice(store, 1, "a");
    store.GetIdentifierText() = "id";
    store.Reset();
    EXPECT_EQ(std::tuple(store.GetCount(), store.GetKeyMode(), store.GetContext()),
              std::tuple(0, 0u, nullptr));
    EXPECT_EQ(store.GetElementName() + "|" + store.GetTagText() + store.GetIdentifierText(),
              "DATA_TYPE_HANDLER|");
    store.SetHandlerType(kDevice);
    auto record = NewDevice(1, "a");
    EXPECT_TRUE(store.Add(record) == KV_E_LIST_FULL && record != nullptr); // capacity 0
}

TEST_F(DataHandlerStoreTest, CopyFromMakesIndependentCopiesAndKeepsItsOwnNames) {
    auto source = std::make_unique<CKvDataHandlerStore>(kDevice, kByKey, 5, "SRC", nullptr, "S");
    AddDevices(*source, {"a", "b", "c"});
    FakeDataHandlerCatalog catalog;
    CKvDataHandlerStore copy(kDevice, kById, 9, "COPY", &catalog, "C");
    AddDevice(copy, 9, "old");
    copy.GetIdentifierText() = "mine";

    copy.CopyFrom(*source);
    EXPECT_EQ(std::pair(copy.GetKeyMode(), copy.GetCapacity()), std::pair(kByKey, 5));
    EXPECT_EQ(copy.GetElementName() + copy.GetIdentifierText(), "COPYmine");
    EXPECT_NE(copy.GetFirst(), source->GetFirst());
    EXPECT_EQ(std::pair(copy.GetFirst()->GetContext(), copy.GetFirst()->GetSpareText()),
              std::pair(static_cast<CKvDataHandlerCatalog*>(&catalog), std::string("C")));
    source.reset();
    EXPECT_EQ(Names(copy), (Names_{"a", "b", "c"}));

    CKvDataHandler* held = copy.GetFirst();
    copy.CopyFrom(copy);
    EXPECT_EQ(std::pair(copy.GetFirst(), copy.GetCount()), std::pair(held, 3));
}

TEST_F(DataHandlerStoreTest, MoveAllToAnotherTypeMovesNothingAndToAFullStoreDeletesTheRest) {
    CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
    AddDevices(store, {"1", "2", "3"});
    CKvDataHandlerStore calls(K_KVDT_TP_DTHDLR_DATACALL, kById, 5, "C", nullptr);
    EXPECT_TRUE(!store.MoveAllTo(calls) && store.GetCount() == 3);

    CKvDataHandlerStore small(kDevice, kById, 2, "T", nullptr);
    AddDevice(small, 7, "x");
    EXPECT_TRUE(!store.MoveAllTo(small) && store.GetCount() == 0);
    EXPECT_EQ(Names(small), (Names_{"x", "1"}));

    CKvDataHandlerStore large(kDevice, kById, 5, "L", nullptr);
    EXPECT_TRUE(small.MoveAllTo(large));
    EXPECT_EQ(Names(large), (Names_{"x", "1"}));
}

TEST_F(DataHandlerStoreTest, XmlFormNamesTheTypeAndReadsBackAsThatType) {
    CKvDataHandlerStore store(K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES, kByKey, 5,
                              "DATA_TYPE_HANDLER", nullptr);
    store.GetIdentifierText() = "ads";
    for (const char* name : {"b", "a"}) {
        std::unique_ptr<CKvDataHandler> record = std::make_unique<Advert>();
        static_cast<Advert&>(*record).name_ = name;
        ASSERT_EQ(store.Add(record), KV_OK);
    }
    const std::string text = XmlText(store);
    EXPECT_EQ(text, GoldenText("store_two_records.xml"));

    CKvDataHandlerStore read(0, kByKey, 5, "DATA_TYPE_HANDLER", nullptr);
    EXPECT_EQ(ReadXmlText(read, text), KV_OK);
    EXPECT_EQ(
        std::pair(read.GetHandlerType(), read.GetIdentifierText()),
        std::pair(std::uint32_t{K_KVDT_TP_DTHDLR_DATAADVERTIZEPREFERENCES}, std::string("ads")));
    EXPECT_EQ(Names(read), (Names_{"b", "a"}));

    read.SetElementName(""); // the records alone
    const std::size_t start = text.find("<TESTRECORD>");
    EXPECT_EQ(XmlText(read), text.substr(start, text.rfind("</") - start));
}

TEST_F(DataHandlerStoreTest, ReaderChecksNameIdentifierAndTypeName) {
    CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
    const std::string records = "<TESTRECORD><name>a</name></TESTRECORD>";
    EXPECT_EQ(ReadXmlText(store, "<OTHER identifier=\"x\">" + records + "</OTHER>"), KV_OK);
    EXPECT_EQ(ReadXmlText(store, "<S>" + records + "</S>"), KV_E_NOT_FOUND);
    EXPECT_EQ(store.GetCount(), 0);
    EXPECT_EQ(ReadXmlText(store, "<S identifier=\"x\">" + records + "</S>"), KV_OK);
    EXPECT_EQ(store.GetCount(), 1); // no "datatype": the type stays
    EXPECT_EQ(ReadXmlText(store, "<S identifier=\"\" datatype=\"X\">" + records + "</S>"), KV_OK);
    EXPECT_EQ(std::pair(store.GetHandlerType(), store.GetCount()), std::pair(0u, 1)); // held stay
    EXPECT_EQ(store.ReadXml(nullptr), KV_E_INVALID_POINTER);
}

// A store of real records read from an "S" element of their type holding the
// records' text.
KvResult ReadStore(CKvDataHandlerStore& store, std::uint32_t type, std::uint32_t key_mode,
                   const std::string& records) {
    RegisterDataPayloads();
    store.Init(type, key_mode, 10, "S", nullptr);
    return ReadXmlText(store, "<S identifier=\"s\" datatype=\"" +
                                  std::string(CKvDataHandler::GetTypeName(type)) + "\">" + records +
                                  "</S>");
}

template <typename Record> Record& At(CKvDataHandlerStore& store, int index) {
    CKvDataHandlerStore::Position position;
    store.GetStartPosition(&position);
    CKvDataHandler* record = store.GetNext(&position);
    while (index-- > 0)
        record = store.GetNext(&position);
    return dynamic_cast<Record&>(*record);
}

TEST_F(DataHandlerStoreTest, RealRecordsKeepAValueTheyCannotReadAndOnlyNonRecordsAreDropped) {
    CKvDataHandlerStore preferences;
    EXPECT_EQ(ReadStore(preferences, K_KVDT_TP_DTHDLR_DATAPREFERENCES, kById,
                        "<DATAPREFERENCES identifier=\"1\"><startstate>PAUSED</startstate>"
                        "</DATAPREFERENCES><DATAPREFERENCES identifier=\"2\"><startstate>online"
                        "</startstate><screenname>b</screenname></DATAPREFERENCES>"),
              KV_S_VALUE_NOT_READ);
    ASSERT_EQ(preferences.GetCount(), 2);
    const auto& unknown_state = At<CKvDataPreferences>(preferences, 1);
    EXPECT_EQ(unknown_state.GetResult(), KV_E_FAIL); // the record's own code stays
    EXPECT_EQ(unknown_state.GetStartStateText() + "/" + unknown_state.GetScreenName(), "OFFLINE/b");

    // A phone number list without its identifier cannot be read; the contact
    // keeps the rest.
    CKvDataHandlerStore contacts;
    EXPECT_EQ(ReadStore(contacts, K_KVDT_TP_DTHDLR_DATACONTACT, kByKey,
                        "<DATACONTACT><lastname>Ann</lastname><PHONE_NUMBER_LIST><PHONE_NUMBER "
                        "identifier=\"1\"><number>1</number></PHONE_NUMBER></PHONE_NUMBER_LIST>"
                        "</DATACONTACT><DATACONTACT><lastname>Bob</lastname></DATACONTACT>"),
              KV_OK);
    EXPECT_EQ(Names(contacts), (Names_{"Ann,,", "Bob,,"}));
    EXPECT_EQ(At<CKvDataContact>(contacts, 0).GetPhoneNumberList().GetCount(), 0u);

    // A call is read only with its "identifier"; without it, it is no call.
    CKvDataHandlerStore calls;
    EXPECT_EQ(ReadStore(calls, K_KVDT_TP_DTHDLR_DATACALL, kByKey,
                        "<DATACALL identifier=\"c1\"><PHONE_NUMBER><number>1</number>"
                        "</PHONE_NUMBER></DATACALL><DATACALL><lastname>x</lastname></DATACALL>"),
              KV_E_NOT_FOUND);
    EXPECT_EQ(Names(calls), (Names_{"c1"}));

    CKvDataHandlerStore settings;
    EXPECT_EQ(ReadStore(settings, K_KVDT_TP_DTHDLR_DATACLIENTGENERAL, kById,
                        "<DATACLIENTGENERAL><x>1</x></DATACLIENTGENERAL>"),
              KV_E_FAIL); // no XML form: nothing to keep
    EXPECT_EQ(settings.GetCount(), 0);
}

TEST_F(DataHandlerStoreTest, AttributeValuesWithQuotesAndGreaterThanSignsReadBackByteForByte) {
    const std::string kOdd = "a>b \"q\" &quot; &amp;quot; </S>";
    // type, key mode, the record's key (its "identifier" attribute)
    const std::tuple<std::uint32_t, std::uint32_t, std::string (*)(CKvDataHandler&)> cases[] = {
        {K_KVDT_TP_DTHDLR_DATACALL, kByKey,
         [](CKvDataHandler& r) { return static_cast<CKvDataCall&>(r).GetKey(); }},
        {K_KVDT_TP_DTHDLR_DATAAPPLICATION, kByKey,
         [](CKvDataHandler& r) { return static_cast<CKvDataApplication&>(r).GetModuleName(); }},
        {K_KVDT_TP_DTHDLR_DATAVOIPPROFILE, kByKey,
         [](CKvDataHandler& r) {
             return static_cast<CKvDataVoipProfile&>(r).GetDisplayableName();
         }},
    };
    RegisterDataPayloads();
    for (const auto& [type, key_mode, key] : cases) {
        SCOPED_TRACE(type);
        CKvDataHandlerStore store(type, key_mode, 5, "S", nullptr);
        store.GetIdentifierText() = kOdd;
        std::unique_ptr<CKvDataHandler> record;
        ASSERT_EQ(store.CreateHandler(record), KV_OK);
        record->GetKey() = kOdd;
        ASSERT_EQ(store.Add(record), KV_OK);
        const std::string text = XmlText(store);

        CKvDataHandlerStore read(type, key_mode, 5, "S", nullptr);
        EXPECT_EQ(ReadXmlText(read, text), KV_OK) << text;
        EXPECT_EQ(read.GetIdentifierText(), kOdd);
        ASSERT_EQ(read.GetCount(), 1) << text;
        EXPECT_EQ(key(*read.GetFirst()), kOdd);
    }
}

TEST_F(DataHandlerStoreTest, AHeldRecordReReadUnderAnotherIdentifierMovesInTheIndexOrKeepsItsOwn) {
    RegisterDataPayloads();
    CKvDataHandlerStore store(K_KVDT_TP_DTHDLR_DATADEVICE, kById, 5, "S", nullptr);
    const auto device = [](std::uint32_t identifier) {
        std::unique_ptr<CKvDataHandler> record = std::make_unique<CKvDataDevice>();
        record->SetIdentifier(identifier);
        return record;
    };
    for (std::uint32_t identifier : {1u, 2u}) {
        auto held = device(identifier);
        ASSERT_EQ(store.Add(held), KV_OK);
    }
    CKvDataHandler* first = store.GetFirst();
    // Identifier 2 is taken: the record keeps 1.
    EXPECT_EQ(ReadXmlText(*first, "<DATADEVICE identifier=\"2\"/>"), KV_OK);
    EXPECT_EQ(first->GetIdentifier(), 1u);
    EXPECT_FALSE(first->SetIdentifier(2));
    // Identifier 3 is free: the store finds the record under it from now on.
    EXPECT_EQ(ReadXmlText(*first, "<DATADEVICE identifier=\"3\"><x>1</x></DATADEVICE>"), KV_OK);
    EXPECT_EQ(first->GetIdentifier(), 3u);
    EXPECT_FALSE(store.RemoveAndDelete(device(1).get()));
    auto replacement = device(3);
    CKvDataHandler* replacing = replacement.get();
    ASSERT_EQ(store.Add(replacement), KV_OK);
    EXPECT_EQ(store.GetCount(), 2);
    EXPECT_EQ(store.GetFirst(), replacing);

    // A record taken out is free again.
    std::unique_ptr<CKvDataHandler> taken;
    ASSERT_TRUE(store.Remove(taken, device(2).get(), false));
    EXPECT_TRUE(taken->SetIdentifier(3));
}

TEST_F(DataHandlerStoreTest, AttachedLockComesFromTheTableAndIsGivenBack) {
    HandleTable table(4);
    {
        CKvDataHandlerStore store(kDevice, kById, 5, "S", nullptr);
        EXPECT_EQ(store.AttachLock(true), KV_E_FAIL); // no table yet
        store.SetHandleTable(&table);
        EXPECT_TRUE(store.AttachLock(true) == KV_OK && table.GetCount() == 1u);
        std::lock_guard<CKvDataHandlerStore> held(store);
        EXPECT_EQ(AddDevice(store, 1, "a"), KV_OK); // re-entrant
    }
    EXPECT_EQ(table.GetCount(), 0u);
}

} // namespace
