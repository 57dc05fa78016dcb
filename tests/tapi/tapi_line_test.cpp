// The line thread driven on the test's own thread: its entry points and idle
// hook are called directly on a manual clock, TAPI events are converted as the
// host converts them, and what the line sends arrives in the test's queue.

#include "tapi/tapi_line.h"

#include "core/handle_table.h"
#include "framework/framework_payloads.h"
#include "framework/framework_test_support.h"
#include "framework/named_value.h"
#include "platform/tapi/simulated_tapi.h"
#include "platform/tapi/tapi_line_service.h"
#include "tapi/tapi_line_data.h"
#include "tapi/tapi_line_host.h"
#include "tapi/tapi_payloads.h"
#include "tapi/tapi_test_support.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kSelf = 0x900;
constexpr std::uint16_t kLineEndpoint = 0xA00;

class TapiLineTest : public TapiClockTest {
protected:
    void SetUp() override {
        RegisterFrameworkPayloads();
        RegisterTapiPayloads();
        ASSERT_EQ(router_.Init(&GetHandleTable()), KV_OK);
        ASSERT_EQ(router_.RegisterThread(kSelf, queue_.GetThreadId(), "self"), KV_OK);
    }
    void TearDown() override {
        if (app_ != 0)
            lineShutdown(app_);
    }

    void Initialize(std::vector<SimulatedLineDevice> devices) {
        for (const SimulatedLineDevice& device : devices)
            service_.AddDevice(device);
        LineInitializeExParams params;
        DWORD count = 0;
        DWORD version = 0x00020002u;
        ASSERT_EQ(lineInitializeExA(&app_, "test", &count, &version, &params), 0);
        record_ = TapiHostRecord(app_, 0x00020002u, count, 0);
    }

    // Opens "Line A" on device 1 with the creation request from kSelf.
    void Open(DWORD features = 0xFFFFFFFFu) {
        Initialize({{.device_id = 1, .name = "Line A", .address_call_features = features}});
        ASSERT_TRUE(Start("Line A"));
        Release(Take());
    }

