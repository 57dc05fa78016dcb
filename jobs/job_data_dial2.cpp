#include "jobs/job_data_dial2.h"

#include "data/data_host.h"
#include "data/data_preferences.h"
#include "data/dialling_settings.h"
#include "jobs/job_element_xml.h"
#include "platform/pointer.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kElementName = "JobDataDial";

} // namespace

CKvJobDataDial2::CKvJobDataDial2() : CKvJobDataDialBase(K_KVJBDT_TP_DIAL2) {
    InitDial2();
    second_timers_.Add(kManagerTimerId, 0, kShutdownWaitMs);
}

void CKvJobDataDial2::InitDial2() {
    type_code_ = K_KVJBDT_TP_DIAL2;
    ResetDialFields();
    if (linked_call_)
        linked_call_->Reset();
    flag_second_call_swap_ = 0;
}

CKvJobDataDial2& CKvJobDataDial2::CopyFrom(const CKvJobDataDial2& other) {
    if (&other == this)
        return *this;
    type_code_ = K_KVJBDT_TP_DIAL2;
    CopyDialFields(other);
    flag_second_call_swap_ = other.flag_second_call_swap_;
    return *this;
}

// ---- XML ----

KvResult CKvJobDataDial2::WriteXml(XmlNode* job_data) {
    return WriteDialElement(job_data, true);
}

KvResult CKvJobDataDial2::ReadXml(const XmlNode* job_data) {
    return ReadJobElement(job_data, kElementName, idsource_, [this](const XmlNode& child) {
        if (child.GetKind() != kXmlTextElement)
            return;
        const std::string_view name = child.GetName();
        const std::string text = child.GetText();
        if (ReadPeerKey(name, text))
            return;
        if (name == "targetnumber")
            SetTargetNumber(text);
        else if (name == "ctitargetnumber")
            cti_number_ = text;
    });
}

// ---- Root-job check ----

KvResult CKvJobDataDial2::CheckRootJob() {
    return StepPickedMachine([this] { return StepWithoutServer(); },
                             [this] { return StepRequester(); });
}

// ---- Serverless ----

KvResult CKvJobDataDial2::StepWithoutServer() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        StartCheck(kStatePreferences);
        break;
    case kStatePreferences:
        ServerlessPreferences();
        break;
    case kStateRequestManager:
        last_result_ = SendTransferRequest();
        if (last_result_ != KV_OK) {
            End();
            break;
        }
        second_timers_.Restart(kManagerTimerId, 0, kManagerWaitMs);
        GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ServerlessWaitForManager();
        break;
    case KV_JOB_STATE_RUNNING:
        ScanReports(KV_PAYLOAD_CAPI_TRANSFER_MANAGER, true);
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        if (partner_job_id_ != 0 && SendManagerShutdown() == KV_OK)
            second_timers_.Restart(kManagerTimerId, 0, kShutdownWaitMs);
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        incoming_.DeleteAll();
        ReportCallState(kPhoneDisconnected);
        GoTo(KV_JOB_STATE_FINISHED);
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataDial2::ServerlessPreferences() {
    CKvMessage* answer = nullptr;
    if (RequestRecord(answer, KV_MSG_COMMAND_DATA, KV_ENDPOINT_HOST_MAIN, 0, nullptr,
                      K_KVDT_TP_DTHDLR_DATAPREFERENCES) != KV_OK) {
        last_result_ = KV_E_FAIL;
        End();
        return;
    }
    if (answer == nullptr)
        return;
    auto* preferences = static_cast<CKvDataPreferences*>(answer->GetPayload());
    if (answer->GetAttribute() != KV_MSG_ATTR_DATA_FOUND) {
        last_result_ = KV_E_FAIL;
    } else if (!IsValidPtr(preferences)) {
        last_result_ = KV_E_INVALID_POINTER;
    } else {
        source_number_ = preferences->GetPhoneNumberCtiSource();
        TakeDiallingRules(rules_, *preferences);
        flag_cti_target_automatic_line_ = preferences->GetFlagCtiTargetAutomaticLine().IsTrue() ? 1 : 0;
        flag_source_automatic_line_ = preferences->GetFlagSourceAutomaticLine().IsTrue() ? 1 : 0;
        flag_second_call_swap_ = preferences->GetFlagSecondCallSwapInternExtern().IsTrue() ? 1 : 0;
        rules_.ModeFlag() = static_cast<std::int32_t>(flag_source_automatic_line_);
        GoTo(kStateRequestManager);
    }
    answer->Release();
    if (last_result_ != KV_OK)
        End();
}

