#include "tapi/tapi_payloads.h"

#include "framework/payload_registry.h"
#include "tapi/tapi_call.h"
#include "tapi/tapi_calls_manager.h"
#include "tapi/tapi_line_data.h"
#include "tapi/tapi_line_message.h"

#include <gtest/gtest.h>

namespace {

template <typename Record> void ExpectCreatedCopiedAndDestroyed(Record& source) {
    SCOPED_TRACE(Record::kTypeCode);
    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, Record::kTypeCode));
    ASSERT_NE(payload, nullptr);
    EXPECT_TRUE(CopyPayloadByType(payload, &source, Record::kTypeCode));
    EXPECT_EQ(DestroyPayloadByType(payload, Record::kTypeCode), KV_OK);
}

TEST(TapiPayloads, RegistersTheFiveRecordsByTheirCodes) {
    RegisterTapiPayloads();
    RegisterTapiPayloads(); // a second call changes nothing
    for (const std::int32_t code : {49, 50, 52, 61, 62})
        EXPECT_TRUE(IsPayloadTypeKnown(code)) << code;

    KVTAPICALL call;
    call.GetHcall() = 5;
    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, 52));
    ASSERT_TRUE(CopyPayloadByType(payload, &call, 52));
    EXPECT_EQ(static_cast<KVTAPICALL*>(payload)->GetHcall(), 5u);
    DestroyPayloadByType(payload, 52);

    KVTAPICALLSMANAGER manager;
    KVTAPICALL* added = nullptr;
    manager.CreateCall(added, 9);
    ASSERT_TRUE(CreatePayloadByType(payload, 50));
    ASSERT_TRUE(CopyPayloadByType(payload, &manager, 50));
    EXPECT_TRUE(static_cast<KVTAPICALLSMANAGER*>(payload)->HasCall(9));
    DestroyPayloadByType(payload, 50);

    KVTAPILINEMESSAGE message;
    KVTAPILINEDATA data;
    KVTAPILINEDATAMANAGER data_manager;
    ExpectCreatedCopiedAndDestroyed(message);
    ExpectCreatedCopiedAndDestroyed(data);
    ExpectCreatedCopiedAndDestroyed(data_manager);
}

} // namespace
