#include "capi/capi_message_codec.h"

#include "capi/b3_data_stream.h"

#include <algorithm>
#include <bit>
#include <cstring>

// Writes a message after its header, refusing anything that would not fit.
class CapiMessageCodec::Writer {
public:
    explicit Writer(std::array<std::uint8_t, kBufferSize>& buffer) : buffer_(buffer) {}

    bool Failed() const { return failed_; }
    std::size_t Position() const { return position_; }

    void Byte(std::uint32_t value) {
        if (!Reserve(1))
            return;
        buffer_[position_++] = static_cast<std::uint8_t>(value);
    }
    void Word(std::uint32_t value) {
        if (!Reserve(2))
            return;
        CapiPutWord(buffer_.data() + position_, value);
        position_ += 2;
    }
    void Dword(std::uint32_t value) {
        if (!Reserve(4))
            return;
        CapiPutDword(buffer_.data() + position_, value);
        position_ += 4;
    }
    void Struct(std::span<const std::uint8_t> content) {
        if (content.size() > kCapiMaxStructLength) {
            failed_ = true;
            return;
        }
        if (!Reserve(1 + content.size()))
            return;
        buffer_[position_++] = static_cast<std::uint8_t>(content.size());
        CopyStructBytes(buffer_.data() + position_, content.data(), content.size());
        position_ += content.size();
    }
    void Empty() { Byte(0); }
    // Room for count bytes that the caller fills; null when they do not fit.
    std::uint8_t* Room(std::size_t count) {
        if (!Reserve(count))
            return nullptr;
        std::uint8_t* room = buffer_.data() + position_;
        position_ += count;
        return room;
    }
    // Bytes as they stand, a whole struct or more.
    void Bytes(std::span<const std::uint8_t> bytes) {
        if (!Reserve(bytes.size()))
            return;
        CopyStructBytes(buffer_.data() + position_, bytes.data(), bytes.size());
        position_ += bytes.size();
    }
    void Raw(const CapiRawStruct& raw) {
        if (raw.length == 0)
            Byte(0);
        else
            Struct(raw.View());
    }
    // A structure encoded in place; through a scratch only near the end of
    // the buffer.
    template <typename Encode, typename Field> void Encoded(Encode encode, const Field& field) {
        if (failed_)
            return;
        if (kBufferSize - position_ > kCapiMaxStructLength) {
            const std::size_t length = encode(field, buffer_.data() + position_ + 1);
            buffer_[position_] = static_cast<std::uint8_t>(length);
            position_ += 1 + length;
            return;
        }
        std::array<std::uint8_t, kCapiMaxStructLength + 2> scratch;
        const std::size_t length = encode(field, scratch.data());
        Struct({scratch.data(), length});
    }

    // A struct whose content is written in place: Open, the fields, Close.
    std::size_t Open() {
        const std::size_t at = position_;
        Byte(0);
        return at;
    }
    void Close(std::size_t at) {
        if (failed_)
            return;
        const std::size_t length = position_ - at - 1;
        if (length > kCapiMaxStructLength) {
            failed_ = true;
            return;
        }
        buffer_[at] = static_cast<std::uint8_t>(length);
    }

private:
    bool Reserve(std::size_t count) {
        if (failed_ || count > kBufferSize - position_)
            failed_ = true;
        return !failed_;
    }

    std::array<std::uint8_t, kBufferSize>& buffer_;
    std::size_t position_ = kCapiHeaderLength;
    bool failed_ = false;
};

// Reads a received message after its header, never past its total length or
// the bytes given.
class CapiMessageCodec::Reader {
public:
    explicit Reader(std::span<const std::uint8_t> message)
        : message_(message),
          end_(std::min<std::size_t>(message.size(), CapiMessageLength(message.data()))) {}