void CKvJobDataDial2::ServerlessWaitForManager() {
    if (CKvMessage* message = FindAnswer(KV_PAYLOAD_CAPI_TRANSFER_MANAGER)) {
        if (message->GetAttribute() == KV_MSG_ATTR_ACCEPTED) {
            SendAcceptanceToOriginator();
            partner_job_id_ = message->GetTargetJobId();
            ReportCallState(kPhoneIdle);
            GoTo(KV_JOB_STATE_RUNNING);
        } else {
            End();
        }
    }
    incoming_.DeleteAll();
    if (state_ == KV_JOB_STATE_WAITING_FOR_ANSWER && second_timers_.CheckExpired(kManagerTimerId))
        End();
}

// ---- Executor ----

KvResult CKvJobDataDial2::PrepareNumbers() {
    std::string dialable;
    std::string target = GetTargetNumber();
    const KvResult result = rules_.MakeDialableNumber(dialable, target);
    SetTargetNumber(dialable);
    return result;
}

KvResult CKvJobDataDial2::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        ExecutorStart();
        break;
    case kStateHostRecord:
        ExecutorHost();
        break;
    case kStateLoginRecord:
        ExecutorLogin();
        break;
    case kStateRequestManager:
        last_result_ = RequestTransferManager();
        if (last_result_ == KV_OK) {
            GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        } else {
            End();
            Refuse();
        }
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        ExecutorWaitForManager(true, true);
        break;
    case KV_JOB_STATE_RUNNING:
        ScanManagerAnswers();
        if (state_ == KV_JOB_STATE_RUNNING && AnyTimerExpired()) {
            End();
            Answer(KV_MSG_ATTR_ENDED);
        }
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        SendManagerShutdown();
        End();
        break;
    case KV_JOB_STATE_CLEANUP:
        Finish();
        break;
    default:
        last_result_ = KV_E_BAD_STATE;
        break;
    }
    return last_result_;
}

void CKvJobDataDial2::ExecutorStart() {
    const std::string login = loginname_;
    CollectLocalIdentity();
    loginname_ = login;
    std::string target = GetTargetNumber();
    TrimInPlace(target);
    if (target.empty()) {
        End();
    } else if ((last_result_ = PostHostRecord()) == KV_OK) {
        waiting_flag_ = 1;
        if (timers_.Find(kLoginRetryTimerId) == nullptr)
            timers_.Add(kLoginRetryTimerId, 1, 0);
        timers_.Start(kAnswerTimerId);
        GoTo(kStateHostRecord);
    } else {
        End();
    }
    if (state_ == KV_JOB_STATE_CLEANUP)
        Refuse();
}

void CKvJobDataDial2::ExecutorHost() {
    if (CKvMessage* message = FindAnswer(K_KVDT_TP_DTHDLR_DATACOMPUTER)) {
        auto* host = static_cast<CKvDataHost*>(message->GetPayload());
        if (message->GetAttribute() != KV_MSG_ATTR_DATA_FOUND || !IsValidPtr(host)) {
            End();
        } else {
            TrimInPlace(cti_number_);
            const bool known =
                cti_number_.empty()
                    ? host->GetCtiDeviceNumbers().GetFirst(cti_number_) && !cti_number_.empty()
                    : host->GetCtiDeviceNumbers().Contains(cti_number_);
            if (!known) {
                End();
            } else if (host->GetFlagAcceptAllUser()) {
                GoTo(kStateRequestManager);
            } else if ((last_result_ = PostLoginRecord()) == KV_OK) {
                waiting_flag_ = 1;
                GoTo(kStateLoginRecord);
            } else {
                End();
            }
        }
    }
    FinishWait(kStateHostRecord, true, true);
}

void CKvJobDataDial2::ExecutorLogin() {
    if (CKvMessage* message = FindAnswer(K_KVDT_TP_DTHDLR_DATASERVERUSER)) {
        if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND ||
            message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND_LOCKED)
            GoTo(kStateRequestManager);
    }
    FinishWait(kStateLoginRecord, false, true);
}
