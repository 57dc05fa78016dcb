#include "framework/payload_registry.h"

#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

TEST(PayloadRegistry, CreatesCopiesAndDestroysARegisteredClass) {
    ScopedCountingPayload counting;
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_TRUE(CreatePayloadByType(first, kCountingPayloadType));
    ASSERT_TRUE(CreatePayloadByType(second, kCountingPayloadType));
    static_cast<CountingPayload*>(first)->value = 42;

    EXPECT_TRUE(CopyPayloadByType(second, first, kCountingPayloadType));
    EXPECT_EQ(static_cast<CountingPayload*>(second)->value, 42u);

    EXPECT_EQ(DestroyPayloadByType(first, kCountingPayloadType), KV_OK);
    EXPECT_EQ(DestroyPayloadByType(second, kCountingPayloadType), KV_OK);
    EXPECT_EQ(counting.Live(), 0);
    EXPECT_EQ(CountingPayload::created, 2);
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

TEST(PayloadRegistry, CodesThatHaveNoClassCannotBeRegistered) {
    constexpr std::array<std::int32_t, 8> refused = {0, 20, 31, 33, 34, 44, 45, 72};
    for (std::int32_t code : refused) {
        SCOPED_TRACE(code);
        EXPECT_EQ(RegisterPayloadType(code, &kCountingPayloadOperations), KV_E_NO_CLASS);
        EXPECT_FALSE(IsPayloadTypeKnown(code));
        void* payload = nullptr;
        EXPECT_FALSE(CreatePayloadByType(payload, code));
        EXPECT_EQ(payload, nullptr);
    }
}

TEST(PayloadRegistry, ClassWithoutCopyRefusesToCopy) {
    static constexpr PayloadOperations kNoCopy = {
        []() -> void* { return new CountingPayload; },
        nullptr,
        [](void* payload) { delete static_cast<CountingPayload*>(payload); },
    };
    ScopedCountingPayload counting;
    RegisterPayloadType(kCountingPayloadType, &kNoCopy);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_TRUE(CreatePayloadByType(first, kCountingPayloadType));
    ASSERT_TRUE(CreatePayloadByType(second, kCountingPayloadType));
    EXPECT_FALSE(CopyPayloadByType(second, first, kCountingPayloadType));
    DestroyPayloadByType(first, kCountingPayloadType);
    DestroyPayloadByType(second, kCountingPayloadType);
    EXPECT_EQ(counting.Live(), 0);
}

TEST(PayloadRegistry, TheCodeTableNamesTheClassOfEveryCodeButSix) {
    const std::array<std::int32_t, 6> classless = {20, 31, 33, 34, 44, 45};
    const std::array<std::int32_t, 8> not_copied = {20, 21, 22, 31, 33, 34, 44, 45};
    for (std::int32_t code = 1; code <= KV_PAYLOAD_TYPE_MAX; ++code) {
        SCOPED_TRACE(code);
        const PayloadTypeInfo* info = FindPayloadTypeInfo(code);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->code, code);
        const bool has_class =
            std::find(classless.begin(), classless.end(), code) == classless.end();
        EXPECT_EQ(info->class_name != nullptr, has_class);
        const bool copied =
            std::find(not_copied.begin(), not_copied.end(), code) == not_copied.end();
        EXPECT_EQ(info->copyable, copied);
    }
    EXPECT_EQ(FindPayloadTypeInfo(0), nullptr);
    EXPECT_EQ(FindPayloadTypeInfo(72), nullptr);
    EXPECT_STREQ(FindPayloadTypeInfo(KV_PAYLOAD_NAMED_VALUE)->class_name, "CKvNamedValue");
}

TEST(PayloadRegistry, StoresAndPointerListsAreNeverCopiedEvenWithACopyRegistered) {
    ScopedCountingPayload counting;
    RegisterPayloadType(KV_PAYLOAD_DATA_HANDLER_STORE, &kCountingPayloadOperations);
    void* first = nullptr;
    void* second = nullptr;
    ASSERT_TRUE(CreatePayloadByType(first, KV_PAYLOAD_DATA_HANDLER_STORE));
    ASSERT_TRUE(CreatePayloadByType(second, KV_PAYLOAD_DATA_HANDLER_STORE));
    EXPECT_FALSE(CopyPayloadByType(second, first, KV_PAYLOAD_DATA_HANDLER_STORE));
    EXPECT_EQ(DestroyPayloadByType(first, KV_PAYLOAD_DATA_HANDLER_STORE), KV_OK);
    EXPECT_EQ(DestroyPayloadByType(second, KV_PAYLOAD_DATA_HANDLER_STORE), KV_OK);
    RegisterPayloadType(KV_PAYLOAD_DATA_HANDLER_STORE, nullptr);
    EXPECT_EQ(counting.Live(), 0);
}
