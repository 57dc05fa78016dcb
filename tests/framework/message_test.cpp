#include "framework/message.h"

#include "framework/message_router.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

using Names = std::pair<std::int32_t, const char*>;

// The blank message's timer interval: 0x7FFFFFF seconds in the 32-bit field.
constexpr std::int32_t kBlankTimerInterval = 1073740824;

} // namespace

TEST(Message, NewAndResetMessagesAreBlankConfirmations) {
    CKvMessage message;
    EXPECT_TRUE(message.IsBlank());
    EXPECT_EQ(message.GetKind(), KV_MSG_KIND_CONFIRMATION);
    EXPECT_EQ(message.GetTimer().GetInterval(), kBlankTimerInterval);
    message.SetSpareWord(1);
    EXPECT_FALSE(message.IsBlank());
    message.Reset();
    EXPECT_TRUE(message.IsBlank());
    message.SetFirstText("x");
    EXPECT_FALSE(message.IsBlank());
}

TEST(Message, NamesKindsAndAttributesAndMarksUnknownOnes) {
    const Names kinds[] = {
        {1, "REQUEST"}, {5, "SIGNAL"}, {6, "ERROR_MSSTPE_UNKNOWN"}, {-1, "ERROR_MSSTPE_UNKNOWN"}};
    for (const auto& [kind, name] : kinds)
        EXPECT_STREQ(CKvMessage::KindName(kind), name) << kind;
    const Names attributes[] = {{3, "DATA_NOT_FOUND"},
                                {31, "CALL_ECT_ESTABLISHED"},
                                {32, "ERROR_ATTRIBUTE_UNKNOWN"},
                                {-1, "ERROR_ATTRIBUTE_UNKNOWN"}};
    for (const auto& [attribute, name] : attributes)
        EXPECT_STREQ(CKvMessage::AttributeName(attribute), name) << attribute;
    CKvMessage message;
    message.SetAttribute(KV_MSG_ATTR_ENDED);
    EXPECT_STREQ(message.GetAttributeName(), "ENDED");
    EXPECT_STREQ(message.GetKindName(), "CONFIRMATION");
}

TEST(Message, HeaderValidityComparesEachFieldAsSigned) {
    const struct {
        std::int32_t kind, command, sub_command, payload_type, attribute;
        bool valid;
    } cases[] = {
        {5, 11, 11, 71, 31, true},  {6, 0, 0, 0, 0, false},  {0, 12, 0, 0, 0, false},
        {0, 0, 12, 0, 0, false},    {0, 0, 0, 72, 0, false}, {0, 0, 0, 0, 32, false},
        {-1, -1, -1, -1, -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.kind << "," << c.command << "," << c.sub_command << ","
                                        << c.payload_type << "," << c.attribute);
        CKvMessage message;
        message.SetKindAndCommand(c.kind, c.command, c.sub_command);
        message.SetPayloadType(c.payload_type);
        message.SetAttribute(c.attribute);
        EXPECT_EQ(message.IsHeaderValid(), c.valid);
    }
}

TEST(Message, SetHeaderWithCommandZeroKeepsCommandAndSubCommand) {
    CKvMessage message;
    message.SetKindAndCommand(KV_MSG_KIND_REQUEST, 3, 4);
    message.SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 0, 9, KV_MSG_ATTR_ALIVE);
    EXPECT_EQ(message.GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(message.GetCommand(), 3);
    EXPECT_EQ(message.GetSubCommand(), 4);
    EXPECT_EQ(message.GetAttribute(), KV_MSG_ATTR_ALIVE);
    message.SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 2, 1, 0);
    EXPECT_EQ(message.GetCommand(), 2);
    EXPECT_EQ(message.GetSubCommand(), 1);
}

class MessagePayloadTest : public testing::Test {
protected:
    ScopedCountingPayload counting_;
};

TEST_F(MessagePayloadTest, ReleaseDestroysThePayloadEvenWithAnInvalidHeaderDeleteHeaderOnlyNot) {
    CKvMessage* released = NewMessageWithCountingPayload(1);
    released->SetKind(7);
    ASSERT_FALSE(released->IsHeaderValid());
    released->Release();
    EXPECT_EQ(counting_.Live(), 0);
    CKvMessage* header_only = NewMessageWithCountingPayload(2);
    void* payload = header_only->GetPayload();
    header_only->SetKind(7);
    header_only->DeleteHeaderOnly();
    EXPECT_EQ(counting_.Live(), 1);
    DestroyPayloadByType(payload, kCountingPayloadType);
}

