#pragma once
// CKvDataUser: one user of the suite as the other users see him (screen name,
// names, outgoing and incoming numbers, image, disconnection time-out, two
// flags). Element "DATAUSER"; a non-zero identifier travels as the attribute
// "identifier" (data/record_identifier.h).
//
// Beside its persisted fields the record carries runtime members that the
// chat job gives their values: they travel with the object (payload, store,
// copy) but never in a text form. The record only stores, resets and copies
// them.

#include "core/timeout_timer.h"
#include "data/data_handler.h"
#include "data/record_identifier.h"
#include "data/record_keys.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

class CKvMessage;

class CKvDataUser : public NumberedRecord<CKvDataUser, K_KVDT_TP_DTHDLR_DATAUSER> {
public:
    // A text set position: 0 is the null position, else the index of the
    // next text plus one.
    using TextSetPosition = std::size_t;

    static constexpr std::uint32_t kTimeoutMinimum = 500;
    static constexpr std::uint32_t kTimeoutMaximum = 2000;
    static constexpr std::uint32_t kTimeoutDefault = 1000;

    explicit CKvDataUser(CKvDataHandlerCatalog* context = nullptr, std::uint32_t identifier = 0);
    // Releases the pending message.
    ~CKvDataUser() override;
    // Persisted fields, base identifier, flag word, timer and context, the
    // text set, the chat states, runtime fields 8 to 14 and timer 4; the key
    // text, runtime text, runtime fields 3, 4, 6, 7, the pending message and
    // timers 1 to 3 stay the target's own.
    CKvDataUser& operator=(const CKvDataUser& other);

    // ---- Record operations ----

    // Also releases a pending message, so that a reused record leaks none.
    KvResult Reset() override;
    // The screen name, followed by ";" and the outgoing number when there is
    // one.
    std::string& GetKey() override;

    // ---- Text fields: setters trim the caller's text in place ----

    const std::string& GetScreenName() const { return screen_name_; }
    void SetScreenName(std::string& text);
    const std::string& GetFirstName() const { return first_name_; }
    void SetFirstName(std::string& text);
    const std::string& GetLastName() const { return last_name_; }
    void SetLastName(std::string& text);
    const std::string& GetPhoneNumberOut() const { return phone_number_out_; }
    void SetPhoneNumberOut(std::string& text);
    const std::string& GetPhoneNumberOutPrefix() const { return phone_number_out_prefix_; }
    void SetPhoneNumberOutPrefix(std::string& text);
    const std::string& GetPhoneNumberOutSuffix() const { return phone_number_out_suffix_; }
    void SetPhoneNumberOutSuffix(std::string& text);
    const std::string& GetPhoneNumberIn() const { return phone_number_in_; }
    void SetPhoneNumberIn(std::string& text);

    // ---- Value fields, each held as a number and as its text ----

    void SetIdImage(std::uint32_t id_image);
    // Trims the caller's text; a text of decimal digits sets the number (and
    // is rewritten without leading zeros), any other text is kept with 0.
    void SetIdImageText(std::string& text);
    std::uint32_t GetIdImage() const { return id_image_; }
    const std::string& GetIdImageText() const { return id_image_text_; }

    // Clamped to 500 to 2000. Radix 10 writes the text in decimal, radix 16
    // as eight hexadecimal digits; any other radix leaves the text as it is.
    void SetTimeoutDisconnected(std::uint32_t milliseconds, int radix);
    // Trims and stores the caller's text, then sets the clamped number it
    // reads as a signed number in the radix (a negative one counts as large).
    void SetTimeoutDisconnectedText(std::string& text, int radix);
    std::uint32_t GetTimeoutDisconnected() const { return timeout_disconnected_; }
    const std::string& GetTimeoutDisconnectedText() const { return timeout_disconnected_text_; }

    // Word setters write "TRUE" for any non-zero word; text setters keep the
    // text as given and set the word only for exactly "TRUE".
    void SetFlagChangeDataAutomaticaly(std::uint32_t flag);
    void SetFlagChangeDataAutomaticalyText(const std::string& text);
    std::uint32_t GetFlagChangeDataAutomaticaly() const { return flag_change_data_; }
    const std::string& GetFlagChangeDataAutomaticalyText() const { return flag_change_data_text_; }
    void SetFlagUseBuddyPrefixSuffix(std::uint32_t flag);
    void SetFlagUseBuddyPrefixSuffixText(const std::string& text);
    std::uint32_t GetFlagUseBuddyPrefixSuffix() const { return flag_buddy_prefix_suffix_; }
    const std::string& GetFlagUseBuddyPrefixSuffixText() const {
        return flag_buddy_prefix_suffix_text_;
    }

