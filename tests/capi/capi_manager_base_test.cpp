#include "capi/capi_manager_base.h"

#include "capi/capi_host.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "capi_test_support.h"
#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "framework/framework_test_support.h"
#include "framework/holder_objects.h"
#include "platform/clock.h"

#include <gtest/gtest.h>

namespace {

// Entry points that keep what is put and answer with a chosen value.
class RecordingCapi final : public CapiEntryPoints {
public:
    DWORD put_result = 0;
    std::vector<Bytes> puts;

    DWORD CAPI_REGISTER(DWORD, DWORD, DWORD, DWORD, DWORD* appl_id) override {
        *appl_id = 1;
        return 0;
    }
    DWORD CAPI_RELEASE(DWORD) override { return 0; }
    DWORD CAPI_PUT_MESSAGE(DWORD, const void* message) override {
        const auto* bytes = static_cast<const std::uint8_t*>(message);
        puts.emplace_back(bytes, bytes + CapiMessageLength(bytes));
        return put_result;
    }
    DWORD CAPI_GET_MESSAGE(DWORD, void**) override { return kCapiReceiveQueueEmpty; }
    DWORD CAPI_WAIT_FOR_SIGNAL(DWORD) override { return 0; }
    DWORD CAPI_GET_MANUFACTURER(char*) override { return 0; }
    DWORD CAPI_GET_VERSION(DWORD*, DWORD*, DWORD*, DWORD*) override { return 0; }
    DWORD CAPI_GET_SERIAL_NUMBER(char*) override { return 0; }
    DWORD CAPI_GET_PROFILE(void*, DWORD) override { return kCapiIllegalController; }
    DWORD CAPI_INSTALLED() override { return 0; }
};

class TestManager final : public CapiManagerBase {
public:
    explicit TestManager(CapiHost* owner = nullptr) : CapiManagerBase(owner) {
        payload_type_ = 0;
    }
    KvResult Run() override { return KV_OK; }
    KvResult Step() override { return KV_OK; }
    const void* AsPayload() const override { return this; }
};

class CapiManagerBaseTest : public RouterFixture {
protected:
    void SetUp() override {
        RouterFixture::SetUp();
        RegisterFrameworkPayloads();
        RegisterCapiPayloads();
        host_.Start();
        manager_.SetRouter(&router_, 2061);
        manager_.SetApplId(host_.GetApplId());
        connection_ = TakeConnection();
    }
    CapiConnection* TakeConnection() {
        manager_.GetConnections().CreateRecords(1, 1u, nullptr);
        CapiConnection* connection = nullptr;
        manager_.GetConnections().Take(connection);
        connection->GetCodec().SetPlci(0x0201);
        return connection;
    }

