#include "framework/imsg_message_list.h"

#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
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
    const std::pair<std::uint32_t, std::size_t> steps[] = {{14999, 2}, {1, 1}, {5000, 0}};
    for (const auto& [advance, count] : steps) {
        clock.Advance(advance);
        list.DeleteExpired();
        ASSERT_EQ(list.GetCount(), count) << advance;
        EXPECT_TRUE(count != 1 || list.GetAt(0) == late);
    }
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
    EXPECT_EQ(std::pair(list.Find(found, kStatus, kInfo, "", 0, false, 7, true, &peer), found),
              std::pair(KV_OK, bert));
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
    EXPECT_EQ(std::pair(list.GetCount(), list.GetAt(0)), std::pair(std::size_t{1}, anna));
}

TEST(ImsgMessageList, CreateFromBytesHandsOutOnlyAcceptedPacketsAndKeepsNone) {
    ImsgMessageList list;
    const std::string peer = "peer";
    PackedMessage* message = nullptr;
    EXPECT_EQ(list.CreateFromBytes(message, Bytes{'X', 0x7C, 0x31, 0x10}, &peer), KV_E_FAIL);
    EXPECT_EQ(message, nullptr);
    ASSERT_EQ(list.CreateFromBytes(message, Bytes{'P', 0x7C, 0x31, 0x10, 'O'}, &peer), KV_OK);
    EXPECT_EQ(std::tuple(message->GetPeerName(), list.GetCount()), std::tuple("peer", 0u));
    delete message;
}
