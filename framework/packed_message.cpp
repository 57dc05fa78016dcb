#include "framework/packed_message.h"

#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <optional>

namespace {

struct Substitution {
    char character;
    std::uint8_t byte;
};

// Characters without a 7-bit form of their own take the bytes that the plain
// range leaves free.
constexpr std::array<Substitution, 10> kSubstitutions = {{
    {'\r', 127},
    {'\n', 125},
    {'\b', 95},
    {'\xDF', 93}, // sharp s
    {'\xFC', 126},
    {'\xDC', 94},
    {'\xF6', 124},
    {'\xD6', 92},
    {'\xE4', 123},
    {'\xC4', 91},
}};

std::optional<std::uint8_t> SevenBitByte(char character) {
    for (const Substitution& entry : kSubstitutions) {
        if (entry.character == character)
            return entry.byte;
    }
    const auto byte = static_cast<std::uint8_t>(character);
    if ((byte >= 32 && byte <= 90) || (byte >= 96 && byte <= 122))
        return byte;
    return std::nullopt;
}

char CharacterOfByte(std::uint8_t byte) {
    byte &= 0x7F;
    for (const Substitution& entry : kSubstitutions) {
        if (entry.byte == byte)
            return entry.character;
    }
    return static_cast<char>(byte);
}

struct Name {
    std::uint32_t value;
    const char* name;
};

template <std::size_t N>
const char* NameOf(const std::array<Name, N>& names, std::uint32_t value, const char* unknown) {
    for (const Name& entry : names) {
        if (entry.value == value)
            return entry.name;
    }
    return unknown;
}

constexpr std::array<Name, 4> kTypeNames = {{
    {PackedMessage::kTypeUnspecified, "UNSPECIFIED"},
    {PackedMessage::kTypeRequest, "REQUEST"},
    {PackedMessage::kTypeConfirmation, "CONFIRMATION"},
    {PackedMessage::kTypeInfo, "INFO"},
}};
constexpr std::array<Name, 4> kCommandNames = {{
    {PackedMessage::kCommandRegister, "REGISTER"},
    {PackedMessage::kCommandUnregister, "UNREGISTER"},
    {PackedMessage::kCommandNotificationData, "NOTIFICATION_DATA"},
    {PackedMessage::kCommandNotificationStatus, "NOTIFICATION_STATUS"},
}};
constexpr std::array<Name, 4> kRegisterNames = {{
    {PackedMessage::kRegisterPhoneNumber, "PHONENUMBER"},
    {PackedMessage::kRegisterFirstName, "FIRSTNAME"},
    {PackedMessage::kRegisterLastName, "LASTNAME"},
    {PackedMessage::kRegisterScreenName, "SCREENNAME"},
}};
constexpr std::array<Name, 4> kStatusNames = {{
    {PackedMessage::kStatusPhoneNumber, "PHONENUMBER"},
    {PackedMessage::kStatusFirstName, "FIRSTNAME"},
    {PackedMessage::kStatusLastName, "LASTNAME"},
    {PackedMessage::kStatusIdPicture, "IDPICTURE"},
}};
constexpr std::array<Name, 3> kDataNames = {{
    {PackedMessage::kDataContinue, "CONTINUE"},
    {PackedMessage::kDataEnd, "END"},
    {PackedMessage::kDataCancel, "CANCEL"},
}};

// The sub-command byte of a command without sub-commands.
constexpr std::uint32_t kNoSubCommand = 7;

} // namespace

PackedMessage::PackedMessage() {
    timer_.SetInterval(kTimeoutSeconds, 0);
}

KvResult PackedMessage::SetText(const std::string& text) {
    last_result_ = KV_OK;
    text_.clear();
    for (char character : text) {
        if (SevenBitByte(character))
            text_.push_back(character);
    }
    if (text_.size() > kMaxTextLength) {
        text_.resize(kMaxTextLength);
        last_result_ = KV_E_FAIL;
    }
    return last_result_;
}

