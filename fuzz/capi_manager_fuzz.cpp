// FUZZ_LIBRARIES: kv_capi kv_capi_sim
// Every kind of CAPI manager (tick, listen, data, dial, transfer, function)
// runs under one owner against the scripted controller, while the input
// drives them: received CAPI messages stored as they come, calls from the
// network with their steps, dial items, transfers, CAPIFuncData records for
// the function manager, stop requests, silence and time. After each stored
// message the next pass may put, for the owner's application, only
// responses to that message: each repeats its number and command and names
// the PLCI or NCCI (and Data Handle) read from it, at most one, and none when
// the message carries no id. No DISCONNECT_REQ or FACILITY_REQ may name
// PLCI 0. Nothing may read outside a message.
//
// Input: a sequence of operations, each an op byte and its arguments.
//   0 len(2) bytes     a received message, stored and passed
//   1 n                the clock advances n * 50 ms, one pass
//   2 k steps          a call from the network to number k % 3, with steps
//   3 type app len(2) bytes   a CAPIFuncData record for the function manager
//   4 k ring           a dial item to number k % 4, ring time ring * 50 ms
//   5 steps steps      a transfer; the two outgoing calls' scripts
//   6 k                a stop request to manager kind k % 6
//   7 k steps          more steps for the k-th call from the network
//   8                  the controller turns silent or speaks again
//   9 k steps          a call from the network to number k % 3 whose steps
//                      come at once, before it is answered; no pass, so
//                      that calls can arrive together
//   10 k               a call from the network to number k % 3 that the
//                      network never makes active, one pass
//   11                 the controller refuses clearings (DISCONNECT_CONF
//                      with Info 0x2002) or clears again
//   any other          one pass
// steps: a count (at most 8), then per step a kind byte, a reason byte and,
// for data, a length byte and the data.

#include "capi/capi_data_manager.h"
#include "capi/capi_dial_manager.h"
#include "capi/capi_function_manager.h"
#include "capi/capi_host.h"
#include "capi/capi_listen_manager.h"
#include "capi/capi_payloads.h"
#include "capi/capi_tick_manager.h"
#include "capi/capi_transfer_manager.h"
#include "framework/message.h"
#include "platform/capi/scripted_capi_controller.h"
#include "platform/clock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kNumbers[] = {"5550", "5551", "5552"};
constexpr const char* kDialled[] = {"0891", "0892", "0893", "0894"};
constexpr std::size_t kMaxSteps = 8;
constexpr int kMaxSettlingPasses = 8;
constexpr int kStartPasses = 4;

enum Kind : std::uint32_t { kTick, kListen, kData, kDial, kTransfer, kFunction, kKinds };

class Input {
public:
    explicit Input(std::span<const std::uint8_t> data) : data_(data) {}
    bool AtEnd() const { return at_ >= data_.size(); }
    std::uint8_t Byte() { return at_ < data_.size() ? data_[at_++] : 0; }
    std::uint16_t Word() {
        const std::uint16_t low = Byte();
        return static_cast<std::uint16_t>(low | (Byte() << 8));
    }
    Bytes Take(std::size_t count) {
        const std::size_t taken = std::min(count, data_.size() - at_);
        Bytes bytes(data_.begin() + static_cast<std::ptrdiff_t>(at_),
                    data_.begin() + static_cast<std::ptrdiff_t>(at_ + taken));
        at_ += taken;
        return bytes;
    }

private:
    std::span<const std::uint8_t> data_;
    std::size_t at_ = 0;
};