    bool Start(const std::string& name) {
        line_.SetName(name);
        line_.SetHostRecord(&record_);
        line_.SetRouter(&router_, kLineEndpoint);
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, &line_, KV_PAYLOAD_TAPI_LINE, 1, 5, 0);
        request->SetSourceEndpoint(kSelf);
        line_.SetPendingRequest(request);
        return line_.OnInitInstance();
    }

    // TAPI's waiting messages into the line, then one run of the idle hook.
    bool Run() {
        LineMessage message;
        while (lineGetMessage(app_, &message, 0) == 0) {
            KVTAPILINEMESSAGE* payload = nullptr;
            if (message.message_id == LINE_REPLY)
                payload = NewLineReplyMessage(message);
            else if (message.message_id == LINE_CALLSTATE)
                payload = NewLineCallStateMessage(message);
            if (payload == nullptr)
                continue;
            auto* posted = new CKvMessage;
            posted->SetHeader(KV_MSG_KIND_REQUEST, payload, KV_PAYLOAD_TAPI_LINE_MESSAGE, 1, 5, 0);
            line_.OnRequest(posted);
        }
        return line_.OnIdleHook(0);
    }
    // A LINE_CALLSTATE made up for a call handle.
    void Inject(HCALL hcall, DWORD state) {
        auto* payload = new KVTAPILINEMESSAGE;
        payload->GetMessage() = LINE_CALLSTATE;
        payload->GetCallHandle() = hcall;
        payload->GetCallState() = state;
        payload->GetSecondNumber() = "0897";
        Post(KV_MSG_KIND_REQUEST, payload, KV_PAYLOAD_TAPI_LINE_MESSAGE);
    }
    // Runs every 50 ms of clock.
    void RunFor(std::uint32_t milliseconds) {
        for (std::uint32_t spent = 0; spent < milliseconds; spent += 50) {
            Run();
            clock_.Advance(50);
        }
        Run();
    }

    void Post(std::int32_t kind, void* payload, std::int32_t type, std::uint32_t job_id = 0) {
        auto* message = new CKvMessage;
        message->SetHeader(kind, payload, type, 1, 5, 0);
        message->SetSourceEndpoint(kSelf);
        message->SetJobIds(0, job_id, 0);
        if (kind == KV_MSG_KIND_INFO)
            line_.OnInfo(message);
        else
            line_.OnRequest(message);
    }
    void MakeCall(const std::string& number, std::uint32_t job_id = 7) {
        Post(KV_MSG_KIND_REQUEST, new CKvNamedValue(kTapiMakeCallCommand, number),
             KV_PAYLOAD_NAMED_VALUE, job_id);
    }
    void MakeConference() {
        Post(KV_MSG_KIND_REQUEST, new CKvNamedValue(kTapiMakeConferenceCommand, ""),
             KV_PAYLOAD_NAMED_VALUE);
    }
    void CallRequest(HCALL hcall, std::uint32_t function, std::int32_t kind = KV_MSG_KIND_REQUEST) {
        auto* call = new KVTAPICALL;
        call->GetHcall() = hcall;
        call->GetKvTapiFunc() = function;
        Post(kind, call, KV_PAYLOAD_TAPI_CALL);
    }
    void Watch(std::int32_t type, void* payload = nullptr, std::uint32_t job_id = 0) {
        auto* signal = new CKvMessage;
        signal->SetHeader(KV_MSG_KIND_SIGNAL, payload, type, 1, 5, 0);
        signal->SetSubscriberEndpoint(kSelf);
        signal->SetJobIds(0, job_id, 0);
        line_.OnSignal(signal);
    }

    CKvMessage* Take() { return queue_.Take(); }
    static void Release(CKvMessage* message) {
        if (message != nullptr)
            message->Release();
    }
    // Every message waiting, released; their kinds and attributes.
    std::vector<std::pair<std::int32_t, std::int32_t>> TakeAll() {
        std::vector<std::pair<std::int32_t, std::int32_t>> taken;
        while (CKvMessage* message = Take()) {
            taken.emplace_back(message->GetKind(), message->GetAttribute());
            message->Release();
        }
        return taken;
    }
    // The confirmations among the waiting messages, released.
    std::vector<std::int32_t> Confirmations() {
        std::vector<std::int32_t> attributes;
        for (auto [kind, attribute] : TakeAll()) {
            if (kind == KV_MSG_KIND_CONFIRMATION)
                attributes.push_back(attribute);
        }
        return attributes;
    }

    // A placed call, connected; its handle.
    HCALL ConnectedCall(const std::string& number) {
        MakeCall(number);
        RunFor(1000);
        KVTAPICALL* call = nullptr;
        EXPECT_EQ(line_.GetCallsManager().FindCallByCalledNumber(call, number), KV_OK);
        const HCALL hcall = call != nullptr ? call->GetHcall() : 0;
        service_.FarEndAnswer(hcall);
        RunFor(500);
        TakeAll();
        return hcall;
    }

    // The requests the line made of the service since the log was last
    // cleared, each with its call handles, address and mode, and "id" for a
    // request id or the error it got.
    std::vector<std::string> Requests() {
        std::vector<std::string> texts;
        for (const TapiRequestRecord& record : service_.GetRequestLog())
            texts.push_back(Request(record.function, record.hcall, record.second_call,
                                    record.address, record.mode,
                                    record.result > 0 ? "id" : Format("%d", record.result)));
        service_.ClearRequestLog();
        return texts;
    }
    static std::string Request(TapiFunction function, HCALL hcall, HCALL second_call = 0,
                               const std::string& address = "", DWORD mode = 0,
                               const std::string& result = "id") {
        return Format("%s %X %X '%s' %u %s", std::string(TapiFunctionName(function)).c_str(),
                      hcall, second_call, address.c_str(), mode, result.c_str());
    }
    KVTAPICALL* Call(HCALL hcall) {
        KVTAPICALL* call = nullptr;
        line_.GetCallsManager().FindCall(call, hcall);
        return call;
    }
    std::uint32_t StateOf(HCALL hcall) {
        KVTAPICALL* call = Call(hcall);
        return call != nullptr ? call->GetState() : 0u;
    }
    // The first call of the line that is none of those known.
    HCALL CallBesides(const std::vector<HCALL>& known) {
        KVTAPICALLSMANAGER::Position position = 0;
        if (!line_.GetCallsManager().GetStartPosition(position))
            return 0;
        while (KVTAPICALL* call = line_.GetCallsManager().GetNextCall(position)) {
            if (std::find(known.begin(), known.end(), call->GetHcall()) == known.end())
                return call->GetHcall();
        }
        return 0;
    }

    // A conference of three as a user makes it: A connected, B placed (which
    // holds A) and joined with A; then C placed (which holds that conference
    // call) and joined with it into a second conference call.
    struct ConferenceOfThree {
        std::vector<HCALL> parties;     // A, B, C
        std::vector<HCALL> conferences; // the first, then the one C joined
    };
    ConferenceOfThree MakeConferenceOfThree(int round) {
        ConferenceOfThree made;
        made.parties.push_back(ConnectedCall(Format("1%02d", round)));
        made.parties.push_back(ConnectedCall(Format("2%02d", round)));
        MakeConference();
        RunFor(500);
        made.conferences.push_back(CallBesides(made.parties));
        made.parties.push_back(ConnectedCall(Format("3%02d", round)));
        MakeConference();
        RunFor(500);
        std::vector<HCALL> known = made.parties;
        known.push_back(made.conferences.front());
        made.conferences.push_back(CallBesides(known));
        TakeAll();
        std::vector<std::uint32_t> states;
        for (HCALL hcall : made.parties)
            states.push_back(StateOf(hcall));
        for (HCALL hcall : made.conferences)
            states.push_back(StateOf(hcall));
        EXPECT_EQ(states, (std::vector<std::uint32_t>{
                              LINECALLSTATE_CONFERENCED, LINECALLSTATE_CONFERENCED,
                              LINECALLSTATE_CONFERENCED, LINECALLSTATE_CONFERENCED,
                              LINECALLSTATE_CONNECTED}));
        return made;
    }

    TestThreadQueue queue_;
    CKvMessageRouter router_;
    SimulatedTapi service_;
    ScopedSimulatedTapi installed_{service_};
    HLINEAPP app_ = 0;
    TapiHostRecord record_;
    CKvTAPILine line_;
};

// ---- Opening ----

struct DeviceCase {
    std::string name;
    DWORD string_format;
    DWORD line_features;
    bool opens;
};