    bool AtEnd() const { return position_ >= end_; }
    bool Word(std::uint32_t& value) {
        if (end_ - std::min(position_, end_) < 2)
            return false;
        value = CapiGetWord(message_.data() + position_);
        position_ += 2;
        return true;
    }
    bool Dword(std::uint32_t& value) {
        if (end_ - std::min(position_, end_) < 4)
            return false;
        value = CapiGetDword(message_.data() + position_);
        position_ += 4;
        return true;
    }
    // The content of the next struct; an escaped (16-bit) struct is skipped and
    // gives empty content. False when the struct runs past the message.
    bool Struct(std::span<const std::uint8_t>& content) {
        content = {};
        if (AtEnd())
            return false;
        const std::size_t length = message_[position_];
        // Empty structs are common; as a branch of their own the next read
        // need not wait for this length.
        if (length == 0) [[likely]] {
            ++position_;
            return true;
        }
        if (length == kCapiEscapeLength) {
            if (end_ - position_ < 3)
                return false;
            const std::size_t long_length = CapiGetWord(message_.data() + position_ + 1);
            if (end_ - position_ - 3 < long_length)
                return false;
            position_ += 3 + long_length;
            return true;
        }
        if (end_ - position_ - 1 < length)
            return false;
        content = message_.subspan(position_ + 1, length);
        position_ += 1 + length;
        return true;
    }
    bool Raw(CapiRawStruct& raw) {
        std::span<const std::uint8_t> content;
        if (!Struct(content))
            return false;
        raw.Set(content);
        return true;
    }

private:
    std::span<const std::uint8_t> message_;
    std::size_t end_;
    std::size_t position_ = kCapiHeaderLength;
};