std::vector<ScriptedCapiStep> ReadSteps(Input& input, std::uint32_t delay_ms = 50) {
    std::vector<ScriptedCapiStep> steps;
    const std::size_t count = input.Byte() % (kMaxSteps + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const auto kind = static_cast<ScriptedCapiStep::Kind>(input.Byte() % 7);
        const std::uint8_t reason = input.Byte();
        if (kind == ScriptedCapiStep::kData) {
            steps.push_back(ScriptedCapiStep::Data(input.Take(input.Byte()), delay_ms));
        } else if (kind == ScriptedCapiStep::kFacility) {
            const std::uint16_t functions[] = {kCapiFacilityHold, kCapiFacilityRetrieve,
                                               kCapiFacilityEct};
            steps.push_back(
                ScriptedCapiStep::Facility(functions[reason % 3], reason >= 0x80 ? 0x3600 : 0));
        } else {
            steps.push_back(ScriptedCapiStep::Make(
                kind, reason == 0 ? 0 : static_cast<std::uint16_t>(0x3400 | reason), delay_ms));
        }
    }
    return steps;
}

class Harness {
public:
    Harness() {
        RegisterCapiPayloads();
        capi_.AddController(1, 2);
        capi_.AddController(2, 2);
        if (host_.Start() != KV_OK || host_.QueryControllers() != KV_OK)
            std::abort();
        CapiControllerTable& controllers = host_.GetControllerList();
        for (std::size_t i = 0; i < controllers.GetCount(); ++i) {
            controllers.GetAt(i)->source_number = "5559";
            host_.GetConnectionTable().CreateRecords(4, host_.GetApplId(), controllers.GetAt(i));
        }
        appl_id_ = static_cast<std::uint16_t>(host_.GetApplId());

        auto* tick = new CapiTickManager;
        tick->SetText1(kNumbers[0]);
        File(tick, kTick);
        tick->SetApplId(host_.GetApplId());
        tick->SetState(capi_state::kListening);

        auto* listen = new CapiListenManager;
        auto watched = std::make_unique<PHONE_NUMBER>();
        watched->GetIdentifier() = watched->GetNumber() = kNumbers[2];
        listen->GetNumberList().Add(watched);
        File(listen, kListen);

        auto* data = new CapiDataManager;
        data->SetText1(kNumbers[1]);
        data->SetDataWait(400);
        File(data, kData);

        auto* dial = new CapiDialManager;
        dial->SetCallingNumber("5559");
        File(dial, kDial);

        File(new CapiFunctionManager, kFunction);
        // The data manager listens on its own before it takes calls.
        for (int i = 0; i < kStartPasses; ++i)
            Pass();
        Settle();
    }

    void Run(Input& input) {
        while (!input.AtEnd()) {
            switch (input.Byte()) {
            case 0: {
                const std::size_t length = std::min<std::size_t>(input.Word(), 1400);
                StoreAndCheck(input.Take(length));
                break;
            }
            case 1:
                clock_.Advance(50 * input.Byte());
                Pass();
                break;
            case 2: {
                ScriptedIncomingCall call;
                call.called_number = kNumbers[input.Byte() % 3];
                call.calling_number = "0301234";
                call.after_accept = ReadSteps(input);
                plcis_.push_back(capi_.IncomingCall(call));
                Pass();
                break;
            }
            case 3:
                PostRecord(input);
                break;
            case 4:
                QueueDialItem(input.Byte(), input.Byte());
                break;
            case 5:
                capi_.ScriptOutgoingCall(ReadSteps(input));
                capi_.ScriptOutgoingCall(ReadSteps(input));
                RequestTransfer();
                break;
            case 6:
                Stop(static_cast<Kind>(input.Byte() % kKinds));
                break;
            case 7: {
                const std::uint8_t k = input.Byte();
                std::vector<ScriptedCapiStep> steps = ReadSteps(input);
                if (!plcis_.empty())
                    capi_.ScheduleSteps(plcis_[k % plcis_.size()], std::move(steps));
                Pass();
                break;
            }
            case 8:
                silent_ = !silent_;
                capi_.SetSilent(silent_);
                break;
            case 9:
                RingBeforeAnswer(input);
                break;
            case 10: {
                ScriptedIncomingCall call;
                call.called_number = kNumbers[input.Byte() % 3];
                call.calling_number = "0301234";
                call.activates = false;
                plcis_.push_back(capi_.IncomingCall(call));
                Pass();
                break;
            }
            case 11:
                refuses_clearing_ = !refuses_clearing_;
                capi_.SetDisconnectInfo(refuses_clearing_ ? 0x2002 : 0);
                break;
            default:
                Pass();
                break;
            }
        }
        capi_.SetSilent(false);
        capi_.SetDisconnectInfo(0);
        Settle();
    }

private:
    void File(CapiManagerBase* manager, Kind kind) {
        manager->SetJobId(kFirstJob + kind);
        if (host_.FileManager(manager) != KV_OK)
            std::abort();
    }
    CapiManagerBase* Find(Kind kind) const { return host_.FindManagerByJobId(kFirstJob + kind); }