TEST_F(TapiLineTest, FindsTheDeviceByItsTrimmedAsciiName) {
    const DeviceCase cases[] = {
        {"  Line A \t", STRINGFORMAT_ASCII, LINEFEATURE_MAKECALL, true},
        {"line a", STRINGFORMAT_ASCII, LINEFEATURE_MAKECALL, false},
        {"Line A", STRINGFORMAT_ASCII, LINEFEATURE_FORWARD, false},
        {"Line A", STRINGFORMAT_UNICODE, LINEFEATURE_MAKECALL, false},
        {std::string("Line A\0garbage", 14), STRINGFORMAT_ASCII, LINEFEATURE_MAKECALL, true},
        {"Line AB", STRINGFORMAT_ASCII, LINEFEATURE_MAKECALL, false},
    };
    for (const DeviceCase& entry : cases) {
        SCOPED_TRACE(entry.name.c_str());
        SimulatedTapi service;
        ScopedSimulatedTapi installed(service);
        service.AddDevice({.device_id = 0, .name = "Other"});
        // Count 2: the scan reaches device id 20.
        service.AddDevice({.device_id = 20,
                           .name = entry.name,
                           .string_format = entry.string_format,
                           .line_features = entry.line_features});
        LineInitializeExParams params;
        HLINEAPP app = 0;
        DWORD count = 0;
        DWORD version = 0x00020002u;
        ASSERT_EQ(lineInitializeExA(&app, "test", &count, &version, &params), 0);
        TapiHostRecord record(app, 0x00020002u, count, 0);
        CKvTAPILine line;
        line.SetName("Line A");
        line.SetHostRecord(&record);
        line.SetRouter(&router_, kLineEndpoint);
        auto* request = new CKvMessage;
        request->SetHeader(KV_MSG_KIND_REQUEST, &line, KV_PAYLOAD_TAPI_LINE, 1, 5, 0);
        request->SetSourceEndpoint(kSelf);
        line.SetPendingRequest(request);
        EXPECT_EQ(line.OnInitInstance(), entry.opens);
        EXPECT_EQ(line.GetDeviceId(), entry.opens ? 20u : 0u);
        CKvMessage* answer = Take();
        ASSERT_NE(answer, nullptr);
        EXPECT_EQ(answer->GetAttribute(), entry.opens ? KV_MSG_ATTR_ACCEPTED : KV_MSG_ATTR_REFUSED);
        EXPECT_EQ(answer->GetValue(), 1u);
        ASSERT_NE(answer->GetPayload(), nullptr);
        EXPECT_NE(answer->GetPayload(), &line);
        EXPECT_EQ(static_cast<CKvTAPILine*>(answer->GetPayload())->GetName(), "Line A");
        answer->Release();
        EXPECT_EQ(Take(), nullptr);
        EXPECT_EQ(line.GetPendingRequest(), nullptr);
        line.OnExitInstance();
        lineShutdown(app);
    }
}

TEST_F(TapiLineTest, OpenRetriesOnTheClock) {
    Initialize(
        {{.device_id = 1, .name = "Line A", .address_caps_failures = 2, .open_failures = 3}});
    const std::uint32_t start = clock_.TickMs();
    ASSERT_TRUE(Start("Line A"));
    // Two address-caps retries of 50 ms, three open retries of 100 ms.
    EXPECT_EQ(clock_.TickMs() - start, 400u);
    EXPECT_NE(line_.GetLineHandle(), 0u);
    EXPECT_EQ(line_.GetCallsManager().GetIdentifier(), "Line A");
    Release(Take());
    line_.OnExitInstance();
    EXPECT_EQ(line_.GetLineHandle(), 0u);
}

TEST_F(TapiLineTest, WithoutTapiTheLineIsRefused) {
    Initialize({{.device_id = 1, .name = "Line A"}});
    record_ = TapiHostRecord();
    EXPECT_FALSE(Start("Line A"));
    CKvMessage* answer = Take();
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->GetAttribute(), KV_MSG_ATTR_REFUSED);
    answer->Release();
}

// ---- Outgoing calls ----

TEST_F(TapiLineTest, PlacesACallAndReportsItsStates) {
    Open();
    Watch(KV_PAYLOAD_TAPI_CALL, new KVTAPICALL);
    Watch(KV_PAYLOAD_TAPI_CALLS_MANAGER, new KVTAPICALLSMANAGER);
    MakeCall("  0301234 ");
    RunFor(300);
    const auto log = service_.GetRequestLog();
    const auto made = std::find_if(log.begin(), log.end(), [](const TapiRequestRecord& record) {
        return record.function == TapiFunction::kMakeCall;
    });
    ASSERT_NE(made, log.end());
    EXPECT_EQ(made->address, "0301234");
    LineCallParams expected{.bearer_mode = 1,
                            .media_mode = 4,
                            .call_param_flags = 2,
                            .address_mode = 1,
                            .address_id = 0,
                            .displayable_address = "0301234"};
    EXPECT_EQ(made->call_params, expected);

    int accepted = 0;
    std::vector<std::uint32_t> updates;
    int managers = 0;
    int watched = 0;
    auto collect = [&] {
        while (CKvMessage* message = Take()) {
            auto* call = static_cast<KVTAPICALL*>(message->GetPayload());
            if (message->GetKind() == KV_MSG_KIND_CONFIRMATION) {
                EXPECT_EQ(message->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
                ++accepted;
            } else if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
                ++managers;
            } else if (message->GetCommand() == 1 && message->GetSubCommand() == 5 &&
                       message->GetSourceJobId() == 7) {
                updates.push_back(call->GetState());
            } else {
                ++watched;
            }
            message->Release();
        }
    };
    collect();
    EXPECT_EQ(accepted, 1);
    KVTAPICALL* placed = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCallByCalledNumber(placed, "0301234"), KV_OK);
    EXPECT_EQ(placed->GetMadeByThisLine(), 1u);
    const HCALL hcall = placed->GetHcall();
    RunFor(500);
    EXPECT_EQ(service_.FarEndAnswer(hcall), 0);
    RunFor(500);
    service_.FarEndHangUp(hcall);
    RunFor(1000);
    collect();
    ASSERT_FALSE(updates.empty());
    EXPECT_EQ(updates.back(), LINECALLSTATE_IDLE);
    EXPECT_NE(std::find(updates.begin(), updates.end(), LINECALLSTATE_RINGBACK), updates.end());
    EXPECT_NE(std::find(updates.begin(), updates.end(), LINECALLSTATE_CONNECTED), updates.end());
    EXPECT_NE(std::find(updates.begin(), updates.end(), LINECALLSTATE_DISCONNECTED), updates.end());
    EXPECT_EQ(watched, static_cast<int>(updates.size()));
    EXPECT_GT(managers, 0);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
    EXPECT_EQ(line_.GetRequestRegistry().GetCount(), 0u);
    bool dropped = false;
    for (const TapiRequestRecord& record : service_.GetRequestLog())
        dropped |= record.function == TapiFunction::kDrop && record.hcall == hcall;
    EXPECT_TRUE(dropped);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, ACallRequestToDialIsAnsweredWithItsHandle) {
    Open();
    auto* request = new KVTAPICALL;
    request->GetKvTapiFunc() = KV_TAPIFUNC_MAKE_CALL;
    request->GetCalledNumber() = " 0301 ";
    Post(KV_MSG_KIND_REQUEST, request, KV_PAYLOAD_TAPI_CALL, 9);
    RunFor(300);
    CKvMessage* answer = Take();
    // The call's first update may come first.
    while (answer != nullptr && answer->GetKind() != KV_MSG_KIND_CONFIRMATION) {
        answer->Release();
        answer = Take();
    }
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->GetAttribute(), KV_MSG_ATTR_ACCEPTED);
    KVTAPICALL* placed = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCallByCalledNumber(placed, "0301"), KV_OK);
    EXPECT_EQ(static_cast<KVTAPICALL*>(answer->GetPayload())->GetHcall(), placed->GetHcall());
    EXPECT_EQ(placed->GetWmIdNotif(), kSelf);
    EXPECT_EQ(placed->GetIdTargetNotif(), 9u);
    answer->Release();
    TakeAll();
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, RefusesCallsItCannotPlace) {
    Open();
    MakeCall(std::string(61, '1'));
    RunFor(200);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    service_.SetReplyPolicy(1, TapiFunction::kMakeCall, {.mode = ReplyMode::kFailInReply});
    MakeCall("123");
    RunFor(200);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    EXPECT_EQ(line_.GetRequestState(), 0u);
    service_.SetReplyPolicy(1, TapiFunction::kMakeCall, {});
    for (std::uint32_t i = 0; i < KVTAPICALLSMANAGER::kCapacity; ++i) {
        KVTAPICALL* call = nullptr;
        ASSERT_EQ(line_.GetCallsManager().CreateCall(call, 0x900000 + i), KV_OK);
    }
    MakeCall("456");
    RunFor(200);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    line_.GetCallsManager().RemoveAllCalls();
    const HLINE hline = line_.GetLineHandle();
    line_.GetLineHandle() = 0;
    MakeCall("789");
    RunFor(200);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    line_.GetLineHandle() = hline;
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, HoldsTheConnectedCallBeforeDiallingAndNeverDialsTwice) {
    Open();
    const HCALL first = ConnectedCall("111");
    ASSERT_NE(first, 0u);
    MakeCall("222");
    RunFor(1000);
    KVTAPICALL* call = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCall(call, first), KV_OK);
    EXPECT_EQ(call->GetState(), LINECALLSTATE_ONHOLD);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 2u);
    TakeAll();
    MakeCall("222");
    RunFor(500);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 2u);
    line_.OnExitInstance();
}

