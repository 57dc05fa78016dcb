#include "data/data_user.h"

#include "data/image_id_text.h"
#include "data/record_identifier.h"
#include "framework/message.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::string_view kDigits = "0123456789";
constexpr char kBackspace = '\x08';

const char* FlagText(std::uint32_t flag) {
    return flag != 0 ? "TRUE" : "FALSE";
}

} // namespace

CKvDataUser::CKvDataUser(CKvDataHandlerCatalog* context, std::uint32_t identifier)
    : NumberedRecord(context, identifier) {
    CKvDataUser::Reset();
}

CKvDataUser::~CKvDataUser() {
    ReleasePendingMessage();
}

void CKvDataUser::ReleasePendingMessage() {
    if (IsValidPtr(pending_message_))
        pending_message_->Release();
    pending_message_ = nullptr;
}

CKvDataUser& CKvDataUser::operator=(const CKvDataUser& other) {
    if (this == &other)
        return *this;
    SetTypeCode(kTypeCode);
    CopyBaseFields(other, kBaseCommon);
    screen_name_ = other.screen_name_;
    first_name_ = other.first_name_;
    last_name_ = other.last_name_;
    phone_number_out_ = other.phone_number_out_;
    phone_number_out_prefix_ = other.phone_number_out_prefix_;
    phone_number_out_suffix_ = other.phone_number_out_suffix_;
    flag_buddy_prefix_suffix_ = other.flag_buddy_prefix_suffix_;
    flag_buddy_prefix_suffix_text_ = other.flag_buddy_prefix_suffix_text_;
    phone_number_in_ = other.phone_number_in_;
    id_image_ = other.id_image_;
    id_image_text_ = other.id_image_text_;
    flag_change_data_ = other.flag_change_data_;
    flag_change_data_text_ = other.flag_change_data_text_;
    timeout_disconnected_ = other.timeout_disconnected_;
    timeout_disconnected_text_ = other.timeout_disconnected_text_;
    other.CopyTextSetTo(*this);
    chat_sub_state_ = other.chat_sub_state_;
    chat_state_ = other.chat_state_;
    std::copy(std::begin(other.runtime_fields8_to_13_), std::end(other.runtime_fields8_to_13_),
              std::begin(runtime_fields8_to_13_));
    timer4_ = other.timer4_;
    runtime_field14_ = other.runtime_field14_;
    return *this;
}

KvResult CKvDataUser::Reset() {
    ResetBaseFields();
    screen_name_.clear();
    first_name_.clear();
    last_name_.clear();
    phone_number_out_.clear();
    phone_number_out_prefix_.clear();
    phone_number_out_suffix_.clear();
    phone_number_in_.clear();
    SetIdImage(0);
    SetFlagChangeDataAutomaticaly(0);
    SetFlagUseBuddyPrefixSuffix(0);
    SetTimeoutDisconnected(kTimeoutDefault, 10);
    chat_sub_state_ = 0;
    chat_state_ = 0;
    ReleasePendingMessage();
    runtime_field6_ = 0;
    runtime_field7_ = 0;
    std::fill(std::begin(runtime_fields8_to_13_), std::end(runtime_fields8_to_13_), 0u);
    runtime_field14_ = 0;
    timer4_.SetInterval(2, 0);
    return result_ = KV_OK;
}

std::string& CKvDataUser::GetKey() {
    key_text_ = screen_name_;
    if (!phone_number_out_.empty()) {
        key_text_ += ';';
        key_text_ += phone_number_out_;
    }
    return key_text_;
}

const RecordForm<CKvDataUser>& CKvDataUser::Form() {
    static constexpr RecordKey<CKvDataUser> kKeys[] = {
        TextKeyWithSetter<&CKvDataUser::screen_name_, &CKvDataUser::SetScreenName>("screenname",
                                                                                   kKeyFilter),
        TextKeyWithSetter<&CKvDataUser::first_name_, &CKvDataUser::SetFirstName>("firstname",
                                                                                 kKeyFilter),
        TextKeyWithSetter<&CKvDataUser::last_name_, &CKvDataUser::SetLastName>("lastname",
                                                                               kKeyFilter),
        TextKeyWithSetter<&CKvDataUser::phone_number_out_, &CKvDataUser::SetPhoneNumberOut>(
            "phonenumberout", kKeyFilter),
        TextKeyWithSetter<&CKvDataUser::phone_number_out_prefix_,
                          &CKvDataUser::SetPhoneNumberOutPrefix>("phonenumberoutprefix"),
        TextKeyWithSetter<&CKvDataUser::phone_number_out_suffix_,
                          &CKvDataUser::SetPhoneNumberOutSuffix>("phonenumberoutsuffix"),
        TextKeyWithSetter<&CKvDataUser::phone_number_in_, &CKvDataUser::SetPhoneNumberIn>(
            "phonenumberin"),
        TextKeyWithSetter<&CKvDataUser::id_image_text_, &CKvDataUser::SetIdImageText>("idimage",
                                                                                      kKeyFilter),
        TextKeyWithSetter<&CKvDataUser::timeout_disconnected_text_, &CKvDataUser::ReadTimeoutText>(
            "timeoutdisconnected_ms"),
        TextKeyWithSetter<&CKvDataUser::flag_change_data_text_,
                          &CKvDataUser::SetFlagChangeDataAutomaticalyText>(
            "flagchangedataautomaticaly"),
        TextKeyWithSetter<&CKvDataUser::flag_buddy_prefix_suffix_text_,
                          &CKvDataUser::SetFlagUseBuddyPrefixSuffixText>(
            "flagusebuddyprefixsuffix"),
    };
    static constexpr RecordForm<CKvDataUser> kForm{
        .element_name = "DATAUSER",
        .keys = kKeys,
        .write_policy = RecordWritePolicy::kStopAtFailure,
        .dom_form = RecordDomForm::kSameKeys,
    };
    return kForm;
}

