#include "framework/payload_registry.h"

#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <array>

TEST(PayloadRegistry, CreatesDestroysAndCopiesOnlyWhereTheClassAndTheCodeAllow) {
    const struct {
        std::int32_t code;
        const PayloadOperations* operations;
        bool copies;
    } cases[] = {
        {kCountingPayloadType, &kCountingPayloadOperations, true},
        {kCountingPayloadType, &kCountingPayloadWithoutCopy, false},
        // Stores and pointer lists are never copied, even with a copy registered.
        {KV_PAYLOAD_DATA_HANDLER_STORE, &kCountingPayloadOperations, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ScopedCountingPayload counting;
        RegisterPayloadType(c.code, c.operations);
        void* first = nullptr;
        void* second = nullptr;
        ASSERT_TRUE(CreatePayloadByType(first, c.code));
        ASSERT_TRUE(CreatePayloadByType(second, c.code));
        static_cast<CountingPayload*>(first)->value = 42;
        EXPECT_EQ(CopyPayloadByType(second, first, c.code), c.copies);
        EXPECT_EQ(static_cast<CountingPayload*>(second)->value, c.copies ? 42u : 0u);
        EXPECT_EQ(DestroyPayloadByType(first, c.code), KV_OK);
        EXPECT_EQ(DestroyPayloadByType(second, c.code), KV_OK);
        RegisterPayloadType(c.code, nullptr);
        EXPECT_EQ(std::tuple(counting.Live(), CountingPayload::created.load()), std::tuple(0, 2));
    }
}

TEST(PayloadRegistry, CodeWithoutRegisteredClassBehavesAsClassless) {
    void* payload = reinterpret_cast<void*>(&payload);
    EXPECT_FALSE(CreatePayloadByType(payload, kCountingPayloadType));
    EXPECT_EQ(payload, nullptr);
    int object = 0;
    EXPECT_FALSE(CopyPayloadByType(&object, &object, kCountingPayloadType));
    EXPECT_EQ(DestroyPayloadByType(&object, kCountingPayloadType), KV_E_NO_CLASS);
    EXPECT_EQ(DestroyPayloadByType(nullptr, kCountingPayloadType), KV_E_INVALID_POINTER);
}

TEST(PayloadRegistry, TheCodeTableNamesTheClassOfEveryCodeButFiveWhichTakeNoClass) {
    const std::array<std::int32_t, 5> classless = {20, 31, 33, 44, 45};
    const std::array<std::int32_t, 8> not_copied = {20, 21, 22, 31, 33, 34, 44, 45};
    const auto Contains = [](const auto& codes, std::int32_t code) {
        return std::find(codes.begin(), codes.end(), code) != codes.end();
    };
    for (std::int32_t code = 0; code <= KV_PAYLOAD_TYPE_MAX + 1; ++code) {
        SCOPED_TRACE(code);
        const bool in_table = code != 0 && code <= KV_PAYLOAD_TYPE_MAX;
        const PayloadTypeInfo* info = FindPayloadTypeInfo(code);
        ASSERT_EQ(info != nullptr, in_table);
        if (!in_table || Contains(classless, code)) {
            void* payload = &code;
            EXPECT_EQ(RegisterPayloadType(code, &kCountingPayloadOperations), KV_E_NO_CLASS);
            EXPECT_FALSE(IsPayloadTypeKnown(code) || CreatePayloadByType(payload, code));
            EXPECT_EQ(payload, nullptr);
        }
        if (!in_table)
            continue;
        EXPECT_EQ(std::tuple(info->code, info->class_name == nullptr, !info->copyable),
                  std::tuple(code, Contains(classless, code), Contains(not_copied, code)));
    }
    EXPECT_STREQ(FindPayloadTypeInfo(KV_PAYLOAD_NAMED_VALUE)->class_name, "CKvNamedValue");
}