namespace capi_struct {

std::size_t EncodePartyNumber(const CapiPartyNumber& number, std::uint8_t* out) {
    if (number.count == 0)
        return 0;
    out[0] = static_cast<std::uint8_t>(0x80 | ((number.type << 4) & 0x70) | (number.plan & 0x0F));
    number.CopyDigitWords(out + 1);
    return 1 + number.count;
}

std::size_t EncodePresentedNumber(const CapiPartyNumber& number, std::uint8_t* out) {
    out[0] = static_cast<std::uint8_t>(((number.type << 4) & 0x70) | (number.plan & 0x0F));
    out[1] = static_cast<std::uint8_t>(0x80 | ((number.presentation << 5) & 0x60) |
                                       (number.screening & 3));
    number.CopyDigitWords(out + 2);
    return 2 + number.count;
}

std::size_t EncodeSubaddress(const CapiSubaddress& subaddress, std::uint8_t* out) {
    if (subaddress.length == 0)
        return 0;
    out[0] = static_cast<std::uint8_t>(0x80 | ((subaddress.type << 4) & 0x60) |
                                       ((subaddress.odd_even << 3) & 0x08));
    CopyStructBytes(out + 1, subaddress.bytes.data(), subaddress.length);
    return 1 + subaddress.length;
}

std::size_t EncodeBc(const CapiBearerCapability& bc, std::uint8_t* out) {
    if (bc.empty)
        return 0;
    out[0] = static_cast<std::uint8_t>(0x80 | ((bc.coding << 5) & 0x60) | (bc.capability & 0x1F));
    out[1] = static_cast<std::uint8_t>(0x80 | ((bc.mode << 5) & 0x60) | (bc.rate & 0x1F));
    out[2] = static_cast<std::uint8_t>(0xA0 | (bc.layer1 & 0x1F));
    return 3;
}

std::size_t EncodeHlc(const CapiHighLayerCompatibility& hlc, std::uint8_t* out) {
    if (hlc.empty)
        return 0;
    out[0] = static_cast<std::uint8_t>(((hlc.coding << 5) & 0x60) | 0x91);
    if (!hlc.extended) {
        out[1] = static_cast<std::uint8_t>(hlc.identification | 0x80);
        return 2;
    }
    out[1] = static_cast<std::uint8_t>(hlc.identification & 0x7F);
    out[2] = static_cast<std::uint8_t>(hlc.extended_identification | 0x80);
    return 3;
}

void DecodePartyNumber(std::span<const std::uint8_t> content, CapiPartyNumber& number) {
    number.Clear();
    // An empty struct, or one with more digits than fit, leaves it empty; the
    // octet alone gives type and plan without digits.
    if (content.empty() || content.size() - 1 > CapiPartyNumber::kMaxDigits)
        return;
    number.type = (content[0] & 0x70) >> 4;
    number.plan = content[0] & 0x0F;
    number.SetFromBuffer(content.data() + 1, content.size() - 1);
}

void DecodePresentedNumber(std::span<const std::uint8_t> content, CapiPartyNumber& number) {
    number.Clear();
    if (content.empty())
        return;
    std::size_t first_digit = 1;
    if ((content[0] & 0x80) == 0) {
        // Octet 3a follows; without it the struct holds no digits either.
        if (content.size() < 2)
            return;
        number.presentation = (content[1] & 0x60) >> 5;
        number.screening = content[1] & 3;
        first_digit = 2;
    }
    if (content.size() - first_digit > CapiPartyNumber::kMaxDigits) {
        number.Clear();
        return;
    }
    number.type = (content[0] & 0x70) >> 4;
    number.plan = content[0] & 0x0F;
    number.SetFromBuffer(content.data() + first_digit, content.size() - first_digit);
}

KvResult DecodeSubaddress(std::span<const std::uint8_t> content, CapiSubaddress& subaddress) {
    subaddress.Clear();
    if (content.empty())
        return KV_OK;
    const std::uint8_t type = (content[0] & 0x60) >> 4;
    const std::uint8_t odd_even = (content[0] & 0x08) >> 3;
    const KvResult result = subaddress.Set(type, content.subspan(1), odd_even);
    if (KvFailed(result))
        subaddress.Clear();
    return result;
}

void DecodeBc(std::span<const std::uint8_t> content, CapiBearerCapability& bc) {
    bc = CapiBearerCapability{0, 0, 0, 0, 0, content.empty()};
    if (content.size() >= 1) {
        bc.coding = (content[0] & 0x60) >> 5;
        bc.capability = content[0] & 0x1F;
    }
    if (content.size() >= 2) {
        bc.mode = (content[1] & 0x60) >> 5;
        bc.rate = content[1] & 0x1F;
    }
    if (content.size() >= 3)
        bc.layer1 = content[2] & 0x1F;
}

void DecodeHlc(std::span<const std::uint8_t> content, CapiHighLayerCompatibility& hlc) {
    hlc = CapiHighLayerCompatibility{0, 0, 0, false, content.empty()};
    if (content.size() >= 1)
        hlc.coding = (content[0] & 0x60) >> 5;
    if (content.size() >= 2)
        hlc.identification = content[1] & 0x7F;
    if (content.size() >= 3) {
        hlc.extended = true;
        hlc.extended_identification = content[2] & 0x7F;
    }
}

namespace {

// DecodeAdditionalInfo, inlined into DecodeConnectInd.
[[gnu::always_inline]] inline KvResult
DecodeAdditionalInfoParts(std::span<const std::uint8_t> content, CapiAdditionalInfo& info) {
    // Each part's length says where the next one starts. The leading empty
    // parts, the common case, are found at once in one word instead.
    std::size_t position = 0;
    if (content.size() >= 4) {
        std::uint64_t word = 0;
        if (content.size() >= 8) {
            word = CapiGetQword(content.data());
        } else {
            const std::size_t high_at = content.size() - 4;
            word = CapiGetDword(content.data()) |
                   (std::uint64_t{CapiGetDword(content.data() + high_at)} << (high_at * 8));
        }
        const std::size_t empty = word == 0 ? 8 : std::countr_zero(word) / 8;
        position = std::min({empty, std::size_t{CapiAdditionalInfo::kPartCount}, content.size()});
    }
    // Each part is written once: cleared or set as it is read, the ones after
    // the content cleared at the end.
    std::size_t index = 0;
    for (; index < position; ++index)
        info.parts[index].Clear();
    for (; index < CapiAdditionalInfo::kPartCount && position < content.size(); ++index) {
        CapiRawStruct& part = info.parts[index];
        const std::size_t length = content[position];
        std::size_t skip = 1 + length;
        bool escaped = false;
        if (length == kCapiEscapeLength) {
            escaped = true;
            skip = content.size() - position < 3
                       ? content.size() + 1
                       : 3 + std::size_t{CapiGetWord(content.data() + position + 1)};
        }
        if (skip > content.size() - position) {
            info.Clear();
            return KV_E_FAIL;
        }
        if (!escaped && length != 0)
            part.Set(content.subspan(position + 1, length));
        else
            part.Clear();
        position += skip;
    }
    for (; index < CapiAdditionalInfo::kPartCount; ++index)
        info.parts[index].Clear();
    return KV_OK;
}

} // namespace

KvResult DecodeAdditionalInfo(std::span<const std::uint8_t> content, CapiAdditionalInfo& info) {
    return DecodeAdditionalInfoParts(content, info);
}

} // namespace capi_struct