    // A pass; every request put for the owner's application names a PLCI.
    void Pass() {
        const std::size_t before = capi_.GetPutMessages().size();
        host_.Pass();
        CheckRequests(before);
    }
    void CheckRequests(std::size_t from) {
        const auto puts = capi_.GetPutMessages();
        for (std::size_t i = from; i < puts.size(); ++i) {
            const Bytes& put = puts[i];
            if (put.size() < kCapiHeaderLength || CapiGetWord(&put[kCapiOffsetApplId]) != appl_id_)
                continue;
            const std::uint8_t command = put[kCapiOffsetCommand];
            if (put[kCapiOffsetSubcommand] == CAPI_REQ &&
                (command == CAPI_DISCONNECT || command == CAPI_FACILITY) &&
                (put.size() < 12 || CapiGetDword(&put[8]) == 0))
                std::abort();
        }
    }
    // Passes until the controller has nothing more for the owner, so that a
    // stored message is the only new one of the next pass.
    bool Settle() {
        for (int i = 0; i < kMaxSettlingPasses; ++i) {
            if (capi_.PendingCount(host_.GetApplId()) == 0)
                return true;
            Pass();
        }
        return capi_.PendingCount(host_.GetApplId()) == 0;
    }

    void StoreAndCheck(Bytes message) {
        const bool alone = Settle();
        if (message.size() >= kCapiHeaderLength)
            CapiPutWord(&message[kCapiOffsetApplId], appl_id_);
        const std::size_t before = capi_.GetPutMessages().size();
        const bool stored = host_.StoreMessage(host_.GetApplId(), message);
        host_.Pass();
        CheckRequests(before);
        if (!stored || !alone)
            return;
        const auto puts = capi_.GetPutMessages();
        const std::size_t total = CapiMessageLength(message.data());
        const std::size_t end = std::min(message.size(), total);
        const std::uint8_t command = message[kCapiOffsetCommand];
        const bool indication = message[kCapiOffsetSubcommand] == CAPI_IND;
        const bool data = command == CAPI_DATA_B3;
        const bool has_id = end >= (data ? kCapiDataB3OffsetFlags : 12u);
        std::size_t responses = 0;
        for (std::size_t i = before; i < puts.size(); ++i) {
            const Bytes& put = puts[i];
            if (CapiGetWord(&put[kCapiOffsetApplId]) != appl_id_ ||
                put[kCapiOffsetSubcommand] != CAPI_RESP)
                continue;
            ++responses;
            if (!indication || !has_id || put[kCapiOffsetCommand] != command ||
                CapiGetWord(&put[kCapiOffsetMessageNumber]) !=
                    CapiGetWord(&message[kCapiOffsetMessageNumber]) ||
                put.size() < 12 || CapiGetDword(&put[8]) != CapiGetDword(&message[8]))
                std::abort();
            if (data && (put.size() < 14 ||
                         CapiGetWord(&put[12]) != CapiGetWord(&message[kCapiDataB3OffsetHandle])))
                std::abort();
        }
        if (responses > 1)
            std::abort();
    }

