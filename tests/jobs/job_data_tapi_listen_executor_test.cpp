#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_handler_store.h"
#include "data/data_host.h"
#include "jobs/job_data_tapi_listen.h"
#include "platform/clock.h"
#include "platform/telephony_location.h"
#include "tapi/tapi_payloads.h"
#include "tapi_line_script.h"

namespace {

constexpr std::uint32_t kOffering = 0x2;

CKvDataDevice* NewDevice(const char* number, const char* tapiline, const char* alias) {
    auto* device = new CKvDataDevice;
    std::string text = number;
    device->SetNumber(text);
    device->GetTapiLine() = tapiline;
    device->GetAlias() = alias;
    return device;
}

void AddEntry(KVSTRING_LIST& list, const char* identifier, const char* data = "") {
    std::string key = identifier;
    KVSTRING* entry = nullptr;
    list.CreateEntry(entry, key);
    if (entry != nullptr)
        entry->GetData() = data;
}

class TapiListenExecutorTest : public ::testing::Test {
protected:
    TapiListenExecutorTest()
        : scoped_clock_(clock_),
          router_({KV_ENDPOINT_HOST_MAIN, KV_ENDPOINT_HOST_STATUS, KV_ENDPOINT_NETWORK,
                   KV_ENDPOINT_TAPI_LINES}),
          handler_(router_.Get(), 0x900, KV_TRANSPORT_REMOTE_PEER, nullptr, false) {
        RegisterTapiPayloads();
        client_ = new TestClientJob("10.0.0.7", 4000);
        handler_.AddJob(client_);
        job_ = new CKvJobDataTAPIListen;
        handler_.AddJob(job_);
        job_->SetPeerAddress("10.0.0.7");
        job_->GetPeerComputer().SetPort(4000);
        job_->SetHeader(KV_MSG_KIND_REQUEST, KV_MSG_ATTR_UNSPECIFIED, job_->GetJobId(), 55);
    }

    // Variant A through its general settings and host record, the host
    // listing the device numbers.
    void ReachDevices(std::initializer_list<const char*> numbers) {
        job_->StepExecutor();
        router_.Take();
        auto* general = Deliver<CKvDataGeneral>(*job_, K_KVDT_TP_DTHDLR_DATAGENERAL,
                                                KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        AddEntry(general->GetTapiLines(), "Line A");
        AddEntry(general->GetTapiLines(), "Line B");
        job_->StepExecutor();
        ASSERT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateHost);
        std::uint16_t endpoint = 0;
        MessagePtr request = router_.Take(&endpoint);
        ASSERT_NE(request, nullptr);
        EXPECT_EQ(request->GetPayloadType(), K_KVDT_TP_DTHDLR_DATACOMPUTER);
        EXPECT_EQ(static_cast<CKvDataHost*>(request->GetPayload())->GetHost().GetAddressText(),
                  "10.0.0.7");
        auto* host = Deliver<CKvDataHost>(*job_, K_KVDT_TP_DTHDLR_DATACOMPUTER,
                                          KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
        for (const char* number : numbers)
            host->GetCtiDeviceNumbers().Add(number);
        job_->StepExecutor();
    }

    void AnswerDevice(const char* number, const char* tapiline, const char* alias) {
        CKvDataDevice* device = NewDevice(number, tapiline, alias);
        auto* message = new CKvMessage;
        message->SetHeader(KV_MSG_KIND_CONFIRMATION, device, K_KVDT_TP_DTHDLR_DATADEVICE, 2, 5,
                           KV_MSG_ATTR_DATA_FOUND);
        job_->GetIncomingQueue().Add(message, false);
        job_->StepExecutor();
    }

    // The job texts sent to the requester.
    std::vector<std::string> Texts() {
        std::vector<std::string> texts;
        for (const MessagePtr& message : lines_.others)
            texts.push_back(SentText(message));
        lines_.others.clear();
        return texts;
    }

    ManualClock clock_{1700000000};
    ScopedClock scoped_clock_;
    CapturingRouter router_;
    CKvIMSGJobDataHandler handler_;
    TestClientJob* client_ = nullptr;
    CKvJobDataTAPIListen* job_ = nullptr;
    ScriptedTapiLines lines_;
};

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// ---- Variant A ----

TEST_F(TapiListenExecutorTest, VariantAWatchesTheHostsLinesAndServesItsRequester) {
    ASSERT_NO_FATAL_FAILURE(ReachDevices({"21", "", "22"}));
    ASSERT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateDevices);
    EXPECT_EQ(job_->GetDevicesAsked(), 2u);
    router_.Take();
    router_.Take();
    // One tapiline for two devices: two watches, the entry of the first.
    AnswerDevice("21", "Line A", "desk");
    AnswerDevice("22", " Line A", "");
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 2u);
    EXPECT_EQ(lines_.watches[0].line, "Line A");
    EXPECT_EQ(lines_.watches[0].alias, "desk");
    EXPECT_EQ(lines_.watches[0].subscriber, job_->GetEndpointId());
    EXPECT_EQ(job_->GetLineList().GetCount(), 1u);
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Has(texts[0], "<attribute>ACCEPTED</attribute><idtarget>55</idtarget>"));
    EXPECT_TRUE(Has(texts[0], "<KVSTRING identifier=\"Line A\"><data>21|desk</data></KVSTRING>"));
    EXPECT_EQ(job_->GetIdTarget(), 55u);
    EXPECT_EQ(job_->GetIdSource(), job_->GetJobId());

    // The requester's calls go to the line side one by one.
    auto* report = Deliver<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN,
                                                 KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
    KVTAPICALL* call = nullptr;
    report->GetLineCalls().CreateCall(call, 0x71);
    report->GetLineCalls().CreateCall(call, 0x72);
    // A watched line's calls go to the requester.
    auto* calls = lines_.SendCalls(*job_, "Line A", 3);
    calls->CreateCall(call, 0x73);
    job_->StepExecutor();
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.forwarded.size(), 2u);
    EXPECT_EQ(lines_.forwarded[1].GetHcall(), 0x72u);
    EXPECT_EQ(job_->GetLineCalls().GetCount(), 1u);
    texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Has(texts[0], "<attribute>NOTIFICATION</attribute>"));

    // The requester's ENDED: the watch cancel, then the end.
    Deliver<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN, KV_MSG_KIND_INFO,
                                  KV_MSG_ATTR_ENDED);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 3u);
    EXPECT_EQ(lines_.watches[2].command, 3);
    EXPECT_EQ(lines_.watches[2].line, "");
}