using namespace capi_struct;

void CapiMessageCodec::Reset() {
    std::memset(buffer_.data(), 0, kCapiHeaderLength);
    appl_id_ = plci_ = ncci_ = reason_ = controller_ = cip_value_ = 0;
    info_mask_ = info_number_ = reject_ = data_handle_ = 0;
    received_appl_id_ = received_message_number_ = 0;
    received_command_ = received_subcommand_ = 0;
    called_party_number_.Clear();
    calling_party_number_.Clear();
    second_calling_party_number_.Clear();
    connected_number_.Clear();
    called_party_subaddress_.Clear();
    calling_party_subaddress_.Clear();
    llc_.Clear();
    connected_subaddress_.Clear();
    info_element_.Clear();
    ncpi_.Clear();
    additional_info_.Clear();
    b_protocol_.Reset();
    bc_.Reset();
    hlc_.Reset();
    facility_.Reset();
}

KvResult CapiMessageCodec::Finish(Writer& writer, std::uint8_t command, std::uint8_t subcommand,
                                  std::uint16_t number) {
    std::uint8_t* header = buffer_.data();
    if (writer.Failed()) {
        std::memset(header, 0, kCapiHeaderLength);
        return KV_E_FAIL;
    }
    CapiPutWord(header + kCapiOffsetLength, writer.Position());
    CapiPutWord(header + kCapiOffsetApplId, appl_id_);
    header[kCapiOffsetCommand] = command;
    header[kCapiOffsetSubcommand] = subcommand;
    CapiPutWord(header + kCapiOffsetMessageNumber, number);
    return KV_OK;
}

KvResult CapiMessageCodec::BuildListenReq(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(controller_);
    writer.Dword(info_mask_);
    writer.Dword(cip_value_);
    writer.Dword(0);
    writer.Empty();
    writer.Empty();
    return Finish(writer, CAPI_LISTEN, CAPI_REQ, number);
}

namespace {

void WriteBProtocol(const CapiBProtocol& protocol, bool always, auto& writer) {
    if (protocol.use_default && !always) {
        writer.Empty();
        return;
    }
    if (protocol.b1_configuration.length == 0 && protocol.b2_configuration.length == 0 &&
        protocol.b3_configuration.length == 0) {
        std::uint8_t* bytes = writer.Room(10);
        if (bytes == nullptr)
            return;
        bytes[0] = 9;
        CapiPutWord(bytes + 1, protocol.b1);
        CapiPutWord(bytes + 3, protocol.b2);
        CapiPutWord(bytes + 5, protocol.b3);
        bytes[7] = bytes[8] = bytes[9] = 0;
        return;
    }
    const std::size_t at = writer.Open();
    writer.Word(protocol.b1);
    writer.Word(protocol.b2);
    writer.Word(protocol.b3);
    writer.Raw(protocol.b1_configuration);
    writer.Raw(protocol.b2_configuration);
    writer.Raw(protocol.b3_configuration);
    writer.Close(at);
}

void WriteAdditionalInfo(const CapiAdditionalInfo& info, auto& writer) {
    if (info.IsEmpty()) {
        static constexpr std::uint8_t kEmpty[] = {5, 0, 0, 0, 0, 0};
        writer.Bytes(kEmpty);
        return;
    }
    const std::size_t at = writer.Open();
    for (const CapiRawStruct& part : info.parts)
        writer.Raw(part);
    writer.Close(at);
}

} // namespace

KvResult CapiMessageCodec::BuildConnectReq(std::uint16_t number) {
    bc_.empty = false;
    hlc_.empty = false;
    // One branch over all the lengths; the general builder stays out of line
    // so that this path needs no stack frame.
    const auto& parts = additional_info_.parts;
    const unsigned extras = b_protocol_.b1_configuration.length |
                            b_protocol_.b2_configuration.length |
                            b_protocol_.b3_configuration.length | parts[0].length |
                            parts[1].length | parts[2].length | parts[3].length | parts[4].length;
    static_assert(CapiAdditionalInfo::kPartCount == 5);
    if (extras == 0 && called_party_number_.count <= CapiPartyNumber::kMaxDigits &&
        calling_party_number_.count <= CapiPartyNumber::kMaxDigits &&
        called_party_subaddress_.length <= CapiSubaddress::kCapacity &&
        calling_party_subaddress_.length <= CapiSubaddress::kCapacity) [[likely]]
        return BuildPlainConnectReq(number);
    return BuildFullConnectReq(number);
}