std::uint32_t PackedMessage::EncodedSubCommand() const {
    switch (command_) {
    case kCommandRegister:
        return register_sub_command_;
    case kCommandNotificationData:
        return data_sub_command_;
    case kCommandNotificationStatus:
        return status_sub_command_;
    default:
        return kNoSubCommand;
    }
}

KvResult PackedMessage::Encode() {
    last_result_ = KV_OK;
    if ((type_ & 3) == kTypeUnspecified) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    encoded_[0] = kMark;
    encoded_[1] =
        static_cast<std::uint8_t>((command_ & 7) << 4 | (type_ & 3) << 2 | (message_number_ & 3));
    encoded_[2] = static_cast<std::uint8_t>((EncodedSubCommand() & 7) << 4 | (idt_ & 0xF));
    encoded_[3] = static_cast<std::uint8_t>((flag_ & 1) << 4 | (ids_ & 0xF));
    length_ = kHeaderLength;

    std::array<std::uint8_t, kMaxTextLength> text_bytes{};
    std::size_t text_length = 0;
    bool fits = true;
    for (char character : text_) {
        const std::optional<std::uint8_t> byte = SevenBitByte(character);
        if (!byte)
            continue;
        if (text_length == kMaxTextLength) {
            fits = false;
            break;
        }
        text_bytes[text_length++] = *byte;
    }
    if (fits) {
        std::copy_n(text_bytes.begin(), text_length, encoded_.begin() + kHeaderLength);
        length_ += static_cast<std::uint32_t>(text_length);
    } else {
        last_result_ = KV_E_FAIL;
    }
    encoded_[length_] = 0;
    encoded_[length_ + 1] = 0;
    return last_result_;
}

KvResult PackedMessage::BuildRegister(std::uint32_t type, std::uint32_t idt, std::uint32_t ids,
                                      const std::string& text, std::uint32_t register_sub_command) {
    if (type == kTypeUnspecified) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    return BuildRegisterTyped(idt, ids, text, register_sub_command, type);
}

KvResult PackedMessage::BuildRegisterTyped(std::uint32_t idt, std::uint32_t ids,
                                           const std::string& text,
                                           std::uint32_t register_sub_command, std::uint32_t type) {
    register_sub_command_ = register_sub_command;
    SetText(text);
    command_ = kCommandRegister;
    type_ = type;
    idt_ = idt;
    ids_ = ids;
    return Encode();
}

KvResult PackedMessage::BuildUnregister(std::uint32_t type, std::uint32_t idt, std::uint32_t ids,
                                        const std::string& text) {
    SetText(text);
    command_ = kCommandUnregister;
    type_ = type;
    idt_ = idt;
    ids_ = ids;
    return Encode();
}

KvResult PackedMessage::BuildStatusInfo(std::uint32_t idt, std::uint32_t ids,
                                        const std::string& text, std::uint32_t status_sub_command) {
    status_sub_command_ = status_sub_command;
    SetText(text);
    command_ = kCommandNotificationStatus;
    type_ = kTypeInfo;
    idt_ = idt;
    ids_ = ids;
    return Encode();
}

KvResult PackedMessage::BuildStatusRequest(std::uint32_t idt, std::uint32_t ids,
                                           const std::string& text,
                                           std::uint32_t status_sub_command) {
    status_sub_command_ = status_sub_command;
    SetText(text);
    command_ = kCommandNotificationStatus;
    type_ = kTypeRequest;
    idt_ = idt;
    ids_ = ids;
    return Encode();
}

