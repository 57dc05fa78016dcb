#pragma once
// The compact chat packet exchanged with peers: the mark "P", three header
// bytes of bit fields and up to 14 characters of 7-bit text, at most 18
// bytes. The text is kept as the readable characters it stands for, whether
// it was set or decoded; the 7-bit substitutions apply only to the bytes.

#include "core/timeout_timer.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

class PackedMessage {
public:
    static constexpr std::uint32_t kHeaderLength = 4;
    static constexpr std::uint32_t kMaxTextLength = 14;
    static constexpr std::uint32_t kMaxLength = kHeaderLength + kMaxTextLength;
    static constexpr std::uint8_t kMark = 'P';
    // How long a packet waits for its answer.
    static constexpr std::uint32_t kTimeoutSeconds = 20;

    // The encoded record and the two zero bytes behind it.
    using EncodedBytes = std::array<std::uint8_t, kMaxLength + 2>;

    enum Type : std::uint32_t {
        kTypeUnspecified = 0,
        kTypeRequest = 1,
        kTypeConfirmation = 2,
        kTypeInfo = 3,
    };
    enum Command : std::uint32_t {
        kCommandRegister = 2,
        kCommandUnregister = 3,
        kCommandNotificationData = 6,
        kCommandNotificationStatus = 7,
    };
    enum RegisterSubCommand : std::uint32_t {
        kRegisterPhoneNumber = 2,
        kRegisterFirstName = 3,
        kRegisterLastName = 6,
        kRegisterScreenName = 7,
    };
    enum StatusSubCommand : std::uint32_t {
        kStatusPhoneNumber = 2,
        kStatusFirstName = 3,
        kStatusLastName = 6,
        kStatusIdPicture = 7,
    };
    enum DataSubCommand : std::uint32_t {
        kDataContinue = 2,
        kDataEnd = 3,
        kDataCancel = 6,
    };

    // REGISTER, type 0, flag stored 1, status sub-command 2, register
    // sub-command 7, the timer idle with 20 s.
    PackedMessage();

    // Keeps the characters that have a 7-bit form and cuts the result to 14
    // (KV_E_FAIL when it had to cut).
    KvResult SetText(const std::string& text);
    // Header and text into the encoded bytes, every field masked to its
    // width. KV_E_FAIL without a type (nothing written).
    KvResult Encode();

    // Each sets its sub-command, the text, command, type, idt and ids, then
    // encodes; the result is the encoding's (a cut text is not reported).
    // BuildRegister refuses type 0 with KV_E_FAIL and builds nothing.
    KvResult BuildRegister(std::uint32_t type, std::uint32_t idt, std::uint32_t ids,
                           const std::string& text, std::uint32_t register_sub_command);
    KvResult BuildRegisterTyped(std::uint32_t idt, std::uint32_t ids, const std::string& text,
                                std::uint32_t register_sub_command, std::uint32_t type);
    KvResult BuildUnregister(std::uint32_t type, std::uint32_t idt, std::uint32_t ids,
                             const std::string& text);
    KvResult BuildStatusInfo(std::uint32_t idt, std::uint32_t ids, const std::string& text,
                             std::uint32_t status_sub_command);
    KvResult BuildStatusRequest(std::uint32_t idt, std::uint32_t ids, const std::string& text,
                                std::uint32_t status_sub_command);

    // The encoded bytes (the zero bytes included, the rest of the array 0)
    // when the length is 4 to 18; else length 0 and KV_E_FAIL.
    KvResult GetRawBytes(std::uint32_t& length, EncodedBytes& bytes);
    // Decodes a received record. KV_E_FAIL for a length outside 4 to 18
    // (nothing changes), a first byte other than "P" or a type of 0 (the
    // header is kept, the text not decoded). Once the length was accepted a
    // given peer name is kept, even when the record was refused.
    KvResult FromBytes(std::span<const std::uint8_t> bytes, const std::string* peer_name);