    // Another device answering first, or a caller hanging up while it
    // rings, is a DISCONNECT_IND before the answer.
    void RingBeforeAnswer(Input& input) {
        ScriptedIncomingCall call;
        call.called_number = kNumbers[input.Byte() % 3];
        call.calling_number = "0301234";
        std::vector<ScriptedCapiStep> steps = ReadSteps(input, 0);
        plcis_.push_back(capi_.IncomingCall(call));
        capi_.ScheduleSteps(plcis_.back(), std::move(steps));
    }

    void PostRecord(Input& input) {
        auto* function = dynamic_cast<CapiFunctionManager*>(Find(kFunction));
        const std::uint8_t type = input.Byte();
        const std::uint8_t application = input.Byte();
        const std::size_t length =
            std::min<std::size_t>(input.Word(), CAPIFuncData::kMessageAreaSize);
        Bytes message = input.Take(length);
        if (function == nullptr)
            return;
        auto* record = new CAPIFuncData;
        record->SetType(type % 12u);
        record->SetId(++record_id_);
        record->SetApplicationId(application == 0 ? static_cast<std::int32_t>(function->GetApplId())
                                                  : application);
        record->SetRegisterParameter(0, 3072);
        record->SetRegisterParameter(1, 2);
        record->SetRegisterParameter(2, 7);
        record->SetRegisterParameter(3, 2048);
        if (message.size() >= 2) {
            message.resize(CAPIFuncData::kMessageAreaSize, 0);
            if (message.size() >= kCapiHeaderLength && application == 0)
                CapiPutWord(&message[kCapiOffsetApplId], function->GetApplId());
            record->SetMessage(message.data());
        }
        auto* carrier = new CKvMessage;
        carrier->SetHeader(KV_MSG_KIND_REQUEST, record, CAPIFuncData::kTypeCode, 0, 0, 0);
        if (function->GetQueue().Add(carrier, false) != KV_OK)
            carrier->Release();
        Pass();
    }

    void QueueDialItem(std::uint8_t number, std::uint8_t ring) {
        auto* dial = dynamic_cast<CapiDialManager*>(Find(kDial));
        if (dial == nullptr)
            return;
        auto* item = new CapiDialManager;
        item->SetCalledNumber(kDialled[number % 4]);
        item->SetRetryInterval(50u * ring);
        const std::uint8_t packed[] = {0x50, number, ring};
        item->SetSubaddress(packed, sizeof packed);
        auto* carrier = new CKvMessage;
        carrier->SetHeader(KV_MSG_KIND_REQUEST, item, KV_PAYLOAD_CAPI_DIAL_MANAGER, 0, 0, 0);
        if (dial->GetQueue().Add(carrier, false) != KV_OK)
            carrier->Release();
        Pass();
    }

    void RequestTransfer() {
        if (Find(kTransfer) != nullptr)
            return;
        auto* transfer = new CapiTransferManager;
        transfer->SetCallingNumber("0301111");
        transfer->SetCalledNumber("0302222");
        File(transfer, kTransfer);
        Pass();
    }

    void Stop(Kind kind) {
        CapiManagerBase* manager = Find(kind);
        if (manager == nullptr)
            return;
        auto* stop = new CKvMessage;
        stop->SetHeader(KV_MSG_KIND_INFO, nullptr, 0, 0, 0, 0);
        stop->SetAttribute(KV_MSG_ATTR_SHUTDOWN);
        if (manager->GetQueue().Add(stop, false) != KV_OK)
            stop->Release();
        Pass();
    }

    static constexpr std::uint32_t kFirstJob = 100;

    ManualClock clock_{3'900'000'000LL};
    ScopedClock clock_guard_{clock_};
    ScriptedCapiController capi_;
    CapiHost host_{&capi_};
    std::uint16_t appl_id_ = 0;
    std::vector<std::uint32_t> plcis_;
    std::int32_t record_id_ = 0;
    bool silent_ = false;
    bool refuses_clearing_ = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Harness harness;
    Input input({data, size});
    harness.Run(input);
    return 0;
}