TEST_F(MessagePayloadTest, APayloadIsNeverOverwrittenWithoutBeingDestroyed) {
    std::unique_ptr<CKvMessage> message(NewMessageWithCountingPayload(1));
    void* payload = nullptr;
    ASSERT_TRUE(message->CreatePayload(payload, kCountingPayloadType));
    EXPECT_EQ(counting_.Live(), 1) << "CreatePayload";
    message->SetPayload(new CountingPayload);
    EXPECT_EQ(counting_.Live(), 1) << "SetPayload";
    message->SetHeader(KV_MSG_KIND_INFO, new CountingPayload, kCountingPayloadType, 1, 0, 0);
    EXPECT_EQ(counting_.Live(), 1) << "SetHeader";
    CKvMessage other;
    *message = other;
    EXPECT_EQ(counting_.Live(), 0) << "assignment";
    EXPECT_EQ(message->GetPayload(), nullptr);
    message->SetPayloadType(kCountingPayloadType);
    message->SetPayload(new CountingPayload);
    message->SetPayloadType(0);
    EXPECT_EQ(counting_.Live(), 0) << "type change";
    EXPECT_EQ(message->DestroyPayload(), KV_E_INVALID_POINTER);
}

TEST_F(MessagePayloadTest, FailedPayloadCreationLeavesNoPayloadAndTheFormerType) {
    std::unique_ptr<CKvMessage> message(NewMessageWithCountingPayload(1));
    void* payload = nullptr;
    EXPECT_EQ(message->CreatePayload(payload, 20), 0);
    EXPECT_EQ(payload, nullptr);
    EXPECT_EQ(message->GetPayload(), nullptr);
    EXPECT_EQ(message->GetPayloadType(), kCountingPayloadType);
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(MessagePayloadTest, CopyAssignmentCopiesTheHeaderButNeitherPayloadNorTimer) {
    std::unique_ptr<CKvMessage> source(NewMessageWithCountingPayload(5));
    source->SetKindAndCommand(KV_MSG_KIND_REQUEST, 2, 3);
    source->SetJobIds(10, 11, 12);
    source->SetSpareWord(7);
    source->SetSecondText("b");
    source->GetTimer().SetInterval(1, 0);
    CKvMessage copy;
    copy = *source;
    EXPECT_EQ(copy.GetSubCommand(), 3);
    EXPECT_EQ(copy.GetPayloadType(), kCountingPayloadType);
    EXPECT_EQ(copy.GetPayload(), nullptr);
    EXPECT_EQ(copy.GetOriginatingJobId(), 12u);
    EXPECT_EQ(copy.GetSpareWord(), 7u);
    EXPECT_EQ(copy.GetSecondText(), "b");
    EXPECT_EQ(copy.GetTimer().GetInterval(), kBlankTimerInterval);
    EXPECT_EQ(counting_.Live(), 1);
}

TEST_F(MessagePayloadTest, CloneCopiesThePayloadOrFailsButStillHandsOutTheCopy) {
    std::unique_ptr<CKvMessage> source(NewMessageWithCountingPayload(5));
    CKvMessage* copy = nullptr;
    ASSERT_EQ(source->Clone(copy), KV_OK);
    ASSERT_NE(copy->GetPayload(), nullptr);
    EXPECT_NE(copy->GetPayload(), source->GetPayload());
    EXPECT_EQ(PayloadValue(*copy), 5u);
    copy->Release();

    static constexpr PayloadOperations kNoCopy = {
        []() -> void* { return new CountingPayload; },
        nullptr,
        [](void* payload) { delete static_cast<CountingPayload*>(payload); },
    };
    RegisterPayloadType(kCountingPayloadType, &kNoCopy);
    copy = nullptr;
    EXPECT_EQ(source->Clone(copy), KV_E_FAIL);
    ASSERT_NE(copy, nullptr);
    copy->Release();
    source.reset();
    EXPECT_EQ(counting_.Live(), 0);
}

TEST(Message, SubscriptionMatchingTakesZeroPatternFieldsAsWildcards) {
    CKvMessage message;
    message.SetKindAndCommand(KV_MSG_KIND_INFO, 1, 2);
    message.SetPayloadType(9);
    message.SetSourceEndpoint(10);
    message.SetTargetEndpoint(20);
    const struct {
        const char* name;
        void (*shape)(CKvMessage&);
        KvResult expected;
    } cases[] = {
        {"all zero", [](CKvMessage& p) { p.SetKind(0); }, KV_OK},
        {"kind equal", [](CKvMessage& p) { p.SetKind(KV_MSG_KIND_INFO); }, KV_OK},
        {"kind differs", [](CKvMessage& p) { p.SetKind(KV_MSG_KIND_REQUEST); }, KV_E_FAIL},
        {"command differs", [](CKvMessage& p) { p.SetKindAndCommand(0, 2, 0); }, KV_E_FAIL},
        {"sub-command differs", [](CKvMessage& p) { p.SetKindAndCommand(0, 0, 3); }, KV_E_FAIL},
        {"payload type differs", [](CKvMessage& p) { p.SetKind(0), p.SetPayloadType(8); },
         KV_E_FAIL},
        {"source equal", [](CKvMessage& p) { p.SetKind(0), p.SetSourceEndpoint(10); }, KV_OK},
        {"source differs", [](CKvMessage& p) { p.SetKind(0), p.SetSourceEndpoint(11); }, KV_E_FAIL},
        {"target differs", [](CKvMessage& p) { p.SetKind(0), p.SetTargetEndpoint(21); }, KV_E_FAIL},
        {"subscriber is the target",
         [](CKvMessage& p) { p.SetKind(0), p.SetSubscriberEndpoint(20); }, KV_E_FAIL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CKvMessage pattern;
        pattern.SetSubscriberEndpoint(30);
        c.shape(pattern);
        EXPECT_EQ(message.MatchSubscription(&pattern), c.expected);
    }
    EXPECT_EQ(message.MatchSubscription(nullptr), KV_E_INVALID_POINTER);
}

class MessageSendTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(router_.RegisterThread(kSelf, queue_.GetThreadId(), "self"), KV_OK);
    }

    static constexpr std::uint16_t kSelf = 0x801;
    ScopedCountingPayload counting_;
    TestThreadQueue queue_;
    CKvMessageRouter router_;
};

