// TAPI listen: the executing side. Variant A serves one remote requester
// with the lines of its host; variant B watches the lines of every device of
// this machine and announces offered calls to the host.

#include "jobs/job_data_tapi_listen.h"

#include "data/data_call.h"
#include "data/data_device.h"
#include "data/data_general.h"
#include "data/data_handler_store.h"
#include "data/data_host.h"
#include "jobs/job_payloads.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <memory>

namespace {

constexpr std::uint32_t kCallStateOffering = 0x2;
constexpr std::int32_t kCommandWatch = 1;
constexpr std::int32_t kCommandCancel = 3;
constexpr std::int32_t kSubCommandAllOfType = 10;

} // namespace

KvResult CKvJobDataTAPIListen::StepExecutor() {
    return executor_variant_ == 0 ? StepExecutorA() : StepExecutorB();
}

// ---- Variant A ----

KvResult CKvJobDataTAPIListen::StepExecutorA() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorAGeneral();
        break;
    case kStateHost:
        ExecutorAHost();
        break;
    case kStateDevices:
        ExecutorADevices();
        break;
    case KV_JOB_STATE_RUNNING:
        if (ServeLines() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        incoming_.DeleteAll();
        if (previous_state_ == KV_JOB_STATE_RUNNING) {
            SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_ENDED);
            Send();
        }
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        ExecutorAStop();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIListen::ExecutorAGeneral() {
    if (!TakeRecord<CKvDataGeneral>(K_KVDT_TP_DTHDLR_DATAGENERAL, KV_E_NO_DATA_FOUND, KV_OK,
                                    [this](CKvDataGeneral& general) {
                                        tapi_lines_ = general.GetTapiLines();
                                        TakeGeneralRules(rules_, general);
                                        last_result_ = PostHostList();
                                    }))
        return;
    CollectLocalComputer();
    AwaitHostRecord(kStateHost);
}

void CKvJobDataTAPIListen::ExecutorAHost() {
    TakeQueuedRecord<CKvDataHost>(K_KVDT_TP_DTHDLR_DATACOMPUTER, [this](CKvDataHost& host) {
        devices_asked_ = 0;
        watches_placed_ = 0;
        BoundedStringList::Position position{};
        host.GetCtiDeviceNumbers().GetHeadPosition(position);
        std::string number;
        while (host.GetCtiDeviceNumbers().GetNext(number, position)) {
            if (!number.empty() && RequestKeyed(K_KVDT_TP_DTHDLR_DATADEVICE, number) == KV_OK)
                ++devices_asked_;
        }
        // Without a device to wait for, timer 1 keeps running so that the
        // requester is refused and the job ends at its expiry.
        if (devices_asked_ == 0) {
            last_result_ = KV_E_FAIL;
        } else {
            timers_.Start(kAnswerTimerId);
            GoTo(kStateDevices);
        }
    });
}

void CKvJobDataTAPIListen::ExecutorADevices() {
    TakeQueuedRecord<CKvDataDevice>(K_KVDT_TP_DTHDLR_DATADEVICE, [this](CKvDataDevice& device) {
        if (devices_asked_ > 0)
            --devices_asked_;
        if (device.GetTapiLine().empty()) {
            last_result_ = KV_E_FAIL;
        } else {
            std::string line = device.GetTapiLine();
            KVSTRING* configured = nullptr;
            last_result_ = tapi_lines_.Lookup(configured, line);
            if (configured != nullptr) {
                KVSTRING* entry = nullptr;
                std::string identifier = line;
                if (line_list_.CreateEntry(entry, identifier) == KV_OK && entry != nullptr) {
                    entry->GetData() = device.GetNumber();
                    if (!device.GetAlias().empty())
                        entry->GetData() += "|" + device.GetAlias();
                }
                last_result_ = PostWatch(kCommandWatch, line, device.GetAlias());
                if (last_result_ == KV_OK)
                    ++watches_placed_;
            }
        }
        if (devices_asked_ != 0)
            return;
        if (watches_placed_ == 0) {
            Refuse();
            return;
        }
        if (messagetype_ == KV_MSG_KIND_REQUEST) {
            SetMessageType(KV_MSG_KIND_CONFIRMATION, KV_MSG_ATTR_ACCEPTED);
            Send();
        }
        SwapIds();
        timers_.Stop(kAnswerTimerId);
        GoTo(KV_JOB_STATE_RUNNING);
    });
}