KvResult CapiMessageCodec::BuildFullConnectReq(std::uint16_t number) {
    CapiHighLayerCompatibility short_hlc = hlc_;
    short_hlc.extended = false;
    Writer writer(buffer_);
    writer.Dword(controller_);
    writer.Word(cip_value_);
    writer.Encoded(EncodePartyNumber, called_party_number_);
    writer.Encoded(EncodePresentedNumber, calling_party_number_);
    writer.Encoded(EncodeSubaddress, called_party_subaddress_);
    writer.Encoded(EncodeSubaddress, calling_party_subaddress_);
    WriteBProtocol(b_protocol_, true, writer);
    writer.Encoded(EncodeBc, bc_);
    writer.Raw(llc_);
    writer.Encoded(EncodeHlc, short_hlc);
    WriteAdditionalInfo(additional_info_, writer);
    return Finish(writer, CAPI_CONNECT, CAPI_REQ, number);
}

namespace {

// Eight bytes in one store, which the byte-wise CapiPutQword does not always
// become.
inline void StoreWord(std::uint8_t* at, std::uint64_t value) {
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(at, &value, sizeof value);
}

} // namespace

// Every struct of this request is bounded well inside the buffer and below
// 254 bytes, so nothing is checked on the way. The build is bound by its
// stores: neighbouring fields are put together in a register and written as
// one 8-byte word, each word's bytes past its fields overwritten by the next
// struct (or lying past the message).
KvResult CapiMessageCodec::BuildPlainConnectReq(std::uint16_t number) {
    static_assert(kCapiHeaderLength + 6 + (2 + 33) + (3 + 32) + 2 * (2 + 64) + 10 + 4 +
                      (1 + CapiRawStruct::kCapacity) + 3 + 6 + 16 <=
                  kBufferSize);
    std::uint8_t* const header = buffer_.data();
    std::uint8_t* out = header + kCapiHeaderLength;
    const auto word = [](std::uint64_t value, unsigned at) { return value << (at * 8); };
    // Controller, CIP value and the called number's length and octet 3.
    const CapiPartyNumber& called = called_party_number_;
    const std::size_t called_count = called.count;
    const std::size_t called_length = called_count == 0 ? 0 : 1 + called_count;
    const std::uint64_t called_octet = 0x80 | ((called.type << 4) & 0x70) | (called.plan & 0x0F);
    StoreWord(out, controller_ | word(cip_value_ & 0xFFFF, 4) | word(called_length, 6) |
                       word(called_octet, 7));
    if (called_count != 0)
        called.CopyDigitWords(out + 8);
    out += 7 + called_length;
    // The calling number with octet 3a.
    const CapiPartyNumber& calling = calling_party_number_;
    const std::size_t calling_count = calling.count;
    const std::uint64_t calling_octet = ((calling.type << 4) & 0x70) | (calling.plan & 0x0F);
    const std::uint64_t calling_octet_3a =
        0x80 | ((calling.presentation << 5) & 0x60) | (calling.screening & 3);
    StoreWord(out, (2 + calling_count) | word(calling_octet, 1) | word(calling_octet_3a, 2));
    if (calling_count != 0)
        calling.CopyDigitWords(out + 3);
    out += 3 + calling_count;
    std::size_t length = EncodeSubaddress(called_party_subaddress_, out + 1);
    out[0] = static_cast<std::uint8_t>(length);
    out += 1 + length;
    length = EncodeSubaddress(calling_party_subaddress_, out + 1);
    out[0] = static_cast<std::uint8_t>(length);
    out += 1 + length;
    // B protocol without configurations, BC (never empty here) and LLC's length.
    StoreWord(out, 9 | word(b_protocol_.b1, 1) | word(b_protocol_.b2, 3) | word(b_protocol_.b3, 5));
    const std::uint64_t bc_octet_3 = 0x80 | ((bc_.coding << 5) & 0x60) | (bc_.capability & 0x1F);
    const std::uint64_t bc_octet_4 = 0x80 | ((bc_.mode << 5) & 0x60) | (bc_.rate & 0x1F);
    const std::uint64_t bc_octet_5 = 0xA0 | (bc_.layer1 & 0x1F);
    const std::size_t llc_length = llc_.length;
    StoreWord(out + 8, word(3, 2) | word(bc_octet_3, 3) | word(bc_octet_4, 4) |
                           word(bc_octet_5, 5) | word(llc_length, 6));
    out += 15;
    if (llc_length != 0)
        CopyStructBytes(out, llc_.bytes.data(), llc_length);
    out += llc_length;
    // HLC without octet 4a, and empty Additional Info.
    const std::uint64_t hlc_octet_3 = ((hlc_.coding << 5) & 0x60) | 0x91;
    const std::uint64_t hlc_octet_4 = hlc_.identification | 0x80;
    StoreWord(out, 2 | word(hlc_octet_3, 1) | word(hlc_octet_4 & 0xFF, 2) | word(5, 3));
    out[8] = 0;
    out += 9;
    StoreWord(header, word(static_cast<std::size_t>(out - header), 0) |
                          word(appl_id_ & 0xFFFF, kCapiOffsetApplId) |
                          word(CAPI_CONNECT, kCapiOffsetCommand) |
                          word(CAPI_REQ, kCapiOffsetSubcommand) |
                          word(number, kCapiOffsetMessageNumber));
    return KV_OK;
}