    ManualClock clock_{1'000'000};
    ScopedClock clock_guard_{clock_};
    RecordingCapi capi_;
    CapiHost host_{&capi_};
    TestManager manager_{&host_};
    CapiConnection* connection_ = nullptr;
};

TEST_F(CapiManagerBaseTest, MessageNumbersComeFromTheOwnerOrTheOwnCounter) {
    TestManager second(&host_);
    EXPECT_EQ(manager_.NextMessageNumber(), 1u);
    EXPECT_EQ(second.NextMessageNumber(), 2u);
    EXPECT_EQ(manager_.NextMessageNumber(), 3u);
    EXPECT_EQ(manager_.GetMessageNumber(), 3u);
    TestManager alone;
    EXPECT_EQ(alone.NextMessageNumber(), 1u);
    EXPECT_EQ(alone.NextMessageNumber(true), 2u);
    alone.SetMessageNumber(0xFFFF);
    EXPECT_EQ(alone.NextMessageNumber(), 0u);
}

TEST_F(CapiManagerBaseTest, RefusedPutFailsAndLeavesTheState) {
    capi_.put_result = kCapiOsResourceError;
    EXPECT_EQ(manager_.SendDisconnectReq(connection_), KV_E_CAPI_INFO);
    EXPECT_EQ(manager_.GetCapiInfo(), kCapiOsResourceError);
    EXPECT_EQ(connection_->GetState(), CapiConnection::kIdle);
    capi_.put_result = 0;
    EXPECT_EQ(manager_.SendDisconnectReq(connection_), KV_OK);
    EXPECT_EQ(connection_->GetState(), CapiConnection::kDisconnectRequested);
    EXPECT_EQ(manager_.SendDisconnectReq(nullptr), KV_E_INVALID_POINTER);
}

TEST_F(CapiManagerBaseTest, ConnectB3RespSetsTheStateByReject) {
    for (std::uint32_t reject : {0u, 1u}) {
        CapiB3Connection* b3 = nullptr;
        ASSERT_EQ(connection_->GetB3Pool().Take(b3), KV_OK);
        b3->GetCodec().Reject() = reject;
        EXPECT_EQ(manager_.SendConnectB3Resp(b3), KV_OK);
        EXPECT_EQ(b3->GetState(), reject == 0 ? 3u : 5u);
    }
}

TEST_F(CapiManagerBaseTest, NumberTooLongForTheMessagePutsNothing) {
    EXPECT_NE(manager_.SendConnectReq(connection_, 1, std::string(40, '1'), "5550"), KV_OK);
    EXPECT_TRUE(capi_.puts.empty());
    EXPECT_EQ(connection_->GetState(), CapiConnection::kIdle);
}

TEST_F(CapiManagerBaseTest, ResponsesRepeatTheIndicationsNumber) {
    manager_.NextMessageNumber();
    const Bytes info = MessageImage().Dword(0x0201).Word(0x8001).Empty().Finish(
        CAPI_INFO, CAPI_IND, 0x1234, 1);
    manager_.GetCodec().DecodeInfoInd(info);
    ASSERT_EQ(manager_.SendInfoResp(), KV_OK);
    const Bytes expected = MessageImage().Dword(0x0201).Finish(CAPI_INFO, CAPI_RESP, 0x1234, 1);
    EXPECT_EQ(capi_.puts.back(), expected);
}

TEST_F(CapiManagerBaseTest, AnswersGoBackToTheRequester) {
    auto* request = new CKvMessage;
    request->SetHeader(KV_MSG_KIND_INFO, nullptr, 28, 1, 5, 0);
    EXPECT_EQ(manager_.ConfirmRequest(request, KV_MSG_ATTR_ACCEPTED, false), KV_OK);
    EXPECT_EQ(queue_.GetCount(), 0u);
    request->SetKind(KV_MSG_KIND_REQUEST);
    request->SetJobIds(40, 41, 42);
    request->SetSourceEndpoint(kSelf);
    std::uint32_t counter = 7;
    ASSERT_EQ(manager_.NotifyRequester(request, kSelf, KV_MSG_ATTR_NOTIFICATION, &counter, false),
              KV_OK);
    CKvMessage* notice = queue_.Take();
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(notice->GetSourceJobId(), 41u);
    EXPECT_EQ(notice->GetTargetJobId(), 40u);
    EXPECT_EQ(notice->GetValue(), 8u);
    notice->Release();
    request->Release();
}

TEST_F(CapiManagerBaseTest, StatusTextWaitsForAnAbsentStatusEndpoint) {
    ASSERT_EQ(manager_.PostStatusText("UIObjString_Status_ERROR_CAPIDLL_nocable"), KV_OK);
    EXPECT_EQ(router_.GetUndeliveredCount(), 1);
    ASSERT_EQ(router_.RegisterThread(0x802, queue_.GetThreadId(), "status"), KV_OK);
    router_.RetryUndelivered();
    UINT number = 0;
    CKvMessage* status = queue_.Take(&number);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(number, 0x802u);
    EXPECT_EQ(status->GetPayloadType(), KV_PAYLOAD_STAMPED_TEXT_RECORD);
    EXPECT_EQ(static_cast<CKvStampedTextRecord*>(status->GetPayload())->text,
              "UIObjString_Status_ERROR_CAPIDLL_nocable");
    EXPECT_EQ(status->GetKind(), KV_MSG_KIND_INFO);
    EXPECT_EQ(status->GetCommand(), 1);
    status->Release();
}

TEST_F(CapiManagerBaseTest, ShutdownStepByConnectionState) {
    enum Sent { kNothing, kDisconnectReq, kRetrieveReq };
    struct Case {
        std::uint32_t state;
        Sent sent;
        bool released;
    };
    const Case cases[] = {
        {0, kNothing, true},       {2, kDisconnectReq, false}, {8, kDisconnectReq, false},
        {9, kRetrieveReq, false},  {11, kRetrieveReq, false},  {5, kNothing, false},
    };
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.state);
        manager_.GetConnections().ReleaseAll();
        CapiConnection* connection = nullptr;
        manager_.GetConnections().Take(connection);
        connection->GetCodec().SetPlci(0x0201);
        connection->SetState(test.state);
        capi_.puts.clear();
        const std::int32_t finished = manager_.Shutdown();
        EXPECT_EQ(finished, test.released ? 1 : 0);
        const std::uint16_t number = manager_.GetMessageNumber();
        if (test.sent == kNothing) {
            EXPECT_TRUE(capi_.puts.empty());
        } else if (capi_.puts.size() != 1) {
            ADD_FAILURE() << "expected one request";
        } else if (test.sent == kDisconnectReq) {
            EXPECT_EQ(capi_.puts[0], MessageImage()
                                         .Dword(0x0201)
                                         .Struct({0, 0, 0, 0, 0})
                                         .Finish(CAPI_DISCONNECT, CAPI_REQ, number, appl_id));
        } else {
            // Supplementary services, retrieve.
            EXPECT_EQ(capi_.puts[0], MessageImage()
                                         .Dword(0x0201)
                                         .Word(3)
                                         .Struct({3, 0, 0})
                                         .Finish(CAPI_FACILITY, CAPI_REQ, number, appl_id));
        }
        // Nothing is sent again while the state stays.
        manager_.Shutdown();
        EXPECT_LE(capi_.puts.size(), 1u);
    }
    EXPECT_EQ(TestManager().Shutdown(), 1);
}

