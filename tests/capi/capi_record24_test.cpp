#include "capi/capi_record24.h"

#include "capi/capi_payloads.h"
#include "framework/payload_registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(CapiRecord24, CopiesTextsAndNumbersButNotTheOwnedMessage) {
    CapiRecord24 record;
    EXPECT_EQ(record.number_d, 22u);
    EXPECT_EQ(record.GetTimers().Find(CapiRecord24::kTimer)->GetInterval(), 30000);
    record.texts[5] = "five";
    record.number_a = 3;
    record.SetMessage(std::make_unique<CKvMessage>());
    CapiRecord24 copy(record);
    EXPECT_EQ(copy.texts[5], "five");
    EXPECT_EQ(copy.number_a, 3u);
    EXPECT_EQ(copy.GetMessage(), nullptr);
    copy.SetMessage(std::make_unique<CKvMessage>());
    copy = record;
    EXPECT_EQ(copy.GetMessage(), nullptr);
    EXPECT_NE(record.GetMessage(), nullptr);
}

TEST(CapiRecord24, IsAPayloadOfTypeTwentyFour) {
    RegisterCapiPayloads();
    void* payload = nullptr;
    ASSERT_TRUE(CreatePayloadByType(payload, KV_PAYLOAD_CAPI_RECORD24));
    static_cast<CapiRecord24*>(payload)->texts[0] = "a";
    void* copy = nullptr;
    ASSERT_TRUE(CreatePayloadByType(copy, KV_PAYLOAD_CAPI_RECORD24));
    CopyPayloadByType(copy, payload, KV_PAYLOAD_CAPI_RECORD24);
    EXPECT_EQ(static_cast<CapiRecord24*>(copy)->texts[0], "a");
    EXPECT_EQ(DestroyPayloadByType(payload, KV_PAYLOAD_CAPI_RECORD24), KV_OK);
    EXPECT_EQ(DestroyPayloadByType(copy, KV_PAYLOAD_CAPI_RECORD24), KV_OK);
}

} // namespace