KvResult CKvJobDataTAPIListen::ServeLines() {
    last_result_ = KV_OK;
    waiting_flag_ = 1;
    if (!HasClientAtPeer(true)) {
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
        return last_result_;
    }
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (!IsValidPtr(message))
            continue;
        const std::int32_t type = message->GetPayloadType();
        if ((type == K_KVJBDT_TP_ROOT || type == K_KVJBDT_TP_CLIENT) &&
            message->GetAttribute() == KV_MSG_ATTR_ENDED) {
            if (state_ == KV_JOB_STATE_RUNNING)
                GoTo(KV_JOB_STATE_STOP_REQUESTED);
        } else if (type == KV_PAYLOAD_TAPI_CALLS_MANAGER) {
            if (auto* calls = static_cast<KVTAPICALLSMANAGER*>(message->GetPayload());
                IsValidPtr(calls)) {
                line_calls_ = *calls;
                SetMessageType(KV_MSG_KIND_INFO, KV_MSG_ATTR_NOTIFICATION);
                Send();
            }
        } else if (type == K_KVJBDT_TP_TAPI_LISTEN) {
            auto* record =
                static_cast<CKvJobDataTAPIListen*>(JobFromPayload(message->GetPayload()));
            if (message->GetAttribute() == KV_MSG_ATTR_ENDED) {
                if (state_ == KV_JOB_STATE_RUNNING)
                    GoTo(KV_JOB_STATE_CLEANUP);
            } else if (message->GetAttribute() == KV_MSG_ATTR_NOTIFICATION &&
                       IsValidPtr(record)) {
                KVTAPICALLSMANAGER& reported = record->line_calls_;
                KVTAPICALLSMANAGER::Position position = 0;
                reported.GetStartPosition(position);
                std::vector<std::uint32_t> handles;
                while (KVTAPICALL* call = reported.GetNextCall(position))
                    handles.push_back(call->GetHcall());
                for (std::uint32_t hcall : handles) {
                    std::unique_ptr<KVTAPICALL> call;
                    if (reported.DetachCall(call, hcall) != KV_OK || !call)
                        continue;
                    const KvResult result = PostRecord(call.release(), KV_PAYLOAD_TAPI_CALL, 1,
                                                       KV_ENDPOINT_TAPI_LINES,
                                                       KV_MSG_KIND_INFO, job_id_);
                    if (result != KV_OK)
                        last_result_ = result;
                }
            }
        }
        message->Release();
    }
    return last_result_;
}

void CKvJobDataTAPIListen::ExecutorAStop() {
    incoming_.DeleteAll();
    // Watches placed before a device answer went missing end here too.
    if (previous_state_ == KV_JOB_STATE_RUNNING ||
        previous_state_ == KV_JOB_STATE_STOP_REQUESTED || watches_placed_ != 0)
        last_result_ = PostWatch(kCommandCancel, "", "");
    DetachFromCarryingMessage();
    GoTo(KV_JOB_STATE_FINISHED);
}

// ---- Variant B ----

KvResult CKvJobDataTAPIListen::StepExecutorB() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorBGeneral();
        break;
    case kStateDevices:
        ExecutorBDevices();
        break;
    case KV_JOB_STATE_RUNNING:
        if (TrackLineCalls() != KV_OK && state_ == KV_JOB_STATE_RUNNING)
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        break;
    case KV_JOB_STATE_STOP_REQUESTED: {
        KVSTRING_LIST::Position position = 0;
        tapi_lines_.GetStartPosition(position);
        KVSTRING* entry = nullptr;
        while (tapi_lines_.GetNext(entry, position))
            PostWatch(kCommandCancel, entry->GetIdentifier(), "");
        End();
        break;
    }
    case KV_JOB_STATE_CLEANUP:
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataTAPIListen::ExecutorBGeneral() {
    bool asked = false;
    if (!TakeRecord<CKvDataGeneral>(
            K_KVDT_TP_DTHDLR_DATAGENERAL, KV_E_NO_DATA_FOUND, KV_OK,
            [this, &asked](CKvDataGeneral& general) {
                TakeGeneralRules(rules_, general);
                card_number_text_ = general.GetIsdnCardNumber();
                if (!IsValidPtr(router_)) {
                    last_result_ = KV_E_OUT_OF_MEMORY;
                    return;
                }
                auto* request = new CKvMessage;
                request->SetHeader(KV_MSG_KIND_REQUEST, nullptr, K_KVDT_TP_DTHDLR_DATADEVICE,
                                   KV_MSG_COMMAND_DATA, kSubCommandAllOfType,
                                   KV_MSG_ATTR_UNSPECIFIED);
                request->SetJobIds(0, job_id_, originating_job_id_);
                asked = SendToHost(request, KV_ENDPOINT_HOST_MAIN) == KV_OK;
            }))
        return;
    if (last_result_ != KV_OK) {
        End();
    } else if (asked) {
        tapi_lines_.Reset();
        timers_.Start(kAnswerTimerId);
        GoTo(kStateDevices);
    }
    // A request that could not be sent leaves the state: the next step asks again.
}

