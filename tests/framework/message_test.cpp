#include "framework/message.h"

#include "framework_test_support.h"

#include <gtest/gtest.h>

namespace {

// The blank message's timer interval: 0x7FFFFFF seconds in the 32-bit field.
constexpr std::int32_t kBlankTimerInterval = 1073740824;

} // namespace

TEST(Message, NewAndResetMessagesAreBlankConfirmations) {
    CKvMessage message;
    EXPECT_TRUE(message.IsBlank());
    EXPECT_EQ(std::tuple(message.GetKind(), message.GetTimer().GetInterval()),
              std::tuple(KV_MSG_KIND_CONFIRMATION, kBlankTimerInterval));
    message.SetSpareWord(1);
    EXPECT_FALSE(message.IsBlank());
    message.Reset();
    EXPECT_TRUE(message.IsBlank());
    message.SetFirstText("x");
    EXPECT_FALSE(message.IsBlank());
}

TEST(Message, NamesKindsAndAttributesAndMarksUnknownOnes) {
    std::vector<std::string> names;
    for (std::int32_t code : {5, 6, -1})
        names.push_back(CKvMessage::KindName(code));
    for (std::int32_t code : {31, 32, -1})
        names.push_back(CKvMessage::AttributeName(code));
    EXPECT_EQ(names,
              (std::vector<std::string>{"SIGNAL", "ERROR_MSSTPE_UNKNOWN", "ERROR_MSSTPE_UNKNOWN",
                                        "CALL_ECT_ESTABLISHED", "ERROR_ATTRIBUTE_UNKNOWN",
                                        "ERROR_ATTRIBUTE_UNKNOWN"}));
    CKvMessage message;
    message.SetAttribute(KV_MSG_ATTR_ENDED);
    EXPECT_EQ(std::string(message.GetAttributeName()) + message.GetKindName(), "ENDEDCONFIRMATION");
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
    CKvMessage m;
    m.SetKindAndCommand(KV_MSG_KIND_REQUEST, 3, 4);
    m.SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 0, 9, KV_MSG_ATTR_ALIVE);
    EXPECT_EQ(std::tuple(m.GetKind(), m.GetCommand(), m.GetSubCommand(), m.GetAttribute()),
              std::tuple(KV_MSG_KIND_INFO, 3, 4, KV_MSG_ATTR_ALIVE));
    m.SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 2, 1, 0);
    EXPECT_EQ(std::tuple(m.GetCommand(), m.GetSubCommand()), std::tuple(2, 1));
}

using MessagePayloadTest = RouterFixture;

