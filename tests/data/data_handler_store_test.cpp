#include "data/data_handler_store.h"

#include "core/handle_table.h"
#include "data_test_support.h"

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

TEST_F(DataHandlerStoreTest, RecordReadWithAWarningIsKeptAndOneThatFailedIsDropped) {
    CKvDataHandlerStore store(kDevice, kByKey, 5, "S", nullptr);
    EXPECT_EQ(ReadXmlText(store, "<S identifier=\"x\" datatype=\"K_KVDT_TP_DTHDLR_DATADEVICE\">"
                                 "<TESTRECORD><name>warned</name><status>1</status></TESTRECORD>"
                                 "<TESTRECORD><name>failed</name><status>2147483648</status>"
                                 "</TESTRECORD></S>"),
              KV_E_FAIL);
    EXPECT_EQ(Names(store), (Names_{"warned"}));
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