void CKvDataUser::SetScreenName(std::string& text) {
    TrimInPlace(text);
    screen_name_ = text;
}

void CKvDataUser::SetFirstName(std::string& text) {
    TrimInPlace(text);
    first_name_ = text;
}

void CKvDataUser::SetLastName(std::string& text) {
    TrimInPlace(text);
    last_name_ = text;
}

void CKvDataUser::SetPhoneNumberOut(std::string& text) {
    TrimInPlace(text);
    phone_number_out_ = text;
}

void CKvDataUser::SetPhoneNumberOutPrefix(std::string& text) {
    TrimInPlace(text);
    phone_number_out_prefix_ = text;
}

void CKvDataUser::SetPhoneNumberOutSuffix(std::string& text) {
    TrimInPlace(text);
    phone_number_out_suffix_ = text;
}

void CKvDataUser::SetPhoneNumberIn(std::string& text) {
    TrimInPlace(text);
    phone_number_in_ = text;
}

void CKvDataUser::SetIdImage(std::uint32_t id_image) {
    SetImageId(id_image, id_image_, id_image_text_);
}

void CKvDataUser::SetIdImageText(std::string& text) {
    ParseImageIdText(text, id_image_, id_image_text_);
}

void CKvDataUser::SetTimeoutDisconnected(std::uint32_t milliseconds, int radix) {
    timeout_disconnected_ = std::clamp(milliseconds, kTimeoutMinimum, kTimeoutMaximum);
    if (radix == 10)
        timeout_disconnected_text_ = Format("%.d", static_cast<int>(timeout_disconnected_));
    else if (radix == 16)
        timeout_disconnected_text_ = Format("%.8x", timeout_disconnected_);
}

void CKvDataUser::SetTimeoutDisconnectedText(std::string& text, int radix) {
    TrimInPlace(text);
    timeout_disconnected_text_ = text;
    SetTimeoutDisconnected(static_cast<std::uint32_t>(ParseInt32(text, radix)), radix);
}

void CKvDataUser::SetFlagChangeDataAutomaticaly(std::uint32_t flag) {
    flag_change_data_ = flag;
    flag_change_data_text_ = FlagText(flag);
}

void CKvDataUser::SetFlagChangeDataAutomaticalyText(const std::string& text) {
    flag_change_data_text_ = text;
    flag_change_data_ = text == "TRUE" ? 1 : 0;
}

void CKvDataUser::SetFlagUseBuddyPrefixSuffix(std::uint32_t flag) {
    flag_buddy_prefix_suffix_ = flag;
    flag_buddy_prefix_suffix_text_ = FlagText(flag);
}

void CKvDataUser::SetFlagUseBuddyPrefixSuffixText(const std::string& text) {
    flag_buddy_prefix_suffix_text_ = text;
    flag_buddy_prefix_suffix_ = text == "TRUE" ? 1 : 0;
}

void CKvDataUser::SplitOutgoingNumber() {
    if (phone_number_in_ == phone_number_out_)
        return;
    std::string prefix = SpanExcluding(phone_number_in_, kDigits);
    SetPhoneNumberOutPrefix(prefix);
    const std::size_t last_digit = phone_number_in_.find_last_of(kDigits);
    std::string suffix = last_digit == std::string::npos ? phone_number_in_
                                                         : phone_number_in_.substr(last_digit + 1);
    SetPhoneNumberOutSuffix(suffix);
    if (phone_number_out_prefix_ + phone_number_out_ + phone_number_out_suffix_ == phone_number_in_)
        return;
    phone_number_out_prefix_.clear();
    phone_number_out_suffix_.clear();
}

void CKvDataUser::UpdateRuntimeText() {
    std::string applied;
    applied.reserve(runtime_text_.size());
    for (const char c : runtime_text_) {
        if (c != kBackspace)
            applied += c;
        else if (!applied.empty())
            applied.pop_back();
    }
    runtime_text_ = std::move(applied);
}

void CKvDataUser::AddToTextSet(const std::string& text) {
    if (text_set_index_.insert(text).second)
        text_set_.push_back(text);
}

void CKvDataUser::RemoveAllFromTextSet() {
    text_set_.clear();
    text_set_index_.clear();
}

bool CKvDataUser::GetTextSetStart(TextSetPosition& position) const {
    position = text_set_.empty() ? 0 : 1;
    return position != 0;
}

bool CKvDataUser::GetNextFromTextSet(std::string& text, TextSetPosition& position) const {
    if (position == 0 || position > text_set_.size())
        return false;
    text = text_set_[position - 1];
    position = position < text_set_.size() ? position + 1 : 0;
    return true;
}

void CKvDataUser::CopyTextSetTo(CKvDataUser& other) const {
    if (&other == this)
        return;
    other.text_set_ = text_set_;
    other.text_set_index_ = text_set_index_;
}
