#include "framework/imsg_message_list.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr auto kStatus = PackedMessage::kCommandNotificationStatus;
constexpr auto kInfo = PackedMessage::kTypeInfo;

PackedMessage* NewStatus(std::uint32_t idt, std::uint32_t ids, const std::string& text) {
    auto* message = new PackedMessage;
    message->BuildStatusInfo(idt, ids, text, PackedMessage::kStatusFirstName);
    return message;
}

} // namespace

TEST(ImsgMessageList, HoldsAtMost201DistinctPackets) {
    ImsgMessageList list;
    EXPECT_EQ(list.Add(nullptr), KV_E_INVALID_POINTER);
    PackedMessage* first = NewStatus(0, 0, "");
    ASSERT_EQ(list.Add(first), KV_OK);
    EXPECT_EQ(list.Add(first), KV_E_NOT_FOUND);
    for (int i = 1; i < 201; ++i)
        ASSERT_EQ(list.Add(new PackedMessage), KV_OK);
    PackedMessage extra;
    EXPECT_EQ(list.Add(&extra), KV_E_LIST_FULL);
    EXPECT_EQ(list.GetCount(), 201u);
}

TEST(ImsgMessageList, DeleteExpiredDropsPacketsTwentySecondsAfterTheyWereAdded) {
    ManualClock clock;
    ScopedClock installed(clock);
    ImsgMessageList list;
    list.Add(NewStatus(1, 0, "early"));
    clock.Advance(5000);
    PackedMessage* late = NewStatus(2, 0, "late");
    list.Add(late);
    clock.Advance(14999);
    list.DeleteExpired();
    EXPECT_EQ(list.GetCount(), 2u);
    clock.Advance(1);
    list.DeleteExpired();
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0), late);
    clock.Advance(5000);
    list.DeleteExpired();
    EXPECT_EQ(list.GetCount(), 0u);
}

TEST(ImsgMessageList, FindMatchesCommandTypeCriteriaAndPeer) {
    ImsgMessageList list;
    PackedMessage* anna = NewStatus(1, 7, "Anna");
    PackedMessage* bert = NewStatus(2, 7, "Bert");
    const std::string peer = "0301";
    bert->SetPeerName(peer);
    list.Add(anna);
    list.Add(bert);
    list.Add(NewStatus(2, 9, "Carl"));

    PackedMessage* found = nullptr;
    EXPECT_EQ(list.Find(found, kStatus, kInfo, "", 0, false, 7, true, nullptr), KV_OK);
    EXPECT_EQ(found, anna);
    EXPECT_EQ(list.Find(found, kStatus, kInfo, "", 0, false, 7, true, &peer), KV_OK);
    EXPECT_EQ(found, bert);
    EXPECT_EQ(
        list.Find(found, kStatus, PackedMessage::kTypeRequest, "Anna", 0, false, 0, false, nullptr),
        KV_E_NOT_FOUND);
    EXPECT_EQ(found, nullptr);
    // Without any criterion nothing matches.
    EXPECT_EQ(list.Find(found, kStatus, kInfo, "", 0, false, 0, false, nullptr), KV_E_NOT_FOUND);

    ASSERT_EQ(list.FindAndRemove(found, kStatus, kInfo, "Bert", 2, true, 0, false, nullptr), KV_OK);
    EXPECT_EQ(found, bert);
    EXPECT_EQ(list.Remove(bert), KV_E_NOT_FOUND);
    delete bert;
    list.DeleteById(2);
    ASSERT_EQ(list.GetCount(), 1u);
    EXPECT_EQ(list.GetAt(0), anna);
}

TEST(ImsgMessageList, CreateFromBytesHandsOutOnlyAcceptedPacketsAndKeepsNone) {
    ImsgMessageList list;
    const std::string peer = "peer";
    PackedMessage* message = nullptr;
    const std::vector<std::uint8_t> bad = {'X', 0x7C, 0x31, 0x10};
    EXPECT_EQ(list.CreateFromBytes(message, bad, &peer), KV_E_FAIL);
    EXPECT_EQ(message, nullptr);
    const std::vector<std::uint8_t> good = {'P', 0x7C, 0x31, 0x10, 'O'};
    ASSERT_EQ(list.CreateFromBytes(message, good, &peer), KV_OK);
    EXPECT_EQ(message->GetPeerName(), "peer");
    EXPECT_EQ(list.GetCount(), 0u);
    delete message;
}