TEST_F(MessageSendTest, ConfirmationGoesBackToTheRequestSourceWithJobIdsSwapped) {
    auto* message = new CKvMessage;
    message->SetSourceEndpoint(kSelf);
    message->SetJobIds(5, 6, 7);
    message->SetValue(33);
    ASSERT_EQ(message->Send(0x999, 0x42, &router_, 1, false, false), KV_OK);
    UINT number = 0;
    WPARAM kind = 0;
    CKvMessage* arrived = queue_.TakeQueued(&number, &kind);
    ASSERT_EQ(arrived, message);
    EXPECT_EQ(number, kSelf);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_CONFIRMATION));
    EXPECT_EQ(arrived->GetTargetEndpoint(), kSelf);
    EXPECT_EQ(arrived->GetSourceEndpoint(), 0x42);
    EXPECT_EQ(arrived->GetSourceJobId(), 6u);
    EXPECT_EQ(arrived->GetTargetJobId(), 5u);
    EXPECT_EQ(arrived->GetValue(), 33u);
    EXPECT_EQ(arrived->GetTargetName(), "self");

    // SendConfirmation turns a request into its answer the same way.
    arrived->SetKindAndCommand(KV_MSG_KIND_REQUEST, 2, 0);
    arrived->SetSourceEndpoint(kSelf);
    ASSERT_EQ(arrived->SendConfirmation(0x43, &router_, true), KV_OK);
    ASSERT_EQ(queue_.TakeQueued(nullptr, &kind), message);
    EXPECT_EQ(kind, static_cast<WPARAM>(KV_MSG_KIND_CONFIRMATION));
    EXPECT_EQ(message->GetSourceEndpoint(), 0x43);
    message->Release();
}

TEST_F(MessageSendTest, OtherKindsGoToTheTargetWithSourceAndValue) {
    CKvMessage* message = NewMessageWithCountingPayload(3);
    message->SetKind(KV_MSG_KIND_REQUEST);
    ASSERT_EQ(message->Send(kSelf, 0x42, &router_, 77, false, false), KV_OK);
    CKvMessage* arrived = queue_.TakeQueued();
    ASSERT_EQ(arrived, message);
    EXPECT_EQ(arrived->GetSourceEndpoint(), 0x42);
    EXPECT_EQ(arrived->GetValue(), 77u);
    EXPECT_EQ(PayloadValue(*arrived), 3u);
    arrived->Release();
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(MessageSendTest, FailedSendLeavesTheMessageWithTheCallerUnlessAskedToRelease) {
    CKvMessage message;
    EXPECT_EQ(message.Post(1, nullptr, false), KV_E_INVALID_POINTER);
    EXPECT_EQ(message.Send(1, 2, nullptr, 0, false, false), KV_E_INVALID_POINTER);
    CKvMessage* request = NewMessageWithCountingPayload(3);
    request->SetKind(KV_MSG_KIND_REQUEST);
    EXPECT_EQ(request->Post(0x123, &router_, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 1);
    EXPECT_EQ(request->Send(0x123, kSelf, &router_, 0, true, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 0);
    EXPECT_EQ(queue_.GetCount(), 0u);
}