KvResult CapiMessageCodec::BuildConnectResp(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(plci_);
    writer.Word(reject_);
    WriteBProtocol(b_protocol_, false, writer);
    writer.Encoded(EncodePresentedNumber, connected_number_);
    writer.Raw(connected_subaddress_);
    writer.Raw(llc_);
    WriteAdditionalInfo(additional_info_, writer);
    return Finish(writer, CAPI_CONNECT, CAPI_RESP, number);
}

namespace {

constexpr std::uint16_t kFacilityResponseWithWord = 0x800E;

} // namespace

KvResult CapiMessageCodec::BuildIdResponse(std::uint32_t id, std::uint8_t command,
                                           std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(id);
    return Finish(writer, command, CAPI_RESP, number);
}

KvResult CapiMessageCodec::BuildConnectActiveResp(std::uint16_t number) {
    return BuildIdResponse(plci_, CAPI_CONNECT_ACTIVE, number);
}

KvResult CapiMessageCodec::BuildConnectB3Resp(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(ncci_);
    writer.Word(reject_);
    writer.Raw(ncpi_);
    return Finish(writer, CAPI_CONNECT_B3, CAPI_RESP, number);
}

KvResult CapiMessageCodec::BuildConnectB3ActiveResp(std::uint16_t number) {
    return BuildIdResponse(ncci_, CAPI_CONNECT_B3_ACTIVE, number);
}

KvResult CapiMessageCodec::BuildDataB3Resp(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(ncci_);
    writer.Word(data_handle_);
    return Finish(writer, CAPI_DATA_B3, CAPI_RESP, number);
}

KvResult CapiMessageCodec::BuildDisconnectReq(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(plci_);
    WriteAdditionalInfo(additional_info_, writer);
    return Finish(writer, CAPI_DISCONNECT, CAPI_REQ, number);
}

KvResult CapiMessageCodec::BuildDisconnectResp(std::uint16_t number) {
    return BuildIdResponse(plci_, CAPI_DISCONNECT, number);
}

KvResult CapiMessageCodec::BuildDisconnectB3Resp(std::uint16_t number) {
    return BuildIdResponse(ncci_, CAPI_DISCONNECT_B3, number);
}

KvResult CapiMessageCodec::BuildInfoResp(std::uint16_t number) {
    return BuildIdResponse(plci_, CAPI_INFO, number);
}