void CKvJobDataTAPIListen::ExecutorBDevices() {
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        auto* store = message->GetPayloadType() == KV_PAYLOAD_DATA_HANDLER_STORE
                          ? static_cast<CKvDataHandlerStore*>(message->GetPayload())
                          : nullptr;
        if (IsValidPtr(store) && store->GetHandlerType() == K_KVDT_TP_DTHDLR_DATADEVICE) {
            CKvDataHandlerStore::Position position;
            store->GetStartPosition(&position);
            while (CKvDataHandler* handler = store->GetNext(&position)) {
                auto* device = static_cast<CKvDataDevice*>(handler);
                if (!IsValidPtr(device))
                    continue;
                const std::string& tapiline = device->GetTapiLine();
                const std::int32_t bar = FindChar(tapiline, '|');
                std::string line = bar < 0 ? tapiline : Left(tapiline, bar);
                if (line.empty())
                    continue;
                KVSTRING* entry = nullptr;
                if (tapi_lines_.CreateEntry(entry, line) == KV_OK && entry != nullptr)
                    entry->GetData() = device->GetNumber();
            }
            if (tapi_lines_.GetCount() == 0) {
                GoTo(KV_JOB_STATE_CLEANUP);
            } else {
                KVSTRING_LIST::Position at = 0;
                tapi_lines_.GetStartPosition(at);
                KVSTRING* entry = nullptr;
                while (tapi_lines_.GetNext(entry, at))
                    PostWatch(kCommandWatch, entry->GetIdentifier(), "");
                timers_.Stop(kAnswerTimerId);
                GoTo(KV_JOB_STATE_RUNNING);
            }
        }
        message->Release();
    }
    if (state_ == kStateDevices && timers_.CheckExpired(kAnswerTimerId))
        GoTo(KV_JOB_STATE_STOP_REQUESTED);
}

KvResult CKvJobDataTAPIListen::AnnounceOffered(KVTAPICALL& call, const std::string& device) {
    std::string number = call.GetCalledNumber();
    rules_.NormalizeReceivedNumber(received_number_, number);
    number = device;
    rules_.NormalizeReceivedNumber(own_device_number_, number);
    datetime_ = call.GetTimeDateState();
    auto* offered = new CKvDataCall;
    offered->GetPhoneNumber().GetNumber() = received_number_;
    offered->GetNumberInt() = own_device_number_;
    offered->GetFlagCallOut().Set(0);
    offered->GetStartTime() = datetime_;
    if (!IsValidPtr(router_)) {
        delete offered;
        return KV_E_OUT_OF_MEMORY;
    }
    auto* message = new CKvMessage;
    message->SetHeader(KV_MSG_KIND_INFO, offered, K_KVDT_TP_DTHDLR_DATACALL, 1,
                       KV_SUBCOMMAND_ONE_RECORD, KV_MSG_ATTR_UNSPECIFIED);
    return SendToHost(message, KV_ENDPOINT_HOST_MAIN);
}

KvResult CKvJobDataTAPIListen::TrackLineCalls() {
    last_result_ = KV_OK;
    waiting_flag_ = 1;
    while (CKvMessage* message = incoming_.FirstMessage()) {
        incoming_.Remove(message);
        if (!IsValidPtr(message))
            continue;
        const std::int32_t type = message->GetPayloadType();
        auto* reported = type == KV_PAYLOAD_TAPI_CALLS_MANAGER
                             ? static_cast<KVTAPICALLSMANAGER*>(message->GetPayload())
                             : nullptr;
        if (IsValidPtr(reported)) {
            std::string device;
            std::string line = reported->GetIdentifier();
            KVSTRING* entry = nullptr;
            tapi_lines_.Lookup(entry, line);
            if (entry != nullptr)
                device = entry->GetData();
            KVTAPICALLSMANAGER::Position position = 0;
            reported->GetStartPosition(position);
            while (KVTAPICALL* call = reported->GetNextCall(position)) {
                KVTAPICALL* kept = nullptr;
                if (line_calls_.HasCall(call->GetHcall()) ||
                    line_calls_.CreateCall(kept, call->GetHcall()) != KV_OK || kept == nullptr)
                    continue;
                *kept = *call;
                kept->GetWmIdNotif() = 0;
                if (call->GetState() == kCallStateOffering) {
                    const KvResult result = AnnounceOffered(*call, device);
                    if (result != KV_OK)
                        last_result_ = result;
                }
            }
            // Only the reporting line's calls can have ended: another line's
            // calls stay until that line reports without them.
            std::vector<std::uint32_t> vanished;
            line_calls_.GetStartPosition(position);
            while (KVTAPICALL* kept = line_calls_.GetNextCall(position)) {
                if (kept->GetHline() == reported->GetHline() &&
                    !reported->HasCall(kept->GetHcall()))
                    vanished.push_back(kept->GetHcall());
            }
            for (std::uint32_t hcall : vanished)
                line_calls_.RemoveCall(hcall);
        } else if (type == K_KVJBDT_TP_TAPI_LISTEN &&
                   (message->GetAttribute() == KV_MSG_ATTR_ENDED ||
                    message->GetAttribute() == KV_MSG_ATTR_SHUTDOWN) &&
                   state_ == KV_JOB_STATE_RUNNING) {
            GoTo(KV_JOB_STATE_STOP_REQUESTED);
        }
        message->Release();
    }
    return last_result_;
}
