#include "jobs/job_data_dial.h"

#include "data/data_host.h"
#include "jobs/job_element_xml.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <array>

namespace {

constexpr std::string_view kElementName = "JobDataDial";
constexpr std::array<std::string_view, 5> kReadKeys = {"loginname", "hostname", "hostip",
                                                       "portnumber", "targetnumber"};

// A row of a preparation table; external -1 matches either answer.
template <typename Action> struct PreparationRow {
    bool automatic;
    bool internal;
    std::int8_t external;
    Action action;
};

template <typename Action, std::size_t N>
Action FindAction(const std::array<PreparationRow<Action>, N>& table, bool automatic,
                  bool internal, bool external) {
    for (const PreparationRow<Action>& row : table) {
        if (row.automatic == automatic && row.internal == internal &&
            (row.external < 0 || (row.external != 0) == external))
            return row.action;
    }
    return Action{};
}

} // namespace

CKvJobDataDial::CKvJobDataDial() : CKvJobDataDialBase(K_KVJBDT_TP_DIAL) {
    InitDial();
}

void CKvJobDataDial::InitDial() {
    type_code_ = K_KVJBDT_TP_DIAL;
    ResetDialFields();
    linked_call_.reset();
}

CKvJobDataDial& CKvJobDataDial::CopyFrom(const CKvJobDataDial& other) {
    if (&other == this)
        return *this;
    type_code_ = K_KVJBDT_TP_DIAL;
    CopyDialFields(other);
    return *this;
}

void CKvJobDataDial::SetTargetNumber(const std::string& number) {
    std::string trimmed = number;
    TrimInPlace(trimmed);
    CKvJobDataDialBase::SetTargetNumber(trimmed);
}

// ---- XML ----

KvResult CKvJobDataDial::WriteXml(XmlNode* job_data) {
    return WriteDialElement(job_data, false);
}

KvResult CKvJobDataDial::ReadXml(const XmlNode* job_data) {
    RequiredKeys keys(kReadKeys);
    return ReadJobElement(
        job_data, kElementName, idsource_,
        [this, &keys](const XmlNode& child) {
            if (!keys.Count(child))
                return;
            const std::string_view name = child.GetName();
            const std::string text = child.GetText();
            if (name == "targetnumber")
                SetTargetNumber(text);
            else
                ReadPeerKey(name, text);
        },
        &keys);
}

// ---- Affix rules ----

bool CKvJobDataDial::HasAffixes(std::string_view number, std::string& prefix,
                                std::string& suffix) {
    TrimInPlace(prefix);
    TrimInPlace(suffix);
    return DiallingRules::HasAffixes(number, prefix, suffix);
}

std::int32_t CKvJobDataDial::StripAffixes(std::string& number, const std::string& prefix,
                                          const std::string& suffix) {
    if (prefix.empty() && suffix.empty()) {
        TrimInPlace(number);
        return 1;
    }
    return DiallingRules::StripAffixes(number, prefix, suffix);
}

bool CKvJobDataDial::HasInternalAffixes(std::string_view number) {
    return HasAffixes(number, internal_prefix_, internal_suffix_);
}

bool CKvJobDataDial::HasExternalAffixes(std::string_view number) {
    return HasAffixes(number, external_prefix_, external_suffix_);
}

std::int32_t CKvJobDataDial::StripInternalAffixes(std::string& number) const {
    return StripAffixes(number, internal_prefix_, internal_suffix_);
}

std::int32_t CKvJobDataDial::StripExternalAffixes(std::string& number) const {
    return StripAffixes(number, external_prefix_, external_suffix_);
}

void CKvJobDataDial::AddInternalAffixes(std::string& number) const {
    number = internal_prefix_ + number + internal_suffix_;
}

void CKvJobDataDial::AddExternalAffixes(std::string& number) const {
    number = external_prefix_ + number + external_suffix_;
}

KvResult CKvJobDataDial::Apply(Affix action, std::string& number) const {
    switch (action) {
    case Affix::kStripInternal:
        return StripInternalAffixes(number) != 0 ? KV_OK : KV_E_FAIL;
    case Affix::kStripExternal:
        return StripExternalAffixes(number) != 0 ? KV_OK : KV_E_FAIL;
    case Affix::kAddInternal:
        AddInternalAffixes(number);
        return KV_OK;
    case Affix::kAddExternal:
        AddExternalAffixes(number);
        return KV_OK;
    case Affix::kNone:
        break;
    }
    return KV_OK;
}

