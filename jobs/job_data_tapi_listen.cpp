#include "jobs/job_data_tapi_listen.h"

#include "core/node_text.h"
#include "jobs/job_element_xml.h"
#include "platform/pointer.h"

namespace {

constexpr std::string_view kElementName = "JobDataTAPIListen";

} // namespace

CKvJobDataTAPIListen::CKvJobDataTAPIListen() {
    type_code_ = K_KVJBDT_TP_TAPI_LISTEN;
    state_ = KV_JOB_STATE_START;
    timers_.Add(kAnswerTimerId, kAnswerSeconds, 0);
    tapi_lines_.Reset();
    tapi_lines_.SetElementName("TAPI_LINES");
}

CKvJobDataTAPIListen::~CKvJobDataTAPIListen() {
    line_calls_.RemoveAllCalls();
    known_calls_.RemoveAllCalls();
    phone_lists_[0].Reset();
    phone_lists_[1].Reset();
    tapi_lines_.Reset();
    line_list_.Reset();
}

CKvJobDataTAPIListen& CKvJobDataTAPIListen::CopyFrom(const CKvJobDataTAPIListen& other) {
    if (&other == this)
        return *this;
    CKvJobData::CopyFrom(other);
    aux_texts_[0] = other.aux_texts_[0];
    aux_texts_[1] = other.aux_texts_[1];
    received_number_ = other.received_number_;
    own_device_number_ = other.own_device_number_;
    card_number_text_ = other.card_number_text_;
    phone_lists_[0] = other.phone_lists_[0];
    phone_lists_[1] = other.phone_lists_[1];
    rules_ = other.rules_;
    executor_variant_ = other.executor_variant_;
    line_calls_ = other.line_calls_;
    call_record_ = other.call_record_;
    tapi_lines_ = other.tapi_lines_;
    known_calls_ = other.known_calls_;
    line_list_ = other.line_list_;
    devices_asked_ = other.devices_asked_;
    watches_placed_ = other.watches_placed_;
    return *this;
}

void CKvJobDataTAPIListen::SetAuxTexts(const char* first, const char* second) {
    aux_texts_[0] = first != nullptr ? first : "";
    aux_texts_[1] = second != nullptr ? second : "";
}

// ---- XML ----

KvResult CKvJobDataTAPIListen::WriteXml(XmlNode* job_data) {
    std::vector<JobElementChild> children;
    const auto add = [&children](const char* name, const std::string& text) {
        if (!text.empty())
            children.emplace_back(name, text);
    };
    add("loginname", loginname_);
    add("hostname", peer_.GetName());
    // An address of 0 counts as none.
    if (peer_.GetAddress() != 0)
        add("hostip", peer_.GetAddressText());
    if (peer_.GetPort() != 0)
        add("portnumber", peer_.GetPortText());
    std::string datetime;
    children.emplace_back("datetime", datetime_.GetText(datetime));
    XmlDocument& document = Document();
    XmlNode* element = nullptr;
    KvResult result =
        WriteJobElement(element, document, job_data, kElementName, idsource_, children);
    if (result != KV_OK)
        return result;
    XmlNode* calls = nullptr;
    result = line_calls_.WriteXml(calls, document, element);
    if (result != KV_OK || line_list_.GetCount() == 0)
        return result;
    XmlNode* lines = nullptr;
    return line_list_.WriteXml(lines, document, element);
}

KvResult CKvJobDataTAPIListen::ReadXml(const XmlNode* job_data) {
    line_calls_.RemoveAllCalls();
    std::string scratch;
    return ReadJobElement(job_data, kElementName, idsource_, [this, &scratch](const XmlNode& child) {
        const std::string_view name = child.GetName();
        if (name == line_calls_.GetElementName()) {
            line_calls_.ReadXml(&child);
            return;
        }
        if (name == line_list_.GetElementName() && child.GetKind() != kXmlTextElement) {
            line_list_.ReadXml(&child);
            return;
        }
        if (child.GetKind() != kXmlTextElement)
            return;
        const std::string_view text = DecodedNodeText(child, scratch);
        if (ReadPeerKey(name, text))
            return;
        if (name == "datetime")
            datetime_.SetFromText(text);
    });
}