// ---- Requests on calls ----

// A consultation: the first call connected, then the second placed, which
// holds the first.
TEST_F(TapiLineTest, AConferenceJoinsTheConsultationAndItsHeldCall) {
    Open();
    const HCALL first = ConnectedCall("111");
    // With no call on hold there is nothing to join.
    Requests();
    MakeConference();
    RunFor(300);
    EXPECT_TRUE(Requests().empty());
    EXPECT_EQ(line_.GetRequestState(), 0u);
    const HCALL second = ConnectedCall("222");
    ASSERT_EQ(StateOf(first), LINECALLSTATE_ONHOLD);
    Requests();
    MakeConference();
    RunFor(500);
    EXPECT_EQ(Requests(), std::vector<std::string>{Request(TapiFunction::kCompleteTransfer, second,
                                                           first, "", LINETRANSFERMODE_CONFERENCE)});
    EXPECT_EQ(StateOf(first), LINECALLSTATE_CONFERENCED);
    EXPECT_EQ(StateOf(second), LINECALLSTATE_CONFERENCED);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 3u);
    // The command is not answered.
    EXPECT_TRUE(Confirmations().empty());

    // One party leaves the conference.
    CallRequest(first, KV_TAPIFUNC_REMOVE_FROM_CONFERENCE);
    RunFor(500);
    EXPECT_EQ(Requests(),
              std::vector<std::string>{Request(TapiFunction::kRemoveFromConference, first)});
    EXPECT_EQ(StateOf(first), LINECALLSTATE_CONNECTED);
    EXPECT_EQ(line_.GetRequestState(), 0u);
    line_.OnExitInstance();
}

// A call put on hold before the consultation began stays out of the
// conference while the call the consultation held is there. A later
// make-call that held nothing leaves no consulted call: the first call on
// hold is joined.
enum class HeldCase { kConsultedHeld, kConsultedGone, kLaterCallHeldNothing };

class TapiLineConferenceTest : public TapiLineTest,
                               public ::testing::WithParamInterface<HeldCase> {};

TEST_P(TapiLineConferenceTest, TakesAnotherHeldCallOnlyWhenTheConsultedOneIsGone) {
    Open();
    const HCALL earlier = ConnectedCall("100");
    CallRequest(earlier, KV_TAPIFUNC_HOLD_TOGGLE);
    RunFor(500);
    ASSERT_EQ(StateOf(earlier), LINECALLSTATE_ONHOLD);
    const HCALL consulted = ConnectedCall("111");
    HCALL consultation = ConnectedCall("222");
    ASSERT_EQ(StateOf(consulted), LINECALLSTATE_ONHOLD);
    const HCALL hung_up = GetParam() == HeldCase::kConsultedGone          ? consulted
                          : GetParam() == HeldCase::kLaterCallHeldNothing ? consultation
                                                                          : 0;
    if (hung_up != 0) {
        service_.FarEndHangUp(hung_up);
        RunFor(1000);
        ASSERT_EQ(Call(hung_up), nullptr);
    }
    if (GetParam() == HeldCase::kLaterCallHeldNothing) {
        consultation = ConnectedCall("333");
        ASSERT_EQ(StateOf(consultation), LINECALLSTATE_CONNECTED);
    }
    Requests();
    MakeConference();
    RunFor(500);
    const HCALL joined = GetParam() == HeldCase::kConsultedHeld ? consulted : earlier;
    EXPECT_EQ(Requests(), std::vector<std::string>{Request(TapiFunction::kCompleteTransfer,
                                                           consultation, joined, "",
                                                           LINETRANSFERMODE_CONFERENCE)});
    EXPECT_EQ(StateOf(joined), LINECALLSTATE_CONFERENCED);
    line_.OnExitInstance();
}