TEST_F(MessagePayloadTest, ReleaseDestroysThePayloadEvenWithAnInvalidHeaderDeleteHeaderOnlyNot) {
    CKvMessage* released = NewMessageWithCountingPayload(1, 7);
    ASSERT_FALSE(released->IsHeaderValid());
    released->Release();
    EXPECT_EQ(counting_.Live(), 0);
    CKvMessage* header_only = NewMessageWithCountingPayload(2, 7);
    void* payload = header_only->GetPayload();
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
    *message = CKvMessage();
    EXPECT_EQ(counting_.Live(), 0) << "assignment";
    EXPECT_EQ(message->GetPayload(), nullptr);
    message->SetPayloadType(kCountingPayloadType);
    message->SetPayload(new CountingPayload);
    message->SetPayloadType(0);
    EXPECT_EQ(counting_.Live(), 0) << "type change";
    EXPECT_EQ(message->DestroyPayload(), KV_E_INVALID_POINTER);

    // A failed creation leaves no payload and the former type.
    message.reset(NewMessageWithCountingPayload(1));
    EXPECT_EQ(message->CreatePayload(payload, 20), 0);
    EXPECT_EQ(std::tuple(payload, message->GetPayload(), message->GetPayloadType()),
              std::tuple(nullptr, nullptr, kCountingPayloadType));
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(MessagePayloadTest, ChangingThePayloadTypeNeverForgetsAPayload) {
    // A payload handed over before its type takes the type.
    std::unique_ptr<CKvMessage> message(new CKvMessage);
    auto* given = new CountingPayload;
    message->SetPayload(given);
    message->SetPayloadType(kCountingPayloadType);
    EXPECT_EQ(std::tuple(message->GetPayload(), counting_.Live()),
              std::tuple(static_cast<void*>(given), 1));
    // A typed payload is destroyed through its own type when the type changes.
    EXPECT_EQ(message->SetPayloadType(KV_PAYLOAD_NAMED_VALUE), KV_OK);
    EXPECT_EQ(std::tuple(message->GetPayload(), counting_.Live()), std::tuple(nullptr, 0));

    // A payload held under a type that cannot destroy it is kept, and so is
    // its type.
    auto* held = new CountingPayload;
    message->SetPayloadType(20);
    ASSERT_EQ(message->SetPayload(held), KV_OK);
    EXPECT_EQ(message->SetPayloadType(kCountingPayloadType), KV_E_NO_CLASS);
    auto* other = new CountingPayload;
    EXPECT_EQ(message->SetPayload(other), KV_E_NO_CLASS);
    EXPECT_EQ(std::tuple(message->GetPayload(), message->GetPayloadType()),
              std::tuple(static_cast<void*>(held), 20));
    delete other;
    message->DeleteHeaderOnly();
    message.release();
    delete held;
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(MessagePayloadTest, CopyAssignmentCopiesTheHeaderButNeitherPayloadNorTimer) {
    std::unique_ptr<CKvMessage> source(NewMessageWithCountingPayload(5, KV_MSG_KIND_REQUEST, 2));
    source->SetJobIds(10, 11, 12);
    source->SetSpareWord(7);
    source->SetSecondText("b");
    source->GetTimer().SetInterval(1, 0);
    CKvMessage c;
    c = *source;
    EXPECT_EQ(std::tuple(c.GetCommand(), c.GetPayloadType(), c.GetOriginatingJobId(),
                         c.GetSpareWord(), c.GetSecondText(), c.GetTimer().GetInterval()),
              std::tuple(2, kCountingPayloadType, 12u, 7u, "b", kBlankTimerInterval));
    EXPECT_EQ(c.GetPayload(), nullptr);
    EXPECT_EQ(counting_.Live(), 1);
}

TEST_F(MessagePayloadTest, CloneCopiesThePayloadOrFailsButStillHandsOutTheCopy) {
    std::unique_ptr<CKvMessage> source(NewMessageWithCountingPayload(5));
    CKvMessage* copy = nullptr;
    ASSERT_EQ(source->Clone(copy), KV_OK);
    EXPECT_NE(copy->GetPayload(), source->GetPayload());
    EXPECT_EQ(PayloadValue(*copy), 5u);
    copy->Release();
    RegisterPayloadType(kCountingPayloadType, &kCountingPayloadWithoutCopy);
    copy = nullptr;
    EXPECT_EQ(source->Clone(copy), KV_E_FAIL);
    ASSERT_NE(copy, nullptr);
    copy->Release();
    source.reset();
    EXPECT_EQ(counting_.Live(), 0);
}

TEST(Message, SubscriptionMatchingTakesZeroPatternFieldsAsWildcards) {
    CKvMessage message;
    message.SetHeader(KV_MSG_KIND_INFO, nullptr, 9, 1, 2, 0);
    message.SetSourceEndpoint(10);
    message.SetTargetEndpoint(20);
    const struct {
        const char* name;
        void (*shape)(CKvMessage&);
        KvResult expected;
    } cases[] = {
        {"all zero", [](CKvMessage& p) { p.SetKind(0); }, KV_OK},
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

using MessageSendTest = RouterFixture;

TEST_F(MessageSendTest, ConfirmationGoesBackToTheRequestSourceOtherKindsToTheTarget) {
    auto* message = new CKvMessage;
    message->SetSourceEndpoint(kSelf);
    message->SetJobIds(5, 6, 7);
    message->SetValue(33); // a confirmation keeps its value
    ASSERT_EQ(message->Send(0x999, 0x42, &router_, 1, false, false), KV_OK);
    UINT number = 0;
    WPARAM kind = 0;
    CKvMessage* m = queue_.Take(&number, &kind);
    ASSERT_EQ(m, message);
    EXPECT_EQ(std::tuple(number, kind, m->GetTargetEndpoint(), m->GetSourceEndpoint(),
                         m->GetSourceJobId(), m->GetTargetJobId(), m->GetValue(),
                         m->GetTargetName()),
              std::tuple(UINT{kSelf}, WPARAM{KV_MSG_KIND_CONFIRMATION}, kSelf, std::uint16_t{0x42},
                         6u, 5u, 33u, "self"));

    // SendConfirmation turns a request into its answer the same way.
    m->SetKindAndCommand(KV_MSG_KIND_REQUEST, 2, 0);
    m->SetSourceEndpoint(kSelf);
    ASSERT_EQ(m->SendConfirmation(0x43, &router_, true), KV_OK);
    ASSERT_EQ(queue_.Take(nullptr, &kind), message);
    EXPECT_EQ(std::tuple(kind, m->GetSourceEndpoint()),
              std::tuple(WPARAM{KV_MSG_KIND_CONFIRMATION}, std::uint16_t{0x43}));
    message->Release();

    message = NewMessageWithCountingPayload(3, KV_MSG_KIND_REQUEST);
    ASSERT_EQ(message->Send(kSelf, 0x42, &router_, 77, false, false), KV_OK);
    ASSERT_EQ(queue_.Take(), message);
    EXPECT_EQ(std::tuple(message->GetSourceEndpoint(), message->GetValue(), PayloadValue(*message)),
              std::tuple(std::uint16_t{0x42}, 77u, 3u));
    message->Release();
    EXPECT_EQ(counting_.Live(), 0);
}

TEST_F(MessageSendTest, FailedSendLeavesTheMessageWithTheCallerUnlessAskedToRelease) {
    CKvMessage message;
    EXPECT_EQ(message.Post(1, nullptr, false), KV_E_INVALID_POINTER);
    EXPECT_EQ(message.Send(1, 2, nullptr, 0, false, false), KV_E_INVALID_POINTER);
    CKvMessage* request = NewMessageWithCountingPayload(3, KV_MSG_KIND_REQUEST);
    EXPECT_EQ(request->Post(0x123, &router_, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 1);
    EXPECT_EQ(request->Send(0x123, kSelf, &router_, 0, true, false), KV_E_FAIL);
    EXPECT_EQ(counting_.Live(), 0);
    EXPECT_EQ(queue_.GetCount(), 0u);
}