TEST_F(TapiListenExecutorTest, AHostWithoutDevicesIsRefusedWhenTimerOneExpires) {
    ASSERT_NO_FATAL_FAILURE(ReachDevices({}));
    EXPECT_EQ(job_->GetLastResult(), KV_E_FAIL);
    EXPECT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateHost);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateHost);
    clock_.Advance(21000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    lines_.Serve(router_, *job_);
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Has(texts[0], "<attribute>REFUSED</attribute>"));
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    EXPECT_EQ(router_.Count(), 0u);
}

TEST_F(TapiListenExecutorTest, DevicesWithoutAConfiguredLineGiveOneRefusalAndTheEndAtTimerOne) {
    ASSERT_NO_FATAL_FAILURE(ReachDevices({"21", "22"}));
    router_.Take();
    router_.Take();
    AnswerDevice("21", "Line Z", "");
    EXPECT_EQ(job_->GetLastResult(), KV_E_NOT_PRESENT);
    AnswerDevice("22", "Line Y", "");
    EXPECT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateDevices);
    job_->StepExecutor();
    clock_.Advance(21000);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_CLEANUP);
    lines_.Serve(router_, *job_);
    EXPECT_TRUE(lines_.watches.empty());
    EXPECT_EQ(job_->GetLineList().GetCount(), 0u);
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Has(texts[0], "<attribute>REFUSED</attribute>"));
}

TEST_F(TapiListenExecutorTest, WatchesOfAnUnfinishedAnswerAreCancelledAtTheEnd) {
    ASSERT_NO_FATAL_FAILURE(ReachDevices({"21", "22"}));
    router_.Take();
    router_.Take();
    AnswerDevice("21", "Line A", "");
    clock_.Advance(21000);
    job_->StepExecutor();
    job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 2u);
    EXPECT_EQ(lines_.watches[1].command, 3);
    std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(Has(texts[0], "<attribute>REFUSED</attribute>"));
}

// ---- Variant B ----