KvResult CKvJobDataDial::PrepareTargetNumber() {
    static constexpr std::array<PreparationRow<Affix>, 5> kTable = {{
        {false, true, -1, Affix::kStripInternal},
        {false, false, 0, Affix::kAddExternal},
        {false, false, 1, Affix::kNone},
        {true, true, -1, Affix::kNone},
        {true, false, 1, Affix::kStripExternal},
    }};
    std::string number = GetTargetNumber();
    const bool internal = HasInternalAffixes(number);
    const bool external = HasExternalAffixes(number);
    const KvResult result =
        Apply(FindAction(kTable, flag_automatic_line_ != 0, internal, external), number);
    if (result == KV_OK)
        SetTargetNumber(number);
    return result;
}

KvResult CKvJobDataDial::PrepareCtiNumber() {
    static constexpr std::array<PreparationRow<Affix>, 4> kTable = {{
        {false, true, -1, Affix::kStripInternal},
        {true, true, -1, Affix::kNone},
        {true, false, 1, Affix::kStripExternal},
        {true, false, 0, Affix::kAddInternal},
    }};
    std::string number = cti_number_;
    const bool internal = HasInternalAffixes(number);
    const bool external = HasExternalAffixes(number);
    const KvResult result =
        Apply(FindAction(kTable, flag_automatic_line_ != 0, internal, external), number);
    if (result == KV_OK)
        cti_number_ = number;
    return result;
}

KvResult CKvJobDataDial::PrepareNumbers() {
    if (PrepareTargetNumber() != KV_OK || PrepareCtiNumber() != KV_OK)
        return KV_E_FAIL;
    return KV_OK;
}

// ---- Executor ----

KvResult CKvJobDataDial::StepExecutor() {
    last_result_ = KV_OK;
    switch (state_) {
    case KV_JOB_STATE_START:
        last_result_ = PostHostRecord();
        if (last_result_ == KV_OK) {
            waiting_flag_ = 1;
            timers_.Start(kAnswerTimerId);
            GoTo(kStateHostRecord);
        } else {
            End();
            Refuse();
        }
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
            timers_.Start(kAnswerTimerId);
            GoTo(KV_JOB_STATE_WAITING_FOR_ANSWER);
        } else {
            End();
        }
        break;
    case KV_JOB_STATE_WAITING_FOR_ANSWER:
        // A manager that never answers ends the job without a refusal.
        ExecutorWaitForManager(false, false);
        break;
    case KV_JOB_STATE_RUNNING:
        // Once accepted the call is followed without a time limit.
        ScanManagerAnswers();
        break;
    case KV_JOB_STATE_STOP_REQUESTED:
        last_result_ = SendManagerShutdown();
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

void CKvJobDataDial::ExecutorHost() {
    if (CKvMessage* message = FindAnswer(K_KVDT_TP_DTHDLR_DATACOMPUTER)) {
        auto* host = static_cast<CKvDataHost*>(message->GetPayload());
        if (message->GetAttribute() != KV_MSG_ATTR_DATA_FOUND || !IsValidPtr(host)) {
            End();
        } else {
            cti_number_ = host->GetDeviceNumber();
            if (host->GetFlagAcceptAllUser()) {
                timers_.Stop(kAnswerTimerId);
                GoTo(kStateRequestManager);
            } else if ((last_result_ = PostLoginRecord()) == KV_OK) {
                timers_.Start(kAnswerTimerId);
                waiting_flag_ = 1;
                GoTo(kStateLoginRecord);
            } else {
                End();
            }
        }
    }
    FinishWait(kStateHostRecord, false, true);
}

void CKvJobDataDial::ExecutorLogin() {
    if (CKvMessage* message = FindAnswer(K_KVDT_TP_DTHDLR_DATASERVERUSER)) {
        if (message->GetAttribute() == KV_MSG_ATTR_DATA_FOUND) {
            timers_.Stop(kAnswerTimerId);
            GoTo(kStateRequestManager);
        } else {
            End();
        }
    }
    FinishWait(kStateLoginRecord, false, true);
}
