#include "tapi/tapi_request_registry.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(TapiRequestRegistry, RefusesThe33rdRequestAndDuplicateIds) {
    TapiRequestRegistry registry;
    TapiPendingRequest* entry = nullptr;
    EXPECT_EQ(registry.Create(entry, 0), KV_E_FAIL);
    EXPECT_EQ(entry, nullptr);
    std::unique_ptr<TapiPendingRequest> none;
    EXPECT_EQ(registry.Add(none), KV_E_INVALID_POINTER);
    for (std::uint32_t id = 1; id <= 32; ++id)
        ASSERT_EQ(registry.Create(entry, id * 3), KV_OK);
    EXPECT_EQ(registry.GetCount(), 32u);
    EXPECT_EQ(registry.Create(entry, 200), KV_E_LIST_FULL);
    EXPECT_EQ(entry, nullptr);
    registry.RemoveAll();
    ASSERT_EQ(registry.Create(entry, 7), KV_OK);
    EXPECT_EQ(entry->request_id, 7u);
    EXPECT_EQ(entry->replied, 0u);
    auto twin = std::make_unique<TapiPendingRequest>();
    twin->request_id = 7;
    EXPECT_EQ(registry.Add(twin), KV_E_ALREADY_PRESENT);
    EXPECT_NE(twin, nullptr);
    EXPECT_EQ(registry.Lookup(7), entry);
    auto* raw = new TapiPendingRequest{.request_id = 9};
    EXPECT_EQ(registry.Add(raw), KV_OK);
    EXPECT_EQ(registry.Lookup(9), raw);
    EXPECT_EQ(registry.Lookup(8), nullptr);
}

TEST(TapiRequestRegistry, RepliesKindsAndCalls) {
    TapiRequestRegistry registry;
    EXPECT_EQ(registry.CheckReplies(), 1u); // nothing waits
    struct Row {
        std::uint32_t id, hcall, kind;
    };
    for (const Row row : {Row{11, 0x100, 1}, Row{12, 0x200, 3}, Row{13, 0x100, 2}}) {
        TapiPendingRequest* entry = nullptr;
        ASSERT_EQ(registry.Create(entry, row.id), KV_OK);
        entry->hcall = row.hcall;
        entry->kind = row.kind;
    }
    EXPECT_EQ(registry.CheckReplies(), 0u);
    for (std::uint32_t id : {11u, 12u})
        registry.Lookup(id)->replied = 1;
    EXPECT_EQ(registry.CheckReplies(), 0u);
    registry.Lookup(13)->replied = 1;
    EXPECT_EQ(registry.CheckReplies(), 1u);

    TapiPendingRequest* found = nullptr;
    EXPECT_EQ(registry.FindByKind(found, 3), KV_OK);
    EXPECT_EQ(found->request_id, 12u);
    EXPECT_EQ(registry.FindByKind(found, 10), KV_E_FAIL);
    EXPECT_TRUE(registry.HasCall(0x100));
    EXPECT_FALSE(registry.HasCall(0));
    EXPECT_EQ(registry.RemoveByCall(0), KV_E_FAIL);
    EXPECT_EQ(registry.RemoveByCall(0x100), KV_OK);
    EXPECT_EQ(registry.GetCount(), 1u);
    EXPECT_FALSE(registry.HasCall(0x100));
    EXPECT_NE(registry.Lookup(12), nullptr);
}

} // namespace