INSTANTIATE_TEST_SUITE_P(Held, TapiLineConferenceTest,
                         ::testing::Values(HeldCase::kConsultedHeld, HeldCase::kConsultedGone,
                                           HeldCase::kLaterCallHeldNothing));

TEST_F(TapiLineTest, TransferAndSwapHoldActOnTheHeldCallAndTheConnectedOne) {
    Open();
    const HCALL first = ConnectedCall("111");
    const HCALL second = ConnectedCall("222");
    Requests();
    // Swap: the connected call goes on hold, the held one comes back.
    CallRequest(first, KV_TAPIFUNC_SWAP_HOLD);
    RunFor(500);
    EXPECT_EQ(Requests(),
              std::vector<std::string>{Request(TapiFunction::kSwapHold, second, first)});
    EXPECT_EQ(StateOf(first), LINECALLSTATE_CONNECTED);
    EXPECT_EQ(StateOf(second), LINECALLSTATE_ONHOLD);
    // Transfer joins the two parties and leaves the line.
    CallRequest(second, KV_TAPIFUNC_TRANSFER);
    RunFor(1000);
    EXPECT_EQ(Requests(), (std::vector<std::string>{
                              Request(TapiFunction::kCompleteTransfer, first, second, "",
                                      LINETRANSFERMODE_TRANSFER),
                              Request(TapiFunction::kDeallocateCall, first, 0, "", 0, "0"),
                              Request(TapiFunction::kDeallocateCall, second, 0, "", 0, "0"),
                          }));
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
    line_.OnExitInstance();
}

// Only a call in a conference can leave it: a connected or a held call asks
// nothing of the line.
TEST_F(TapiLineTest, RemoveFromConferenceTakesOnlyAConferencedCall) {
    Open();
    const HCALL held = ConnectedCall("111");
    const HCALL connected = ConnectedCall("222");
    ASSERT_EQ(StateOf(held), LINECALLSTATE_ONHOLD);
    ASSERT_EQ(StateOf(connected), LINECALLSTATE_CONNECTED);
    Requests();
    for (HCALL hcall : {connected, held}) {
        CallRequest(hcall, KV_TAPIFUNC_REMOVE_FROM_CONFERENCE);
        RunFor(300);
        EXPECT_TRUE(Requests().empty()) << hcall;
        EXPECT_EQ(line_.GetRequestState(), 0u);
    }
    line_.OnExitInstance();
}

// Each conference call ends once its parties are gone: the first when A and
// B hang up, the second when C and the first have gone. Twenty rounds leave
// the line no call and take it nowhere near its 32.
TEST_F(TapiLineTest, ConferencesOfThreeEndOnceTheirPartiesHangUp) {
    Open();
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        const ConferenceOfThree conference = MakeConferenceOfThree(round);
        for (HCALL party : conference.parties) {
            ASSERT_EQ(service_.FarEndHangUp(party), 0);
            RunFor(1000);
        }
        EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
        for (HCALL hcall : conference.conferences) {
            LineCallStatus status;
            EXPECT_EQ(lineGetCallStatus(hcall, &status), LINEERR_INVALCALLHANDLE) << hcall;
        }
    }
    const HCALL after = ConnectedCall("999");
    EXPECT_EQ(StateOf(after), LINECALLSTATE_CONNECTED);
    line_.OnExitInstance();
}

// A drop request on the conference call C joined ends the first conference
// call and every party with it; the watcher sees each of the five go IDLE.
TEST_F(TapiLineTest, DroppingTheLastConferenceCallEndsEveryCallOfIt) {
    Open();
    Watch(KV_PAYLOAD_TAPI_CALL, new KVTAPICALL);
    const ConferenceOfThree conference = MakeConferenceOfThree(0);
    Requests();
    CallRequest(conference.conferences.back(), KV_TAPIFUNC_DROP);
    RunFor(1500);
    std::set<HCALL> idle;
    while (CKvMessage* message = Take()) {
        const auto* call = static_cast<const KVTAPICALL*>(message->GetPayload());
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL && call != nullptr &&
            call->GetState() == LINECALLSTATE_IDLE)
            idle.insert(call->GetHcall());
        message->Release();
    }
    std::set<HCALL> every(conference.parties.begin(), conference.parties.end());
    every.insert(conference.conferences.begin(), conference.conferences.end());
    EXPECT_EQ(idle, every);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
    const auto log = Requests();
    EXPECT_EQ(std::count(log.begin(), log.end(),
                         Request(TapiFunction::kDrop, conference.conferences.back())),
              1);
    line_.OnExitInstance();
}

