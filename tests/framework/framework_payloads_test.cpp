#include "framework/framework_payloads.h"

#include "core/named_value_map.h"
#include "core/time_date.h"
#include "framework/message.h"
#include "framework/payload_registry.h"

#include <gtest/gtest.h>

#include <array>

TEST(FrameworkPayloads, RegistersExactlyTheCoreAndFrameworkClassesAndEachWorks) {
    // The codes whose classes live in the core values and the framework.
    constexpr std::array<std::int32_t, 20> kCodes = {21, 23, 25, 26, 35, 36, 37, 41, 42, 46,
                                                     55, 57, 58, 59, 60, 64, 67, 68, 70, 71};
    RegisterFrameworkPayloads();
    for (std::int32_t code = 0; code <= KV_PAYLOAD_TYPE_MAX + 1; ++code) {
        SCOPED_TRACE(code);
        const bool known = std::find(kCodes.begin(), kCodes.end(), code) != kCodes.end();
        ASSERT_EQ(IsPayloadTypeKnown(code), known);
        if (!known)
            continue;
        void* source = nullptr;
        void* target = nullptr;
        ASSERT_TRUE(CreatePayloadByType(source, code));
        ASSERT_TRUE(CreatePayloadByType(target, code));
        EXPECT_EQ(CopyPayloadByType(target, source, code), code != KV_PAYLOAD_OBJECT_POINTER_LIST);
        EXPECT_EQ(std::pair(DestroyPayloadByType(source, code), DestroyPayloadByType(target, code)),
                  std::pair(KV_OK, KV_OK));
    }
}

TEST(FrameworkPayloads, APayloadOfAClasslessCodeIsNotDestroyed) {
    CKvMessage message;
    std::string stranger;
    message.SetPayloadType(31);
    message.SetPayload(&stranger);
    EXPECT_EQ(std::pair(message.DestroyPayload(), message.GetPayload()),
              std::pair(KV_E_NO_CLASS, static_cast<void*>(&stranger)));
    message.SetPayload(nullptr);
}

TEST(FrameworkPayloads, ACopiedValueCellRefersToTheMemberWithoutOwningIt) {
    RegisterFrameworkPayloads();
    void* source = nullptr;
    void* target = nullptr;
    ASSERT_TRUE(CreatePayloadByType(source, KV_PAYLOAD_VALUE_CELL));
    ASSERT_TRUE(CreatePayloadByType(target, KV_PAYLOAD_VALUE_CELL));
    auto* owned = new TimeDate;
    ASSERT_EQ(static_cast<ValueCell*>(source)->Init(kValueCellTimeDate, owned, "TIME", true),
              KV_OK);
    ASSERT_TRUE(CopyPayloadByType(target, source, KV_PAYLOAD_VALUE_CELL));
    const auto* copy = static_cast<ValueCell*>(target);
    EXPECT_EQ(std::tuple(copy->GetTimeDate(), copy->GetName(), copy->Owns()),
              std::tuple(owned, "TIME", false));
    // The pointee is deleted once, with its owner.
    DestroyPayloadByType(target, KV_PAYLOAD_VALUE_CELL);
    DestroyPayloadByType(source, KV_PAYLOAD_VALUE_CELL);
}