TEST_F(CapiManagerBaseTest, UnconfirmedRequestsEndWithTheConnectionTimer) {
    // CONNECT_REQ unconfirmed: no DISCONNECT_REQ without a PLCI; the record
    // is freed once timer 2 runs out.
    connection_->GetCodec().SetPlci(0);
    ASSERT_EQ(manager_.SendConnectReq(connection_, 16, "0301234", "5550"), KV_OK);
    capi_.puts.clear();
    EXPECT_EQ(manager_.SendDisconnectReq(connection_), KV_OK);
    EXPECT_EQ(connection_->GetState(), CapiConnection::kConnectRequested);
    EXPECT_EQ(manager_.Shutdown(), 0);
    EXPECT_TRUE(capi_.puts.empty());
    clock_.Advance(59'000);
    EXPECT_EQ(manager_.Shutdown(), 0);
    clock_.Advance(1'000);
    EXPECT_EQ(manager_.Shutdown(), 1);
    EXPECT_TRUE(capi_.puts.empty());

    // DISCONNECT_REQ unconfirmed: freed 60 s after the request.
    CapiConnection* second = TakeConnection();
    second->SetState(CapiConnection::kActive);
    EXPECT_EQ(manager_.Shutdown(), 0);
    ASSERT_EQ(capi_.puts.size(), 1u);
    EXPECT_EQ(second->GetState(), CapiConnection::kDisconnectRequested);
    clock_.Advance(59'000);
    EXPECT_EQ(manager_.Shutdown(), 0);
    clock_.Advance(1'000);
    EXPECT_EQ(manager_.Shutdown(), 1);
    EXPECT_EQ(capi_.puts.size(), 1u);
}

TEST_F(CapiManagerBaseTest, ACallClearedBeforeItsPlciIsClearedByTheConfirmation) {
    connection_->GetCodec().SetPlci(0);
    ASSERT_EQ(manager_.SendConnectReq(connection_, 16, "0301234", "5550"), KV_OK);
    const std::uint16_t request = manager_.GetMessageNumber();
    manager_.SendDisconnectReq(connection_);
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    CapiStoredMessage conf;
    conf.bytes = MessageImage().Dword(0x0301).Word(0).Finish(CAPI_CONNECT, CAPI_CONF, request, appl_id);
    capi_.puts.clear();
    manager_.HandleConfirmation(&conf);
    EXPECT_TRUE(conf.handled);
    ASSERT_EQ(capi_.puts.size(), 1u);
    EXPECT_EQ(capi_.puts[0], MessageImage()
                                 .Dword(0x0301)
                                 .Struct({0, 0, 0, 0, 0})
                                 .Finish(CAPI_DISCONNECT, CAPI_REQ, manager_.GetMessageNumber(),
                                         appl_id));
    EXPECT_EQ(connection_->GetState(), CapiConnection::kDisconnectRequested);
}

// A response repeats the indication's number in the connection's codec; a
// confirmation carrying the same number still goes to the request's own
// connection.
TEST_F(CapiManagerBaseTest, AFacilityConfGoesToTheConnectionOfItsRequest) {
    CapiConnection* second = TakeConnection();
    second->GetCodec().SetPlci(0x0301);
    ASSERT_EQ(manager_.SendFacilityReq(second, kCapiFacilityHold, 0), KV_OK);
    const std::uint16_t request = manager_.GetMessageNumber();
    connection_->GetCodec().SetMessageNumber(request);
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    CapiStoredMessage conf;
    conf.bytes = MessageImage()
                     .Dword(0x0301)
                     .Word(0)
                     .Word(3)
                     .Byte(5)
                     .Word(kCapiFacilityHold)
                     .Byte(2)
                     .Word(0x300E)
                     .Finish(CAPI_FACILITY, CAPI_CONF, request, appl_id);
    EXPECT_EQ(manager_.HandleConfirmation(&conf), 0u);
    EXPECT_TRUE(conf.handled);
    EXPECT_EQ(second->GetCodec().Facility().supplementary_service_reason, 0x300Eu);
    EXPECT_EQ(connection_->GetCodec().Facility().supplementary_service_reason, 0u);
    // Matched once: the same confirmation again finds no request.
    conf.handled = false;
    manager_.HandleConfirmation(&conf);
    EXPECT_FALSE(conf.handled);
}

// A transfer reported while the partner call still waits for its CONNECT_CONF
// joins no call of the partner's: at the shutdown only the reported call is
// retrieved, and nothing names PLCI 0.
TEST_F(CapiManagerBaseTest, ATransferLeavesAPartnerWithoutAPlciOutOfIt) {
    connection_->SetState(CapiConnection::kHeld);
    CapiConnection* partner = TakeConnection();
    partner->GetCodec().SetPlci(0);
    partner->SetIdWord(2);
    ASSERT_EQ(manager_.SendConnectReq(partner, 16, "0302222", "5550"), KV_OK);
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    CapiStoredMessage transfer;
    transfer.bytes = MessageImage()
                         .Dword(0x0201)
                         .Word(3)
                         .Byte(5)
                         .Word(kCapiFacilityEct)
                         .Byte(2)
                         .Word(0)
                         .Finish(CAPI_FACILITY, CAPI_IND, 0x40, appl_id);
    manager_.AnswerIndication(&transfer);
    EXPECT_EQ(connection_->GetState(), CapiConnection::kTransferred);
    EXPECT_EQ(partner->GetState(), CapiConnection::kConnectRequested);
    capi_.puts.clear();
    EXPECT_EQ(manager_.Shutdown(), 0);
    ASSERT_EQ(capi_.puts.size(), 1u);
    EXPECT_EQ(capi_.puts[0][kCapiOffsetCommand], CAPI_FACILITY);
    EXPECT_EQ(CapiGetDword(&capi_.puts[0][8]), 0x0201u);
}

// Indications naming PLCI 0 (or an NCCI on it) are no call's: the connection
// waiting for its CONNECT_CONF stays as it is, and the confirmation still
// clears the call it names.
TEST_F(CapiManagerBaseTest, IndicationsForPlciZeroLeaveAnUnconfirmedCallAlone) {
    connection_->GetCodec().SetPlci(0);
    ASSERT_EQ(manager_.SendConnectReq(connection_, 16, "0301234", "5550"), KV_OK);
    const std::uint16_t request = manager_.GetMessageNumber();
    ASSERT_EQ(manager_.SendDisconnectReq(connection_), KV_OK);
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    // CONNECT_IND: CIP value, then eight empty structs.
    MessageImage connect;
    connect.Dword(0).Word(16);
    for (int i = 0; i < 8; ++i)
        connect.Empty();
    const Bytes indications[] = {
        MessageImage().Dword(0).Word(0x3490).Finish(CAPI_DISCONNECT, CAPI_IND, 0x40, appl_id),
        MessageImage().Dword(0).Empty().Empty().Empty().Finish(CAPI_CONNECT_ACTIVE, CAPI_IND, 0x41,
                                                               appl_id),
        MessageImage().Dword(0x10000).Empty().Finish(CAPI_CONNECT_B3, CAPI_IND, 0x42, appl_id),
        connect.Finish(CAPI_CONNECT, CAPI_IND, 0x43, appl_id),
    };
    capi_.puts.clear();
    for (const Bytes& bytes : indications) {
        CapiStoredMessage indication;
        indication.bytes = bytes;
        manager_.AnswerIndication(&indication);
        EXPECT_FALSE(indication.handled);
    }
    EXPECT_TRUE(capi_.puts.empty());
    EXPECT_EQ(connection_->GetState(), CapiConnection::kConnectRequested);
    CapiStoredMessage conf;
    conf.bytes =
        MessageImage().Dword(0x0301).Word(0).Finish(CAPI_CONNECT, CAPI_CONF, request, appl_id);
    manager_.HandleConfirmation(&conf);
    ASSERT_EQ(capi_.puts.size(), 1u);
    EXPECT_EQ(capi_.puts[0][kCapiOffsetCommand], CAPI_DISCONNECT);
    EXPECT_EQ(CapiGetDword(&capi_.puts[0][8]), 0x0301u);
}

// A CONNECT_IND to the own number while listening takes a record of the
// owner's; one naming PLCI 0 is no call and takes nothing.
TEST_F(CapiManagerBaseTest, AConnectIndForPlciZeroTakesNoRecord) {
    host_.GetConnectionTable().CreateRecords(1, 1u, nullptr);
    manager_.SetState(capi_state::kListening);
    manager_.SetText1("5550");
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    for (std::uint32_t plci : {0u, 0x0301u}) {
        SCOPED_TRACE(plci);
        MessageImage connect;
        connect.Dword(plci).Word(16).Struct({0x80, '5', '5', '5', '0'});
        for (int i = 0; i < 7; ++i)
            connect.Empty();
        CapiStoredMessage indication;
        indication.bytes = connect.Finish(CAPI_CONNECT, CAPI_IND, 0x44, appl_id);
        capi_.puts.clear();
        manager_.AnswerIndication(&indication);
        const bool taken = plci != 0;
        EXPECT_EQ(indication.handled, taken);
        EXPECT_EQ(capi_.puts.size(), taken ? 1u : 0u);
        EXPECT_EQ(host_.GetConnectionTable().GetFreeCount(), taken ? 0u : 1u);
        EXPECT_EQ(manager_.GetConnections().InUse().size(), taken ? 2u : 1u);
    }
}

// A DATA_B3_IND cut anywhere between its NCCI and its Data Handle, its
// length word claiming the whole message, is left alone.
TEST_F(CapiManagerBaseTest, ADataB3IndWithoutItsDataHandleIsNotAnswered) {
    CapiB3Connection* b3 = nullptr;
    ASSERT_EQ(connection_->GetB3Pool().Take(b3), KV_OK);
    b3->GetCodec().SetNcci(0x10201);
    const Bytes whole = MessageImage().Dword(0x10201).Dword(0).Word(0).Word(0x66).Word(0).Finish(
        CAPI_DATA_B3, CAPI_IND, 0x45, 1);
    for (std::size_t size = 12; size <= whole.size(); ++size) {
        SCOPED_TRACE(size);
        CapiStoredMessage indication;
        indication.bytes.assign(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        capi_.puts.clear();
        manager_.AnswerIndication(&indication);
        const bool answered = size >= 20;
        EXPECT_EQ(indication.handled, answered);
        EXPECT_EQ(capi_.puts.size(), answered ? 1u : 0u);
    }
    EXPECT_EQ(capi_.puts.back(),
              MessageImage().Dword(0x10201).Word(0x66).Finish(CAPI_DATA_B3, CAPI_RESP, 0x45, 1));
}

// Cut behind its PLCI, a DISCONNECT_IND ends the call as a whole one does,
// with Reason 0; cut inside the PLCI it is left alone.
TEST_F(CapiManagerBaseTest, ADisconnectIndWithItsPlciEndsTheCall) {
    for (std::size_t size : {11u, 12u, 13u}) {
        SCOPED_TRACE(size);
        connection_->SetState(CapiConnection::kActive);
        connection_->GetCodec().Reason() = 0x3490;
        CapiStoredMessage indication;
        indication.bytes =
            MessageImage().Dword(0x0201).Word(0x349A).Finish(CAPI_DISCONNECT, CAPI_IND, 0x46, 1);
        indication.bytes.resize(size);
        capi_.puts.clear();
        manager_.AnswerIndication(&indication);
        const bool answered = size >= 12;
        EXPECT_EQ(indication.handled, answered);
        if (!answered) {
            EXPECT_TRUE(capi_.puts.empty());
            EXPECT_EQ(connection_->GetState(), CapiConnection::kActive);
            continue;
        }
        ASSERT_EQ(capi_.puts.size(), 1u);
        EXPECT_EQ(capi_.puts[0],
                  MessageImage().Dword(0x0201).Finish(CAPI_DISCONNECT, CAPI_RESP, 0x46, 1));
        EXPECT_EQ(connection_->GetState(), CapiConnection::kIdle);
        EXPECT_EQ(connection_->GetCodec().Reason(), 0u);
    }
}

// Timer 2 bounds the wait for CONNECT_CONF only: a call confirmed long ago
// is still cleared by the shutdown, not dropped as if unconfirmed.
TEST_F(CapiManagerBaseTest, AConfirmedCallOutlivesTheConnectionTimer) {
    connection_->GetCodec().SetPlci(0);
    ASSERT_EQ(manager_.SendConnectReq(connection_, 16, "0301234", "5550"), KV_OK);
    const std::uint16_t appl_id = static_cast<std::uint16_t>(host_.GetApplId());
    CapiStoredMessage conf;
    conf.bytes = MessageImage().Dword(0x0301).Word(0).Finish(CAPI_CONNECT, CAPI_CONF,
                                                             manager_.GetMessageNumber(), appl_id);
    manager_.HandleConfirmation(&conf);
    ASSERT_EQ(connection_->GetState(), CapiConnection::kConnectConfirmed);
    clock_.Advance(61'000);
    capi_.puts.clear();
    EXPECT_EQ(manager_.Shutdown(), 0);
    ASSERT_EQ(capi_.puts.size(), 1u);
    EXPECT_EQ(capi_.puts[0],
              MessageImage()
                  .Dword(0x0301)
                  .Struct({0, 0, 0, 0, 0})
                  .Finish(CAPI_DISCONNECT, CAPI_REQ, manager_.GetMessageNumber(), appl_id));
}

TEST_F(CapiManagerBaseTest, ShutdownTimerMovesTransferredToActiveAndOthersToIdle) {
    connection_->SetState(11);
    manager_.Shutdown();
    EXPECT_EQ(connection_->GetState(), 11u);
    EXPECT_EQ(capi_.puts.back()[4], CAPI_FACILITY);
    clock_.Advance(60'000);
    manager_.Shutdown();
    EXPECT_EQ(capi_.puts.back()[4], CAPI_DISCONNECT);
    EXPECT_EQ(connection_->GetState(), CapiConnection::kDisconnectRequested);
    clock_.Advance(60'000);
    EXPECT_EQ(manager_.Shutdown(), 1);
}

TEST_F(CapiManagerBaseTest, CopyCarriesTextsAndARequestHeaderOfItsOwn) {
    auto* original = new CapiListenManager;
    original->SetText2("0301111");
    original->GetEventTime().SetSeconds(99);
    auto* request = new CKvMessage;
    request->SetHeader(KV_MSG_KIND_REQUEST, original, KV_PAYLOAD_CAPI_LISTEN_MANAGER, 1, 5, 0);
    original->SetRequestMessage(request);
    CKvMessage* clone = nullptr;
    ASSERT_EQ(request->Clone(clone), KV_OK);
    auto* copy = static_cast<CapiListenManager*>(clone->GetPayload());
    EXPECT_EQ(copy->GetText2(), "0301111");
    EXPECT_EQ(copy->GetEventTime().GetSeconds(), 99u);
    ASSERT_NE(copy->GetRequestMessage(), nullptr);
    EXPECT_NE(copy->GetRequestMessage(), request);
    EXPECT_EQ(copy->GetRequestMessage()->GetPayload(), copy);
    clone->Release();
    delete original;
}

TEST(CapiManagerBase, DigitsOnlyKeepsTheDigitsInOrder) {
    EXPECT_EQ(CapiManagerBase::DigitsOnly(" +49 (89) 12-34 "), "49891234");
    EXPECT_EQ(CapiManagerBase::DigitsOnly("abc"), "");
}

} // namespace