// The only connected call waits for the reply to a blind transfer: swap hold
// takes the held call back with an unhold and leaves that call alone.
TEST_F(TapiLineTest, SwapHoldUnholdsWhenTheConnectedCallHasARequestPending) {
    Open();
    const HCALL held = ConnectedCall("111");
    const HCALL connected = ConnectedCall("222");
    service_.SetReplyPolicy(1, TapiFunction::kBlindTransfer, {.mode = ReplyMode::kNever});
    Requests();
    auto* transfer = new KVTAPICALL;
    transfer->GetHcall() = connected;
    transfer->GetKvTapiFunc() = KV_TAPIFUNC_BLIND_TRANSFER;
    transfer->GetCalledNumber() = "333";
    Post(KV_MSG_KIND_REQUEST, transfer, KV_PAYLOAD_TAPI_CALL);
    RunFor(100);
    ASSERT_EQ(Requests(), std::vector<std::string>{
                              Request(TapiFunction::kBlindTransfer, connected, 0, "333")});
    CallRequest(held, KV_TAPIFUNC_SWAP_HOLD);
    RunFor(500);
    EXPECT_EQ(Requests(), std::vector<std::string>{Request(TapiFunction::kUnhold, held)});
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, AnAnswerHoldsTheConnectedCallFirst) {
    Open();
    const HCALL connected = ConnectedCall("111");
    const HCALL offered = service_.OfferCall(1, "0897654", "100");
    RunFor(300);
    ASSERT_EQ(StateOf(offered), LINECALLSTATE_OFFERING);
    Requests();
    CallRequest(offered, KV_TAPIFUNC_ANSWER);
    RunFor(1000);
    EXPECT_EQ(Requests(), (std::vector<std::string>{Request(TapiFunction::kHold, connected),
                                                    Request(TapiFunction::kAnswer, offered)}));
    EXPECT_EQ(StateOf(connected), LINECALLSTATE_ONHOLD);
    EXPECT_EQ(StateOf(offered), LINECALLSTATE_CONNECTED);
    EXPECT_EQ(line_.GetRequestState(), 0u);
    line_.OnExitInstance();
}

// ---- Mended faults ----

TEST_F(TapiLineTest, ASecondMakeCallWaitsForTheFirst) {
    Open();
    service_.SetReplyPolicy(1, TapiFunction::kMakeCall,
                            {.mode = ReplyMode::kDelayed, .delay_ms = 500});
    MakeCall("111");
    MakeCall("222");
    RunFor(100);
    // The walk stopped at the first request; the second is still queued.
    EXPECT_EQ(line_.GetInputQueue().GetCount(), 1);
    RunFor(2000);
    EXPECT_EQ(Confirmations(),
              (std::vector<std::int32_t>{KV_MSG_ATTR_ACCEPTED, KV_MSG_ATTR_ACCEPTED}));
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 2u);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, TheCreationRequestIsAnsweredOnceAndNoSlotOverwritten) {
    Open();
    EXPECT_EQ(line_.GetPendingRequest(), nullptr);
    // An answer request does not confirm the creation again.
    Inject(0x71, LINECALLSTATE_OFFERING);
    RunFor(300);
    auto* request = new KVTAPICALL;
    request->GetHcall() = 0x71;
    request->GetKvTapiFunc() = KV_TAPIFUNC_ANSWER;
    KVTAPICALL* offered = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCall(offered, 0x71), KV_OK);
    offered->GetFeatures().FormatText(LINECALLFEATURE_ANSWER);
    Post(KV_MSG_KIND_REQUEST, request, KV_PAYLOAD_TAPI_CALL);
    RunFor(300);
    EXPECT_TRUE(Confirmations().empty());
    // A request message taking an occupied slot refuses the one there.
    auto* first = new CKvMessage;
    first->SetKind(KV_MSG_KIND_REQUEST);
    first->SetSourceEndpoint(kSelf);
    line_.SetPendingRequest(first);
    auto* second = new CKvMessage;
    second->SetKind(KV_MSG_KIND_INFO);
    line_.SetPendingRequest(second);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    line_.OnExitInstance();
    EXPECT_EQ(line_.GetPendingRequest(), nullptr);
}

TEST_F(TapiLineTest, OnlyTheMadeCallEndsOrServesTheMakeCall) {
    Open();
    service_.SetReplyPolicy(1, TapiFunction::kMakeCall, {.mode = ReplyMode::kNever});
    Inject(0x71, LINECALLSTATE_OFFERING);
    RunFor(300);
    MakeCall("222");
    RunFor(300);
    ASSERT_EQ(line_.GetRequestState(), static_cast<std::uint32_t>(KV_TAPILINE_MAKE_CALL));
    // A call that comes in meanwhile is not the requester's.
    Inject(0x72, LINECALLSTATE_OFFERING);
    RunFor(300);
    KVTAPICALL* incoming = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCall(incoming, 0x72), KV_OK);
    EXPECT_EQ(incoming->GetWmIdNotif(), 0);
    // Another call's IDLE leaves the make-call waiting.
    Inject(0x71, LINECALLSTATE_IDLE);
    RunFor(300);
    EXPECT_EQ(line_.GetRequestState(), static_cast<std::uint32_t>(KV_TAPILINE_MAKE_CALL));
    EXPECT_TRUE(Confirmations().empty());
    line_.OnExitInstance();
    // A request still running when the line ends is refused.
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
}

