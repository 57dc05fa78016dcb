#include "framework/message_list.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

class MessageListTest : public testing::Test {
protected:
    ScopedCountingPayload counting_;
    CKvMessageList list_;
};

TEST_F(MessageListTest, AddChecksPointerPresenceAndHeaderButNotThePayloadTypeInThatOrder) {
    EXPECT_EQ(list_.Add(nullptr, false), KV_E_INVALID_POINTER);
    EXPECT_EQ(list_.GetLastError(), KV_E_INVALID_POINTER);
    auto* message = new CKvMessage;
    EXPECT_EQ(list_.Add(message, false), KV_OK);
    message->SetKind(6);
    EXPECT_EQ(list_.Add(message, false), KV_E_ALREADY_PRESENT);
    auto* bad_kind = new CKvMessage;
    bad_kind->SetKind(6);
    EXPECT_EQ(list_.Add(bad_kind, false), KV_E_HEADER_OUT_OF_RANGE);
    EXPECT_EQ(list_.GetLastError(), KV_E_HEADER_OUT_OF_RANGE);
    bad_kind->Release();
    auto* big_type = new CKvMessage;
    big_type->SetPayloadType(100);
    EXPECT_EQ(list_.Add(big_type, false), KV_OK);
    EXPECT_EQ(list_.GetCount(), 2);
}

TEST_F(MessageListTest, RemoveHandsBackAndRemoveAndDeleteReleases) {
    CKvMessage* kept = NewMessageWithCountingPayload(1);
    CKvMessage* dropped = NewMessageWithCountingPayload(2);
    list_.Add(kept, false);
    list_.Add(dropped, false);
    EXPECT_EQ(list_.Remove(kept), 1);
    EXPECT_EQ(list_.Remove(kept), 0);
    EXPECT_EQ(list_.GetLastError(), KV_E_FAIL);
    EXPECT_EQ(list_.Remove(nullptr), 0);
    EXPECT_EQ(list_.GetLastError(), KV_E_INVALID_POINTER);
    EXPECT_EQ(list_.RemoveAndDelete(dropped), 1);
    EXPECT_EQ(dropped, nullptr);
    EXPECT_EQ(counting_.Live(), 1);
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
    EXPECT_EQ(list_.GetCount(), 1);
    EXPECT_EQ(list_.FirstMessage(), not_started);
    EXPECT_EQ(counting_.Live(), 1);
}

TEST_F(MessageListTest, FindsByPayloadTypeAndBlankAndIteratesInInsertionOrderBothWays) {
    EXPECT_FALSE(list_.BeginIteration());
    CKvMessage* messages[3] = {new CKvMessage, NewMessageWithCountingPayload(1), new CKvMessage};
    messages[0]->SetKind(KV_MSG_KIND_INFO);
    for (CKvMessage* message : messages)
        list_.Add(message, false);
    CKvMessage* found = nullptr;
    EXPECT_EQ(list_.FindByPayloadType(found, kCountingPayloadType), 1);
    EXPECT_EQ(found, messages[1]);
    EXPECT_EQ(list_.FindByPayloadType(found, 3), 0);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(list_.FindBlank(found), 1);
    EXPECT_EQ(found, messages[2]);

    ASSERT_TRUE(list_.BeginIteration());
    for (CKvMessage* message : messages)
        EXPECT_EQ(list_.NextMessage(), message);
    EXPECT_EQ(list_.NextMessage(), nullptr);
    EXPECT_EQ(list_.FirstMessage(), messages[0]);
    CKvMessageList::Position position;
    list_.GetHeadPosition(position);
    for (CKvMessage* message : messages)
        EXPECT_EQ(list_.GetNext(position), message);
    EXPECT_FALSE(position);
    EXPECT_EQ(list_.GetNext(position), nullptr);
}

TEST_F(MessageListTest, AssignMakesIndependentCopiesWithPayloads) {
    auto source = std::make_unique<CKvMessageList>();
    for (std::uint32_t value = 1; value <= 3; ++value)
        source->Add(NewMessageWithCountingPayload(value), false);
    list_.Add(NewMessageWithCountingPayload(9), false);
    list_.Assign(*source);
    EXPECT_EQ(list_.GetCount(), 3);
    EXPECT_EQ(counting_.Live(), 6);
    source.reset();
    EXPECT_EQ(counting_.Live(), 3);
    std::uint32_t expected = 1;
    CKvMessageList::Position position;
    list_.GetHeadPosition(position);
    while (CKvMessage* message = list_.GetNext(position))
        EXPECT_EQ(PayloadValue(*message), expected++);
    list_.DeleteAll();
    EXPECT_EQ(counting_.Live(), 0);
}