KvResult PackedMessage::GetRawBytes(std::uint32_t& length, EncodedBytes& bytes) {
    bytes.fill(0);
    if (length_ < kHeaderLength || length_ > kMaxLength) {
        length = 0;
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    length = length_;
    std::copy_n(encoded_.begin(), length_ + 2, bytes.begin());
    last_result_ = KV_OK;
    return last_result_;
}

void PackedMessage::DecodeSubCommand(std::uint32_t sub_command) {
    switch (command_) {
    case kCommandRegister:
        register_sub_command_ = sub_command;
        status_sub_command_ = kStatusPhoneNumber;
        data_sub_command_ = 0;
        break;
    case kCommandNotificationData:
        data_sub_command_ = sub_command;
        status_sub_command_ = kStatusPhoneNumber;
        register_sub_command_ = kRegisterScreenName;
        break;
    case kCommandNotificationStatus:
        status_sub_command_ = sub_command;
        data_sub_command_ = 0;
        register_sub_command_ = kRegisterScreenName;
        break;
    default:
        break;
    }
}

void PackedMessage::DecodeText(std::span<const std::uint8_t> bytes) {
    text_.clear();
    for (std::uint8_t byte : bytes)
        text_.push_back(CharacterOfByte(byte));
}

KvResult PackedMessage::FromBytes(std::span<const std::uint8_t> bytes,
                                  const std::string* peer_name) {
    last_result_ = KV_OK;
    if (bytes.size() < kHeaderLength || bytes.size() > kMaxLength) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    length_ = static_cast<std::uint32_t>(bytes.size());
    encoded_.fill(0);
    std::copy(bytes.begin(), bytes.end(), encoded_.begin());
    if (IsValidPtr(peer_name))
        peer_name_ = *peer_name;

    if (bytes[0] != kMark) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    command_ = (bytes[1] >> 4) & 7;
    type_ = (bytes[1] >> 2) & 3;
    message_number_ = bytes[1] & 3;
    idt_ = bytes[2] & 0xF;
    flag_ = (bytes[3] >> 4) & 7;
    ids_ = bytes[3] & 0xF;
    DecodeSubCommand((bytes[2] >> 4) & 7);
    if (type_ == kTypeUnspecified) {
        last_result_ = KV_E_FAIL;
        return last_result_;
    }
    DecodeText(bytes.subspan(kHeaderLength));
    return last_result_;
}

std::string& PackedMessage::FormatLog(std::string& out) const {
    out =
        Format("idt[%1X] ids[%1X] mn(%1d) %s (%s):\t", idt_, ids_,
               static_cast<std::int32_t>(message_number_), CommandName(command_), TypeName(type_));
    const char* sub_command = nullptr;
    if (command_ == kCommandRegister)
        sub_command = RegisterSubCommandName(register_sub_command_);
    else if (command_ == kCommandNotificationData)
        sub_command = DataSubCommandName(data_sub_command_);
    else if (command_ == kCommandNotificationStatus)
        sub_command = StatusSubCommandName(status_sub_command_);
    if (sub_command != nullptr) {
        out += sub_command;
        out += '\t';
    }
    out += '[';
    out += text_;
    out += ']';
    return out;
}

bool PackedMessage::Matches(const std::string& text, std::uint32_t idt, bool use_idt,
                            std::uint32_t ids, bool use_ids) const {
    int given = 0;
    int held = 0;
    if (use_idt) {
        ++given;
        held += idt == idt_ ? 1 : 0;
    }
    if (use_ids) {
        ++given;
        held += ids == ids_ ? 1 : 0;
    }
    if (!text.empty()) {
        ++given;
        held += text == text_ ? 1 : 0;
    }
    return given > 0 && held == given;
}

const char* PackedMessage::TypeName(std::uint32_t type) {
    return NameOf(kTypeNames, type, "ERROR: Unknown Type");
}

const char* PackedMessage::CommandName(std::uint32_t command) {
    return NameOf(kCommandNames, command, "ERROR: Unknown Command");
}

const char* PackedMessage::RegisterSubCommandName(std::uint32_t sub_command) {
    return NameOf(kRegisterNames, sub_command, "ERROR: Unknown Sub-Command Register");
}

const char* PackedMessage::StatusSubCommandName(std::uint32_t sub_command) {
    return NameOf(kStatusNames, sub_command, "ERROR: Unknown Sub-Command Status");
}

const char* PackedMessage::DataSubCommandName(std::uint32_t sub_command) {
    return NameOf(kDataNames, sub_command, "ERROR: Unknown Sub-Command Data");
}