// Another call's states queued ahead keep the first placed call from being
// recorded until the second make-call has run.
TEST_F(TapiLineTest, EachPlacedCallTellsItsOwnRequester) {
    Open();
    for (int i = 0; i < 4; ++i) {
        Inject(0x71, LINECALLSTATE_PROCEEDING);
        Inject(0x71, LINECALLSTATE_RINGBACK);
    }
    MakeCall("111", 7);
    MakeCall("222", 8);
    RunFor(3000);
    std::map<std::string, std::set<std::uint32_t>> updated_jobs;
    while (CKvMessage* message = Take()) {
        if (message->GetKind() == KV_MSG_KIND_INFO && message->GetCommand() == 1 &&
            message->GetSubCommand() == 5 && message->GetPayloadType() == KV_PAYLOAD_TAPI_CALL &&
            message->GetTargetEndpoint() == kSelf) {
            auto* call = static_cast<KVTAPICALL*>(message->GetPayload());
            updated_jobs[call->GetCalledNumber()].insert(message->GetSourceJobId());
        }
        message->Release();
    }
    for (const auto& [number, job] : {std::pair<std::string, std::uint32_t>{"111", 7u},
                                      std::pair<std::string, std::uint32_t>{"222", 8u}}) {
        SCOPED_TRACE(number);
        KVTAPICALL* placed = nullptr;
        ASSERT_EQ(line_.GetCallsManager().FindCallByCalledNumber(placed, number), KV_OK);
        EXPECT_EQ(placed->GetWmIdNotif(), kSelf);
        EXPECT_EQ(placed->GetIdTargetNotif(), job);
        EXPECT_EQ(updated_jobs[number], std::set<std::uint32_t>{job});
    }
    EXPECT_EQ(updated_jobs.count("0897"), 0u);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, EachRequestTakesItsOwnCall) {
    Open();
    const HCALL hcall = ConnectedCall("111");
    CallRequest(hcall, KV_TAPIFUNC_HOLD_TOGGLE);
    RunFor(500);
    EXPECT_EQ(line_.GetCurrentCall().GetHcall(), hcall);
    MakeCall("222");
    Run();
    EXPECT_EQ(line_.GetCurrentCall().GetHcall(), 0u);
    EXPECT_EQ(line_.GetNumberToDial(), "222");
    RunFor(1000);
    // The held call stays held: the make-call did not unhold it.
    KVTAPICALL* held = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCall(held, hcall), KV_OK);
    EXPECT_EQ(held->GetState(), LINECALLSTATE_ONHOLD);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, UnansweredRequestsEndWithinTheirBound) {
    Open();
    const HCALL hcall = ConnectedCall("111");
    service_.SetReplyPolicy(1, TapiFunction::kHold, {.mode = ReplyMode::kNever});
    CallRequest(hcall, KV_TAPIFUNC_HOLD_TOGGLE);
    RunFor(2900);
    EXPECT_EQ(line_.GetRequestState(), static_cast<std::uint32_t>(KV_TAPILINE_HOLD_TOGGLE));
    RunFor(200);
    EXPECT_EQ(line_.GetRequestState(), 0u);
    service_.SetReplyPolicy(1, TapiFunction::kHold, {});

    service_.SetReplyPolicy(1, TapiFunction::kMakeCall, {.mode = ReplyMode::kNever});
    MakeCall("222");
    RunFor(35000);
    EXPECT_TRUE(Confirmations().empty());
    RunFor(1500);
    EXPECT_EQ(Confirmations(), std::vector<std::int32_t>{KV_MSG_ATTR_REFUSED});
    EXPECT_EQ(line_.GetRequestState(), 0u);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, DropRequestsSentAsInfoAreCarriedOut) {
    Open();
    const HCALL hcall = ConnectedCall("111");
    CallRequest(hcall, KV_TAPIFUNC_DROP, KV_MSG_KIND_INFO);
    RunFor(1000);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, AnOfferedCallLosesNoRequestAndIsReported) {
    Open();
    Watch(KV_PAYLOAD_TAPI_CALL, new KVTAPICALL);
    const HCALL offered = service_.OfferCall(1, "0897654", "100");
    ASSERT_NE(offered, 0u);
    Run();
    MakeCall("222");
    RunFor(1000);
    KVTAPICALL* call = nullptr;
    ASSERT_EQ(line_.GetCallsManager().FindCall(call, offered), KV_OK);
    // An offered call's callednumber is its caller id.
    EXPECT_EQ(call->GetCalledNumber(), "0897654");
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 2u);
    bool offered_reported = false;
    bool accepted = false;
    while (CKvMessage* message = Take()) {
        auto* reported = static_cast<KVTAPICALL*>(message->GetPayload());
        offered_reported |= message->GetKind() == KV_MSG_KIND_INFO &&
                            reported->GetHcall() == offered &&
                            reported->GetState() == LINECALLSTATE_OFFERING;
        accepted |= message->GetKind() == KV_MSG_KIND_CONFIRMATION &&
                    message->GetAttribute() == KV_MSG_ATTR_ACCEPTED;
        message->Release();
    }
    EXPECT_TRUE(offered_reported);
    EXPECT_TRUE(accepted);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, DebounceUsesTheMonotonicTick) {
    Open();
    const auto state_of = [this](HCALL hcall) {
        KVTAPICALL* call = nullptr;
        line_.GetCallsManager().FindCall(call, hcall);
        return call != nullptr ? call->GetState() : 0u;
    };
    // The first states of three new calls: one per run, oldest first.
    Inject(0x71, LINECALLSTATE_OFFERING);
    Inject(0x72, LINECALLSTATE_OFFERING);
    Inject(0x73, LINECALLSTATE_OFFERING);
    Run();
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 1u);
    Run();
    Run();
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 3u);
    // A second state within 200 ms waits, also with the wall clock set back.
    Inject(0x71, LINECALLSTATE_CONNECTED);
    clock_.SetWallTime(kTestSeconds - 3600, 0);
    Run();
    clock_.Advance(100);
    Run();
    EXPECT_EQ(state_of(0x71), LINECALLSTATE_OFFERING);
    clock_.Advance(100);
    Run();
    EXPECT_EQ(state_of(0x71), LINECALLSTATE_CONNECTED);
    line_.OnExitInstance();
}

TEST_F(TapiLineTest, ACallStateThatFindsNoRoomIsReleased) {
    Open();
    for (std::uint32_t i = 0; i < KVTAPICALLSMANAGER::kCapacity; ++i) {
        KVTAPICALL* call = nullptr;
        ASSERT_EQ(line_.GetCallsManager().CreateCall(call, 0x900000 + i), KV_OK);
    }
    ASSERT_NE(service_.OfferCall(1, "1", "2"), 0u);
    Run();
    Run();
    EXPECT_EQ(line_.GetInputQueue().GetCount(), 0);
    line_.OnExitInstance();
}

// ---- Watches ----