TEST_F(TapiListenExecutorTest, VariantBAnnouncesEachOfferedCallOnceWithNormalisedNumbers) {
    ScopedTelephonyLocation location({"49", "30", "G", "0FG", "00EFG"});
    job_->GetExecutorVariant() = 1;
    job_->StepExecutor();
    router_.Take();
    auto* general = Deliver<CKvDataGeneral>(*job_, K_KVDT_TP_DTHDLR_DATAGENERAL,
                                            KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    general->GetIsdnCardNumber() = "1";
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), CKvJobDataTAPIListen::kStateDevices);
    EXPECT_EQ(job_->GetCardNumberText(), "1");
    std::uint16_t endpoint = 0;
    MessagePtr all = router_.Take(&endpoint);
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->GetSubCommand(), 10);
    EXPECT_EQ(all->GetPayloadType(), K_KVDT_TP_DTHDLR_DATADEVICE);
    EXPECT_EQ(all->GetPayload(), nullptr);
    // Outside line 0, internal prefix 9, own area 030.
    DiallingRules& rules = job_->GetDiallingRules();
    rules.SetExternalAffixes("0", "");
    rules.SetInternalAffixes("9", "", 2);
    rules.AreaCode() = "030";

    auto* store = Deliver<CKvDataHandlerStore>(*job_, KV_PAYLOAD_DATA_HANDLER_STORE,
                                               KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_DATA_FOUND);
    store->Init(K_KVDT_TP_DTHDLR_DATADEVICE, 1, 20, "DEVICES", nullptr, "DATADEVICE");
    store->Add(NewDevice("921", "Line A|Desk", ""));
    store->Add(NewDevice("22", "Line B", ""));
    store->Add(NewDevice("23", "", ""));
    job_->StepExecutor();
    ASSERT_EQ(job_->GetState(), KV_JOB_STATE_RUNNING);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 2u);
    EXPECT_EQ(lines_.watches[0].line, "Line A");
    EXPECT_EQ(lines_.watches[1].line, "Line B");

    // Two lines report in turn: each offered call is announced once.
    const auto report = [this](const char* line, std::uint32_t hline, std::uint32_t hcall,
                               const char* number) {
        KVTAPICALLSMANAGER* calls = lines_.SendCalls(*job_, line, hline);
        KVTAPICALL* call = nullptr;
        calls->CreateCall(call, hcall);
        call->GetHline() = hline;
        call->GetCalledNumber() = number;
        call->SetState(kOffering);
        job_->StepExecutor();
    };
    std::vector<std::pair<std::string, std::string>> announced;
    const auto collect = [&] {
        std::uint16_t at = 0;
        while (MessagePtr message = router_.Take(&at)) {
            EXPECT_EQ(at, KV_ENDPOINT_HOST_MAIN);
            auto* call = static_cast<CKvDataCall*>(message->GetPayload());
            announced.emplace_back(call->GetPhoneNumber().GetNumber(), call->GetNumberInt());
        }
    };
    for (int round = 0; round < 2; ++round) {
        report("Line A", 1, 0x81, "0302345678");
        collect();
        report("Line B", 2, 0x82, "9 12");
        collect();
    }
    ASSERT_EQ(announced.size(), 2u);
    EXPECT_EQ(announced[0], std::make_pair(std::string("2345678"), std::string("21")));
    EXPECT_EQ(announced[1], std::make_pair(std::string("12"), std::string("22")));
    EXPECT_EQ(job_->GetReceivedNumber(), "12");

    // A line that reports its call gone forgets it; only that line's.
    lines_.SendCalls(*job_, "Line A", 1);
    job_->StepExecutor();
    EXPECT_EQ(job_->GetLineCalls().GetCount(), 1u);
    EXPECT_TRUE(job_->GetLineCalls().HasCall(0x82));

    for (std::int32_t attribute : {KV_MSG_ATTR_SHUTDOWN}) {
        Deliver<CKvJobDataTAPIListen>(*job_, K_KVJBDT_TP_TAPI_LISTEN, KV_MSG_KIND_INFO,
                                      attribute);
    }
    for (int i = 0; i < 3; ++i)
        job_->StepExecutor();
    EXPECT_EQ(job_->GetState(), KV_JOB_STATE_FINISHED);
    lines_.Serve(router_, *job_);
    ASSERT_EQ(lines_.watches.size(), 4u);
    EXPECT_EQ(lines_.watches[2].command, 3);
    EXPECT_EQ(lines_.watches[2].line, "Line A");
    EXPECT_EQ(lines_.watches[3].line, "Line B");
}

} // namespace