    // "idt[..] ids[..] mn(..) COMMAND (TYPE):\t", the sub-command's name and a
    // tab for commands 2, 6 and 7, then "[text]".
    std::string& FormatLog(std::string& out) const;
    // True when at least one criterion is given (the idt, the ids, a
    // non-empty text) and every given one holds.
    bool Matches(const std::string& text, std::uint32_t idt, bool use_idt, std::uint32_t ids,
                 bool use_ids) const;

    static const char* TypeName(std::uint32_t type);
    static const char* CommandName(std::uint32_t command);
    static const char* RegisterSubCommandName(std::uint32_t sub_command);
    static const char* StatusSubCommandName(std::uint32_t sub_command);
    static const char* DataSubCommandName(std::uint32_t sub_command);

    void SetMessageNumber(std::uint32_t number) { message_number_ = number & 3; }
    std::uint32_t GetMessageNumber() const { return message_number_; }
    // 0 and 1 store 0, anything else 1; GetFlag gives 2 for a stored 1, else 1.
    void SetFlag(std::uint32_t value) { flag_ = value > 1 ? 1 : 0; }
    std::uint32_t GetFlag() const { return flag_ == 1 ? 2 : 1; }

    const std::string& GetText() const { return text_; }
    std::uint32_t GetType() const { return type_; }
    void SetType(std::uint32_t type) { type_ = type; }
    std::uint32_t GetCommand() const { return command_; }
    void SetCommand(std::uint32_t command) { command_ = command; }
    std::uint32_t GetIdt() const { return idt_; }
    void SetIdt(std::uint32_t idt) { idt_ = idt; }
    std::uint32_t GetIds() const { return ids_; }
    void SetIds(std::uint32_t ids) { ids_ = ids; }
    std::uint32_t GetRegisterSubCommand() const { return register_sub_command_; }
    void SetRegisterSubCommand(std::uint32_t value) { register_sub_command_ = value; }
    std::uint32_t GetStatusSubCommand() const { return status_sub_command_; }
    void SetStatusSubCommand(std::uint32_t value) { status_sub_command_ = value; }
    std::uint32_t GetDataSubCommand() const { return data_sub_command_; }
    void SetDataSubCommand(std::uint32_t value) { data_sub_command_ = value; }
    std::uint32_t GetLength() const { return length_; }
    const EncodedBytes& GetEncodedBytes() const { return encoded_; }
    KvResult GetLastResult() const { return last_result_; }

    // The key text the host sets on a packet to send.
    const std::string& GetKeyText() const { return key_text_; }
    void SetKeyText(const std::string& text) { key_text_ = text; }
    // The peer's name given when the packet was decoded.
    const std::string& GetPeerName() const { return peer_name_; }
    void SetPeerName(const std::string& name) { peer_name_ = name; }

    TimeoutTimer& GetTimer() { return timer_; }
    const TimeoutTimer& GetTimer() const { return timer_; }

private:
    // The sub-command that byte 2 carries for the command.
    std::uint32_t EncodedSubCommand() const;
    void DecodeSubCommand(std::uint32_t sub_command);
    void DecodeText(std::span<const std::uint8_t> bytes);

    EncodedBytes encoded_{};
    std::string text_;
    std::uint32_t type_ = kTypeUnspecified;
    std::uint32_t command_ = kCommandRegister;
    std::uint32_t idt_ = 0;
    std::uint32_t length_ = 0;
    std::uint32_t message_number_ = 0;
    KvResult last_result_ = KV_OK;
    std::uint32_t status_sub_command_ = kStatusPhoneNumber;
    std::uint32_t data_sub_command_ = 0;
    std::uint32_t register_sub_command_ = kRegisterScreenName;
    TimeoutTimer timer_{0, 0};
    std::string key_text_;
    std::string peer_name_;
    std::uint32_t ids_ = 0;
    std::uint32_t flag_ = 1;
};