TEST_F(TapiLineTest, WatchesAreKeptOnceAndUnknownCallsRefused) {
    Open();
    Watch(KV_PAYLOAD_TAPI_CALLS_MANAGER, new KVTAPICALLSMANAGER, 5);
    Watch(KV_PAYLOAD_TAPI_CALLS_MANAGER, new KVTAPICALLSMANAGER, 5);
    EXPECT_EQ(line_.GetWatchList().GetCount(), 1);
    auto* unknown = new KVTAPICALL;
    unknown->GetHcall() = 0x4711;
    Watch(KV_PAYLOAD_TAPI_CALL, unknown);
    EXPECT_EQ(line_.GetWatchList().GetCount(), 1);
    // A watcher that cannot be reached is dropped.
    auto* signal = new CKvMessage;
    signal->SetHeader(KV_MSG_KIND_SIGNAL, new KVTAPICALLSMANAGER, KV_PAYLOAD_TAPI_CALLS_MANAGER, 1,
                      5, 0);
    signal->SetSubscriberEndpoint(0x999);
    line_.OnSignal(signal);
    EXPECT_EQ(line_.GetWatchList().GetCount(), 2);
    ASSERT_NE(service_.OfferCall(1, "1", "2"), 0u);
    Run();
    EXPECT_EQ(line_.GetWatchList().GetCount(), 1);
    auto* cancel = new CKvMessage;
    cancel->SetHeader(KV_MSG_KIND_SIGNAL, nullptr, KV_PAYLOAD_TAPI_CALLS_MANAGER, 3, 5, 0);
    cancel->SetSubscriberEndpoint(kSelf);
    cancel->SetJobIds(0, 5, 0);
    line_.OnSignal(cancel);
    EXPECT_EQ(line_.GetWatchList().GetCount(), 0);
    TakeAll();
    line_.OnExitInstance();
}

// ---- Transfer ----

TEST_F(TapiLineTest, TransferTargetsAreDialableUnlessVoip) {
    Open();
    const HCALL hcall = ConnectedCall("111");
    line_.GetDiallingRules().AreaCode() = "30";
    KVTAPICALL target;
    target.GetHcall() = hcall;
    target.GetCalledNumber() = "sip:42";
    target.GetNumberCategory() = 7;
    EXPECT_EQ(line_.BlindTransfer(target), KV_OK);
    // The call has a pending request now.
    EXPECT_EQ(line_.Redirect(target), KV_E_FAIL);
    const auto log = service_.GetRequestLog();
    EXPECT_EQ(log.back().function, TapiFunction::kBlindTransfer);
    EXPECT_EQ(log.back().address, "sip:42");
    KVTAPICALL unknown;
    unknown.GetHcall() = 0x4711;
    unknown.GetCalledNumber() = "1";
    EXPECT_EQ(line_.Redirect(unknown), KV_E_FAIL);
    // Other numbers are made dialable with the line's rules.
    KVTAPICALL office;
    office.GetHcall() = ConnectedCall("222");
    office.GetCalledNumber() = "+49 (30) 5551234";
    std::string dialable;
    std::string number = office.GetCalledNumber();
    line_.GetDiallingRules().MakeDialableNumber(dialable, number);
    EXPECT_EQ(dialable, "49305551234");
    EXPECT_EQ(line_.BlindTransfer(office), KV_OK);
    EXPECT_EQ(service_.GetRequestLog().back().function, TapiFunction::kBlindTransfer);
    EXPECT_EQ(service_.GetRequestLog().back().address, dialable);
    office.GetCalledNumber() = "  ";
    EXPECT_EQ(line_.Redirect(office), KV_E_FAIL);

    // A redirect request for an offered call, to a number made dialable.
    const HCALL offered = service_.OfferCall(1, "0897654", "100");
    RunFor(300);
    Requests();
    auto* request = new KVTAPICALL;
    request->GetHcall() = offered;
    request->GetKvTapiFunc() = KV_TAPIFUNC_REDIRECT;
    request->GetCalledNumber() = "+49 (30) 5551234";
    Post(KV_MSG_KIND_REQUEST, request, KV_PAYLOAD_TAPI_CALL);
    RunFor(500);
    EXPECT_EQ(Requests(), (std::vector<std::string>{
                              Request(TapiFunction::kRedirect, offered, 0, dialable),
                              Request(TapiFunction::kDeallocateCall, offered, 0, "", 0, "0"),
                          }));
    line_.OnExitInstance();
}

// ---- Quitting ----

TEST_F(TapiLineTest, QuitDropsTheCallsAndEndsOnce) {
    Open();
    Watch(KV_PAYLOAD_TAPI_LINE_DATA, new KVTAPILINEDATA);
    ConnectedCall("111");
    ConnectedCall("222");
    EXPECT_EQ(line_.OnQuit(nullptr), KV_OK);
    EXPECT_EQ(line_.GetState(), CKvWinThread::kConstructed);
    bool quit = false;
    for (int run = 0; run < 100 && !quit; ++run) {
        quit = Run();
        clock_.Advance(50);
    }
    EXPECT_TRUE(quit);
    EXPECT_EQ(line_.GetCallsManager().GetCount(), 0u);
    int line_data = 0;
    while (CKvMessage* message = Take()) {
        if (message->GetPayloadType() == KV_PAYLOAD_TAPI_LINE_DATA) {
            ++line_data;
            EXPECT_EQ(static_cast<KVTAPILINEDATA*>(message->GetPayload())->GetNumber3(), 15u);
        }
        message->Release();
    }
    EXPECT_EQ(line_data, 1);
    RunFor(500);
    EXPECT_EQ(Take(), nullptr);
    line_.OnExitInstance();
    EXPECT_EQ(service_.GetRequestLog().back().function, TapiFunction::kClose);
}

TEST_F(TapiLineTest, QuitEndsAfterTenSecondsWhenCallsStay) {
    Open();
    ConnectedCall("111");
    service_.SetReplyPolicy(1, TapiFunction::kDrop, {.mode = ReplyMode::kNever});
    line_.OnQuit(nullptr);
    RunFor(9900);
    EXPECT_EQ(line_.GetState(), CKvWinThread::kConstructed);
    RunFor(200);
    EXPECT_EQ(line_.GetState(), CKvWinThread::kQuitting);
    line_.OnExitInstance();
}

} // namespace
