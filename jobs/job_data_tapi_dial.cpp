#include "jobs/job_data_tapi_dial.h"

#include "core/node_text.h"
#include "jobs/job_element_xml.h"
#include "platform/number_parse.h"
#include "platform/text.h"

namespace {

constexpr std::string_view kElementName = "JobDataTAPIDial";
constexpr std::array<std::string_view, RequiredKeys::kCount> kReadKeys = {
    "loginname", "hostname", "hostip", "portnumber", "targetnumber"};

} // namespace

CKvJobDataTAPIDial::CKvJobDataTAPIDial() {
    InitTAPIDial();
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
    second_timers_.Add(kSecondTimerId, 0, kSecondTimerMs);
}

CKvJobDataTAPIDial::~CKvJobDataTAPIDial() = default;

void CKvJobDataTAPIDial::InitTAPIDial() {
    type_code_ = K_KVJBDT_TP_TAPI_DIAL;
    state_ = KV_JOB_STATE_START;
    idsource_ = 0;
    own_number_.clear();
    cti_source_.clear();
    for (std::string& text : texts_a_)
        text.clear();
    for (std::string& text : texts_b_)
        text.clear();
    text_e_.clear();
    words_a_[0] = words_a_[1] = 0;
    cti_target_flag_ = source_flag_ = word_c_ = word_d_ = second_call_swap_flag_ = 0;
    if (originator_)
        originator_->Reset();
    rules_.Reset();
    call_record_.Reset();
    line_endpoint_ = 0;
    line_text_.clear();
}

CKvJobDataTAPIDial& CKvJobDataTAPIDial::CopyFrom(const CKvJobDataTAPIDial& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    type_code_ = K_KVJBDT_TP_TAPI_DIAL;
    idsource_ = other.idsource_;
    state_ = other.state_;
    own_number_ = other.own_number_;
    SetTargetNumber(other.call_record_.GetPhoneNumber().GetNumber());
    cti_source_ = other.cti_source_;
    word_c_ = other.word_c_;
    sequence_counter_ = other.sequence_counter_;
    words_a_[0] = other.words_a_[0];
    words_a_[1] = other.words_a_[1];
    for (int i = 0; i < 4; ++i)
        texts_b_[i] = other.texts_b_[i];
    timers_.SetInterval(kAnswerTimerId, kCopyAnswerSeconds, 0);
    for (int i = 0; i < 3; ++i)
        texts_a_[i] = other.texts_a_[i];
    second_call_swap_flag_ = other.second_call_swap_flag_;
    cti_target_flag_ = other.cti_target_flag_;
    source_flag_ = other.source_flag_;
    word_d_ = other.word_d_;
    text_e_ = other.text_e_;
    rules_ = other.rules_;
    originator_.reset();
    if (other.originator_) {
        originator_ = std::make_unique<CKvDataCall>();
        *originator_ = *other.originator_;
    }
    line_text_ = other.line_text_;
    return *this;
}

void CKvJobDataTAPIDial::SetTargetNumber(std::string_view number) {
    call_record_.GetPhoneNumber().GetNumber() = std::string(TrimmedView(number));
}

// ---- XML ----

KvResult CKvJobDataTAPIDial::WriteXml(XmlNode* job_data) {
    std::string port;
    AssignUnsigned(port, peer_.GetPort());
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    const KvResult result =
        WriteJobElement(element, document, job_data, kElementName, idsource_,
                        {{"loginname", loginname_},
                         {"hostname", peer_.GetName()},
                         {"hostip", peer_.GetAddressText()},
                         {"portnumber", port},
                         {"targetnumber", call_record_.GetPhoneNumber().GetNumber()}});
    if (result != KV_OK)
        return result;
    XmlNode* call = nullptr;
    return call_.WriteXml(call, document, element);
}

KvResult CKvJobDataTAPIDial::ReadXml(const XmlNode* job_data) {
    RequiredKeys keys(kReadKeys);
    std::string scratch;
    return ReadJobElement(
        job_data, kElementName, idsource_,
        [this, &keys, &scratch](const XmlNode& child) {
            const std::string_view name = child.GetName();
            if (child.GetKind() != kXmlTextElement && name == "KVTAPICALL")
                call_.ReadXml(&child);
            if (!keys.Count(child))
                return;
            const std::string_view text = DecodedNodeText(child, scratch);
            if (name == "targetnumber")
                SetTargetNumber(text);
            else
                ReadPeerKey(name, text);
        },
        &keys);
}
