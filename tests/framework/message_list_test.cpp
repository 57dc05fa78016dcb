#include "framework/message_list.h"

#include "framework_test_support.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

TEST(MessageList, AddChecksPointerPresenceAndHeaderInThatOrder) {
    CKvMessageList list;
    EXPECT_EQ(list.Add(nullptr, false), KV_E_INVALID_POINTER);
    EXPECT_EQ(list.GetLastError(), KV_E_INVALID_POINTER);

    auto* message = new CKvMessage;
    EXPECT_EQ(list.Add(message, false), KV_OK);
    message->SetKind(6);
    EXPECT_EQ(list.Add(message, false), KV_E_ALREADY_PRESENT);
    EXPECT_EQ(list.GetCount(), 1);

    auto* bad_kind = new CKvMessage;
    bad_kind->SetKind(6);
    EXPECT_EQ(list.Add(bad_kind, false), KV_E_HEADER_OUT_OF_RANGE);
    EXPECT_EQ(list.GetLastError(), KV_E_HEADER_OUT_OF_RANGE);
    bad_kind->Release();

    auto* big_type = new CKvMessage;
    big_type->SetPayloadType(100);
    EXPECT_EQ(list.Add(big_type, false), KV_OK);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST(MessageList, RemoveHandsBackAndRemoveAndDeleteReleases) {
    ScopedCountingPayload counting;
    CKvMessageList list;
    CKvMessage* kept = NewMessageWithCountingPayload(1);
    CKvMessage* dropped = NewMessageWithCountingPayload(2);
    list.Add(kept, false);
    list.Add(dropped, false);

    EXPECT_EQ(list.Remove(kept), 1);
    EXPECT_EQ(list.Remove(kept), 0);
    EXPECT_EQ(list.GetLastError(), KV_E_FAIL);
    EXPECT_EQ(list.Remove(nullptr), 0);
    EXPECT_EQ(list.GetLastError(), KV_E_INVALID_POINTER);

    EXPECT_EQ(list.RemoveAndDelete(dropped), 1);
    EXPECT_EQ(dropped, nullptr);
    EXPECT_EQ(counting.Live(), 1);
    kept->Release();
}

TEST(MessageList, DeleteExpiredReleasesOnlyMessagesWhoseTimerRanOut) {
    ScopedCountingPayload counting;
    ManualClock clock;
    ScopedClock installed(clock);
    CKvMessageList list;
    CKvMessage* not_started = NewMessageWithCountingPayload(1);
    CKvMessage* started = NewMessageWithCountingPayload(2);
    started->GetTimer().SetInterval(0, 500);
    list.Add(not_started, false);
    list.Add(started, true);

    clock.Advance(499);
    list.DeleteExpired();
    EXPECT_EQ(list.GetCount(), 2);
    clock.Advance(1);
    list.DeleteExpired();
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.FirstMessage(), not_started);
    EXPECT_EQ(counting.Live(), 1);
}

TEST(MessageList, FindsByPayloadTypeAndBlank) {
    ScopedCountingPayload counting;
    CKvMessageList list;
    auto* header = new CKvMessage;
    header->SetKind(KV_MSG_KIND_INFO);
    CKvMessage* with_payload = NewMessageWithCountingPayload(1);
    auto* blank = new CKvMessage;
    list.Add(header, false);
    list.Add(with_payload, false);
    list.Add(blank, false);

    CKvMessage* found = nullptr;
    EXPECT_EQ(list.FindByPayloadType(found, kCountingPayloadType), 1);
    EXPECT_EQ(found, with_payload);
    EXPECT_EQ(list.FindByPayloadType(found, 3), 0);
    EXPECT_EQ(found, nullptr);
    EXPECT_EQ(list.FindBlank(found), 1);
    EXPECT_EQ(found, blank);
}

TEST(MessageList, IteratesInInsertionOrderBothWays) {
    CKvMessageList list;
    EXPECT_FALSE(list.BeginIteration());
    CKvMessage* messages[3] = {new CKvMessage, new CKvMessage, new CKvMessage};
    for (CKvMessage* message : messages)
        list.Add(message, false);

    ASSERT_TRUE(list.BeginIteration());
    for (CKvMessage* message : messages)
        EXPECT_EQ(list.NextMessage(), message);
    EXPECT_EQ(list.NextMessage(), nullptr);
    EXPECT_EQ(list.FirstMessage(), messages[0]);

    CKvMessageList::Position position;
    list.GetHeadPosition(position);
    for (CKvMessage* message : messages)
        EXPECT_EQ(list.GetNext(position), message);
    EXPECT_FALSE(position);
    EXPECT_EQ(list.GetNext(position), nullptr);
}

TEST(MessageList, AssignMakesIndependentCopiesWithPayloads) {
    ScopedCountingPayload counting;
    auto source = std::make_unique<CKvMessageList>();
    for (std::uint32_t value = 1; value <= 3; ++value)
        source->Add(NewMessageWithCountingPayload(value), false);
    CKvMessageList copy;
    copy.Add(NewMessageWithCountingPayload(9), false);

    copy.Assign(*source);
    EXPECT_EQ(copy.GetCount(), 3);
    EXPECT_EQ(counting.Live(), 6);
    source.reset();
    EXPECT_EQ(counting.Live(), 3);
    std::uint32_t expected = 1;
    CKvMessageList::Position position;
    copy.GetHeadPosition(position);
    while (CKvMessage* message = copy.GetNext(position))
        EXPECT_EQ(PayloadValue(*message), expected++);
    copy.DeleteAll();
    EXPECT_EQ(counting.Live(), 0);
}