KvResult CapiMessageCodec::BuildFacilityReq(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(facility_.plci);
    writer.Word(facility_.selector);
    const std::size_t at = writer.Open();
    writer.Word(facility_.function);
    switch (facility_.function) {
    case 0:
    case kCapiFacilityHold:
    case kCapiFacilityRetrieve:
        writer.Empty();
        break;
    case kCapiFacilityEct: {
        const std::size_t ect = writer.Open();
        writer.Dword(facility_.ect_plci);
        writer.Close(ect);
        break;
    }
    default:
        break;
    }
    writer.Close(at);
    return Finish(writer, CAPI_FACILITY, CAPI_REQ, number);
}

KvResult CapiMessageCodec::BuildFacilityResp(std::uint16_t number) {
    Writer writer(buffer_);
    writer.Dword(facility_.plci);
    writer.Word(facility_.selector);
    const std::size_t at = writer.Open();
    writer.Word(facility_.function);
    if (facility_.function == kFacilityResponseWithWord) {
        const std::size_t inner = writer.Open();
        writer.Word(facility_.response);
        writer.Close(inner);
    } else {
        writer.Empty();
    }
    writer.Close(at);
    return Finish(writer, CAPI_FACILITY, CAPI_RESP, number);
}

bool CapiMessageCodec::RecordHeader(std::span<const std::uint8_t> message) {
    if (message.size() < kCapiHeaderLength)
        return false;
    received_appl_id_ = CapiGetWord(message.data() + kCapiOffsetApplId);
    received_command_ = message[kCapiOffsetCommand];
    received_subcommand_ = message[kCapiOffsetSubcommand];
    received_message_number_ = CapiGetWord(message.data() + kCapiOffsetMessageNumber);
    return true;
}

