#include "data/data_record_factory.h"

#include "data_test_support.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using Device = TestRecord<K_KVDT_TP_DTHDLR_DATADEVICE>;

TEST(DataRecordFactory, FilesOnlyStoreTypeCodes) {
    for (std::uint32_t code : {0u, 13u, 22u, 56u, 64u, 67u, 1000u}) {
        EXPECT_EQ(RegisterDataRecordType(code, &kDataRecordOperations<Device>), KV_E_NO_CLASS);
        std::unique_ptr<CKvDataHandler> record;
        EXPECT_EQ(CreateDataRecordByType(record, code), KV_E_NO_CLASS) << code;
    }
}

TEST(DataRecordFactory, CreatesAndCopiesRecordsOfTheRegisteredClass) {
    const DataRecordOperations* before = FindDataRecordType(K_KVDT_TP_DTHDLR_DATADEVICE);
    std::unique_ptr<CKvDataHandler> record;
    {
        ScopedRecordType<Device> registered;
        ASSERT_EQ(CreateDataRecordByType(record, K_KVDT_TP_DTHDLR_DATADEVICE), KV_OK);
        ASSERT_NE(dynamic_cast<Device*>(record.get()), nullptr);
        Device source;
        source.name_ = "source";
        EXPECT_TRUE(CopyDataRecordByType(*record, source));
        EXPECT_EQ(record->GetKey(), "source");
        TestRecord<K_KVDT_TP_DTHDLR_DATACALL> call;
        EXPECT_FALSE(CopyDataRecordByType(call, source));
        EXPECT_EQ(call.name_, "");
    }
    EXPECT_EQ(FindDataRecordType(K_KVDT_TP_DTHDLR_DATADEVICE), before);
}

} // namespace
