#include "framework/message_list.h"

#include "framework_test_support.h"
#include "platform/clock.h"

class MessageListTest : public testing::Test {
protected:
    ScopedCountingPayload counting_;
    CKvMessageList list_;
};

TEST_F(MessageListTest, AddAndRemoveCheckPointerPresenceAndHeaderButNotThePayloadType) {
    const auto Error = [&](auto result) { return std::pair(result, list_.GetLastError()); };
    EXPECT_EQ(Error(list_.Add(nullptr, false)),
              std::pair(KV_E_INVALID_POINTER, KV_E_INVALID_POINTER));
    CKvMessage* kept = NewMessageWithCountingPayload(1);
    EXPECT_EQ(list_.Add(kept, false), KV_OK);
    kept->SetKind(6);
    EXPECT_EQ(list_.Add(kept, false), KV_E_ALREADY_PRESENT);
    auto* bad_kind = NewMessageWithCountingPayload(2, 6);
    EXPECT_EQ(Error(list_.Add(bad_kind, false)),
              std::pair(KV_E_HEADER_OUT_OF_RANGE, KV_E_HEADER_OUT_OF_RANGE));
    bad_kind->Release();
    CKvMessage* dropped = new CKvMessage;
    dropped->SetPayloadType(100);
    EXPECT_EQ(list_.Add(dropped, false), KV_OK);
    EXPECT_EQ(list_.GetCount(), 2);
    EXPECT_EQ(list_.Remove(kept), 1);
    EXPECT_EQ(Error(list_.Remove(kept)), std::pair(0, KV_E_FAIL));
    EXPECT_EQ(Error(list_.Remove(nullptr)), std::pair(0, KV_E_INVALID_POINTER));
    EXPECT_EQ(list_.RemoveAndDelete(dropped), 1);
    EXPECT_EQ(std::tuple(dropped, list_.GetCount(), counting_.Live()), std::tuple(nullptr, 0, 1));
    kept->Release();
}

TEST_F(MessageListTest, DeleteExpiredReleasesOnlyMessagesWhoseTimerRanOut) {
    ManualClock clock;
    ScopedClock installed(clock);
    CKvMessage* not_started = NewMessageWithCountingPayload(1);
    CKvMessage* started = NewMessageWithCountingPayload(2);
    started->GetTimer().SetInterval(0, 500);
    list_.Add(not_started, false);
    list_.Add(started, true);
    clock.Advance(499);
    list_.DeleteExpired();
    EXPECT_EQ(list_.GetCount(), 2);
    clock.Advance(1);
    list_.DeleteExpired();
    EXPECT_EQ(std::tuple(list_.GetCount(), list_.FirstMessage(), counting_.Live()),
              std::tuple(1, not_started, 1));
}

TEST_F(MessageListTest, FindsIteratesInInsertionOrderAndAssignsIndependentCopies) {
    EXPECT_FALSE(list_.BeginIteration());
    CKvMessage* messages[3] = {NewMessageWithCountingPayload(1, KV_MSG_KIND_INFO),
                               NewMessageWithCountingPayload(2), new CKvMessage};
    for (CKvMessage* message : messages)
        list_.Add(message, false);
    CKvMessage *found = nullptr, *absent = messages[1], *blank = nullptr;
    EXPECT_EQ(std::tuple(list_.FindByPayloadType(found, kCountingPayloadType),
                         list_.FindByPayloadType(absent, 3), list_.FindBlank(blank)),
              std::tuple(1, 0, 1));
    EXPECT_EQ(std::tuple(found, absent, blank), std::tuple(messages[0], nullptr, messages[2]));

    CKvMessageList copy;
    copy.Add(NewMessageWithCountingPayload(9), false);
    copy.Assign(list_);
    list_.DeleteAll();
    EXPECT_EQ(std::tuple(copy.GetCount(), counting_.Live()), std::tuple(3, 2));
    ASSERT_TRUE(copy.BeginIteration());
    CKvMessageList::Position position;
    copy.GetHeadPosition(position);
    for (std::uint32_t value : {1u, 2u}) {
        EXPECT_EQ(PayloadValue(*copy.NextMessage()), value);
        EXPECT_EQ(PayloadValue(*copy.GetNext(position)), value);
    }
    EXPECT_EQ(copy.NextMessage(), copy.GetNext(position));
    EXPECT_EQ(copy.NextMessage(), nullptr);
    EXPECT_FALSE(position);
    EXPECT_EQ(copy.GetNext(position), nullptr);
}