KvResult CapiMessageCodec::DecodeConnectInd(std::span<const std::uint8_t> message) {
    cip_value_ = 0;
    // Each parameter is overwritten as it is decoded; a failure clears the
    // parameter it stopped at and the later ones.
    const auto fail = [this](int from) {
        switch (from) {
        case 0:
            called_party_number_.Clear();
            [[fallthrough]];
        case 1:
            calling_party_number_.Clear();
            [[fallthrough]];
        case 2:
            called_party_subaddress_.Clear();
            [[fallthrough]];
        case 3:
            calling_party_subaddress_.Clear();
            [[fallthrough]];
        case 4:
            DecodeBc({}, bc_);
            [[fallthrough]];
        case 5:
            llc_.Clear();
            [[fallthrough]];
        case 6:
            DecodeHlc({}, hlc_);
            [[fallthrough]];
        case 7:
            additional_info_.Clear();
            [[fallthrough]];
        default:
            second_calling_party_number_.Clear();
        }
        return KV_E_FAIL;
    };
    if (!RecordHeader(message))
        return fail(0);
    Reader reader(message);
    std::span<const std::uint8_t> content;
    if (!reader.Dword(plci_) || !reader.Word(cip_value_) || !reader.Struct(content))
        return fail(0);
    DecodePartyNumber(content, called_party_number_);
    if (!reader.Struct(content))
        return fail(1);
    DecodePresentedNumber(content, calling_party_number_);
    if (!reader.Struct(content))
        return fail(2);
    DecodeSubaddress(content, called_party_subaddress_);
    if (!reader.Struct(content))
        return fail(3);
    DecodeSubaddress(content, calling_party_subaddress_);
    if (!reader.Struct(content))
        return fail(4);
    DecodeBc(content, bc_);
    if (!reader.Raw(llc_))
        return fail(5);
    if (!reader.Struct(content))
        return fail(6);
    DecodeHlc(content, hlc_);
    if (!reader.Struct(content) || KvFailed(DecodeAdditionalInfoParts(content, additional_info_)))
        return fail(7);
    // Drivers of the earlier CAPI edition end the message here.
    if (reader.AtEnd()) {
        second_calling_party_number_.Clear();
        return KV_OK;
    }
    if (!reader.Struct(content))
        return fail(8);
    DecodePresentedNumber(content, second_calling_party_number_);
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeConnectActiveInd(std::span<const std::uint8_t> message) {
    connected_number_.Clear();
    connected_subaddress_.Clear();
    llc_.Clear();
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    std::span<const std::uint8_t> content;
    if (!reader.Dword(plci_) || !reader.Struct(content))
        return KV_E_FAIL;
    DecodePresentedNumber(content, connected_number_);
    if (!reader.Raw(connected_subaddress_) || !reader.Raw(llc_))
        return KV_E_FAIL;
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeConnectB3Ind(std::span<const std::uint8_t> message) {
    ncpi_.Clear();
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    if (!reader.Dword(ncci_))
        return KV_E_FAIL;
    plci_ = ncci_ & 0xFFFF;
    return reader.Raw(ncpi_) ? KV_OK : KV_E_FAIL;
}

KvResult CapiMessageCodec::DecodeConnectB3ActiveInd(std::span<const std::uint8_t> message) {
    ncpi_.Clear();
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    if (!reader.Dword(ncci_) || !reader.Raw(ncpi_))
        return KV_E_FAIL;
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeDataB3Ind(std::span<const std::uint8_t> message,
                                           B3DataBlock* block) {
    // The handle is written once on the way through; the early failures zero it.
    if (!RecordHeader(message)) {
        data_handle_ = 0;
        return KV_E_FAIL;
    }
    // Fixed offsets: this message carries no struct, and it is the hot one.
    const std::uint8_t* bytes = message.data();
    const std::size_t total = CapiMessageLength(bytes);
    const std::size_t end = std::min(message.size(), total);
    if (end < kCapiDataB3OffsetData) {
        data_handle_ = 0;
        return KV_E_FAIL;
    }
    const std::uint32_t ncci = CapiGetDword(bytes + 8);
    ncci_ = ncci;
    if (end < kCapiDataB3OffsetFlags) {
        data_handle_ = 0;
        return KV_E_FAIL;
    }
    const std::uint32_t handle = CapiGetWord(bytes + kCapiDataB3OffsetHandle);
    data_handle_ = handle;
    if (end < kCapiDataB3Length)
        return KV_E_FAIL;
    if (block == nullptr)
        return KV_E_INVALID_POINTER;
    // The data comes right behind the message; never through the Data field.
    const std::uint32_t length = CapiGetWord(bytes + kCapiDataB3OffsetLength);
    if (message.size() - end < length)
        return KV_E_FAIL;
    const KvResult result =
        block->SetData(bytes + end, length, CapiGetWord(bytes + kCapiDataB3OffsetFlags));
    block->SetIds(ncci, handle, 0);
    return result;
}

KvResult CapiMessageCodec::DecodeDisconnectInd(std::span<const std::uint8_t> message) {
    reason_ = 0;
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    if (!reader.Dword(plci_) || !reader.Word(reason_))
        return KV_E_FAIL;
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeDisconnectB3Ind(std::span<const std::uint8_t> message) {
    reason_ = 0;
    ncpi_.Clear();
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    if (!reader.Dword(ncci_) || !reader.Word(reason_) || !reader.Raw(ncpi_))
        return KV_E_FAIL;
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeFacilityInd(std::span<const std::uint8_t> message) {
    // A retrieve must not inherit an earlier hold's reason.
    facility_.supplementary_service_reason = 0;
    facility_.function = 0;
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    std::uint32_t plci = 0;
    std::span<const std::uint8_t> content;
    if (!reader.Dword(plci))
        return KV_E_FAIL;
    plci_ = facility_.plci = plci;
    if (!reader.Word(facility_.selector) || !reader.Struct(content))
        return KV_E_FAIL;
    if (content.size() < 2)
        return KV_OK;
    facility_.function = CapiGetWord(content.data());
    const bool has_reason = facility_.function == kCapiFacilityHold ||
                            facility_.function == kCapiFacilityRetrieve ||
                            facility_.function == kCapiFacilityEct;
    // The reason is the first word of the service-specific struct.
    if (has_reason && content.size() >= 5 && content[2] >= 2 && content[2] != kCapiEscapeLength &&
        content.size() - 3 >= content[2])
        facility_.supplementary_service_reason = CapiGetWord(content.data() + 3);
    return KV_OK;
}

KvResult CapiMessageCodec::DecodeInfoInd(std::span<const std::uint8_t> message) {
    info_number_ = 0;
    info_element_.Clear();
    if (!RecordHeader(message))
        return KV_E_FAIL;
    Reader reader(message);
    if (!reader.Dword(plci_) || !reader.Word(info_number_) || !reader.Raw(info_element_))
        return KV_E_FAIL;
    return KV_OK;
}