    // ---- Text operations ----

    // Derives the outgoing prefix and suffix from the incoming number: the
    // non-digits before its first and after its last digit, kept only when
    // prefix, outgoing number and suffix give the incoming number again.
    void SplitOutgoingNumber();
    // Applies the backspace bytes (0x08) of the runtime text.
    void UpdateRuntimeText();

    // ---- Text set (texts without values, in the order they were added) ----

    void AddToTextSet(const std::string& text);
    void RemoveAllFromTextSet();
    bool GetTextSetStart(TextSetPosition& position) const;
    bool GetNextFromTextSet(std::string& text, TextSetPosition& position) const;
    // Replaces the other record's set with this one's.
    void CopyTextSetTo(CKvDataUser& other) const;
    std::size_t GetTextSetCount() const { return text_set_.size(); }

    // ---- Runtime members, read and written in place by the chat job ----

    void SetChatState(std::uint32_t state) { chat_state_ = state; }
    std::uint32_t GetChatState() const { return chat_state_; }
    void SetChatSubState(std::uint32_t state) { chat_sub_state_ = state; }
    std::uint32_t GetChatSubState() const { return chat_sub_state_; }

    std::string& GetRuntimeText() { return runtime_text_; }
    std::uint32_t& GetRuntimeField3() { return runtime_field3_; }
    std::uint32_t& GetRuntimeField4() { return runtime_field4_; }
    // The pending message, owned by the record. A caller that stores one
    // hands it over; a caller that takes it out releases it and sets the
    // pointer to null itself.
    CKvMessage*& GetRuntimeField5() { return pending_message_; }
    TimeoutTimer& GetTimer1() { return timer1_; }
    TimeoutTimer& GetTimer2() { return timer2_; }
    TimeoutTimer& GetTimer3() { return timer3_; }
    std::uint32_t& GetRuntimeField6() { return runtime_field6_; }
    std::uint32_t& GetRuntimeField7() { return runtime_field7_; }
    std::uint32_t& GetRuntimeField8() { return runtime_fields8_to_13_[0]; }
    std::uint32_t& GetRuntimeField9() { return runtime_fields8_to_13_[1]; }
    std::uint32_t& GetRuntimeField10() { return runtime_fields8_to_13_[2]; }
    std::uint32_t& GetRuntimeField11() { return runtime_fields8_to_13_[3]; }
    std::uint32_t& GetRuntimeField12() { return runtime_fields8_to_13_[4]; }
    std::uint32_t& GetRuntimeField13() { return runtime_fields8_to_13_[5]; }
    TimeoutTimer& GetTimer4() { return timer4_; }
    std::uint32_t& GetRuntimeField14() { return runtime_field14_; }

private:
    friend KeyTableRecord;
    friend NumberedRecord;
    static const RecordForm<CKvDataUser>& Form();
    void ReadTimeoutText(std::string& text) { SetTimeoutDisconnectedText(text, 10); }
    void ReleasePendingMessage();

    std::string key_text_;
    std::string screen_name_;
    std::string first_name_;
    std::string last_name_;
    std::string phone_number_out_;
    std::string phone_number_out_prefix_;
    std::string phone_number_out_suffix_;
    std::uint32_t flag_buddy_prefix_suffix_ = 0;
    std::string flag_buddy_prefix_suffix_text_;
    std::string phone_number_in_;
    std::uint32_t id_image_ = 0;
    std::string id_image_text_;
    std::uint32_t flag_change_data_ = 0;
    std::string flag_change_data_text_;
    std::uint32_t timeout_disconnected_ = kTimeoutDefault;
    std::string timeout_disconnected_text_;
    std::string runtime_text_;
    std::vector<std::string> text_set_;
    // The same texts, so that an add need not search the list.
    std::unordered_set<std::string> text_set_index_;
    std::uint32_t chat_sub_state_ = 0;
    std::uint32_t chat_state_ = 0;
    std::uint32_t runtime_field3_ = 0;
    std::uint32_t runtime_field4_ = 0;
    CKvMessage* pending_message_ = nullptr;
    TimeoutTimer timer1_{0, 0};
    TimeoutTimer timer2_{0, 0};
    TimeoutTimer timer3_{0, 0};
    std::uint32_t runtime_field6_ = 0;
    std::uint32_t runtime_field7_ = 0;
    std::uint32_t runtime_fields8_to_13_[6] = {};
    TimeoutTimer timer4_{0, 0};
    std::uint32_t runtime_field14_ = 0;
};
