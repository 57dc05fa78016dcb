#pragma once
// One CAPI 2.0 message and the parameter structures the CAPI client fills or
// reads. Builders write the fields into the message buffer through a bounded
// cursor; decoders read a received message into the fields. Every field is
// written and read byte by byte, little-endian; the buffer is never cast to a
// structure and the codec never follows a pointer found in a message.

#include "capi/capi_parameters.h"
#include "platform/capi/capi_wire.h"
#include "platform/result_codes.h"

#include <array>
#include <cstdint>
#include <span>

class B3DataBlock;

class CapiMessageCodec {
public:
    static constexpr std::size_t kBufferSize = kCapiMaxMessageLength;

    CapiMessageCodec() { Reset(); }

    // Clears the header and every field and sets the defaults: B protocol
    // 1/1/0, BC 64 kbit/s speech (empty), HLC telephony (empty), facility
    // selector 3. Lengths and flags are reset; stored bytes are not wiped.
    void Reset();

    // --- Builders: each takes the message number. KV_E_FAIL when a struct
    // would exceed 254 bytes or the message the buffer; then nothing is built
    // (the header's length is 0).
    KvResult BuildListenReq(std::uint16_t number);
    KvResult BuildConnectReq(std::uint16_t number);
    KvResult BuildConnectResp(std::uint16_t number);
    KvResult BuildConnectActiveResp(std::uint16_t number);
    KvResult BuildConnectB3Resp(std::uint16_t number);
    KvResult BuildConnectB3ActiveResp(std::uint16_t number);
    KvResult BuildDataB3Resp(std::uint16_t number);
    KvResult BuildDisconnectReq(std::uint16_t number);
    KvResult BuildDisconnectResp(std::uint16_t number);
    KvResult BuildDisconnectB3Resp(std::uint16_t number);
    KvResult BuildInfoResp(std::uint16_t number);
    KvResult BuildFacilityReq(std::uint16_t number);
    KvResult BuildFacilityResp(std::uint16_t number);

    // --- Decoders: read only inside the message's total length and the bytes
    // given. A struct running past gives KV_E_FAIL and leaves that parameter
    // and the later ones empty; a PLCI or NCCI that is missing is left as it
    // was. A struct announcing a 16-bit length (0xFF) is skipped whole and its
    // field left empty. Each records the header's ApplID, command,
    // subcommand and message number.
    KvResult DecodeConnectInd(std::span<const std::uint8_t> message);
    KvResult DecodeConnectActiveInd(std::span<const std::uint8_t> message);
    KvResult DecodeConnectB3Ind(std::span<const std::uint8_t> message);
    KvResult DecodeConnectB3ActiveInd(std::span<const std::uint8_t> message);
    // The message span also holds the data, right behind the message. With a
    // block: the block's SetData result (KV_E_FAIL for no data or more than
    // 128 bytes); without one KV_E_INVALID_POINTER. NCCI and Data Handle go
    // into the codec either way.
    KvResult DecodeDataB3Ind(std::span<const std::uint8_t> message, B3DataBlock* block);
    KvResult DecodeDisconnectInd(std::span<const std::uint8_t> message);
    KvResult DecodeDisconnectB3Ind(std::span<const std::uint8_t> message);
    KvResult DecodeFacilityInd(std::span<const std::uint8_t> message);
    KvResult DecodeInfoInd(std::span<const std::uint8_t> message);

    // --- The message built last.
    const std::uint8_t* GetMessage() const { return buffer_.data(); }
    std::uint16_t GetMessageLength() const { return CapiGetWord(buffer_.data()); }
    std::span<const std::uint8_t> GetMessageBytes() const {
        return {buffer_.data(), GetMessageLength()};
    }
    std::uint16_t GetMessageNumber() const {
        return CapiGetWord(buffer_.data() + kCapiOffsetMessageNumber);
    }
    void SetMessageNumber(std::uint16_t number) {
        CapiPutWord(buffer_.data() + kCapiOffsetMessageNumber, number);
    }

    // --- The header of the message decoded last, which a response repeats.
    std::uint16_t GetReceivedApplId() const { return received_appl_id_; }
    std::uint8_t GetReceivedCommand() const { return received_command_; }
    std::uint8_t GetReceivedSubcommand() const { return received_subcommand_; }
    std::uint16_t GetReceivedMessageNumber() const { return received_message_number_; }

    // --- Fields.
    std::uint32_t GetApplId() const { return appl_id_; }
    void SetApplId(std::uint32_t value) { appl_id_ = value; }
    std::uint32_t GetPlci() const { return plci_; }
    void SetPlci(std::uint32_t value) { plci_ = value; }
    std::uint32_t GetNcci() const { return ncci_; }
    void SetNcci(std::uint32_t value) { ncci_ = value; }
    std::uint32_t GetController() const { return controller_; }
    void SetController(std::uint32_t value) { controller_ = value; }
    std::uint32_t GetCipValue() const { return cip_value_; }
    void SetCipValue(std::uint32_t value) { cip_value_ = value; }
    std::uint32_t GetInfoMask() const { return info_mask_; }
    void SetInfoMask(std::uint32_t value) { info_mask_ = value; }
    std::uint32_t& Reason() { return reason_; }
    std::uint32_t& InfoNumber() { return info_number_; }
    std::uint32_t& Reject() { return reject_; }
    std::uint32_t& DataHandle() { return data_handle_; }

    CapiPartyNumber& CalledPartyNumber() { return called_party_number_; }
    CapiPartyNumber& CallingPartyNumber() { return calling_party_number_; }
    CapiPartyNumber& SecondCallingPartyNumber() { return second_calling_party_number_; }
    CapiPartyNumber& ConnectedNumber() { return connected_number_; }
    CapiSubaddress& CalledPartySubaddress() { return called_party_subaddress_; }
    CapiSubaddress& CallingPartySubaddress() { return calling_party_subaddress_; }
    CapiBProtocol& BProtocol() { return b_protocol_; }
    CapiBearerCapability& Bc() { return bc_; }
    CapiHighLayerCompatibility& Hlc() { return hlc_; }
    CapiAdditionalInfo& AdditionalInfo() { return additional_info_; }
    CapiFacility& Facility() { return facility_; }
    CapiRawStruct& Llc() { return llc_; }
    CapiRawStruct& ConnectedSubaddress() { return connected_subaddress_; }
    CapiRawStruct& InfoElement() { return info_element_; }
    CapiRawStruct& Ncpi() { return ncpi_; }

private:
    class Reader;
    class Writer;

    // CONNECT_REQ without B protocol configurations or Additional Info.
    KvResult BuildPlainConnectReq(std::uint16_t number);
    // CONNECT_REQ with whatever the fields hold.
    [[gnu::noinline]] KvResult BuildFullConnectReq(std::uint16_t number);
    // A response of the header and the PLCI or NCCI only.
    KvResult BuildIdResponse(std::uint32_t id, std::uint8_t command, std::uint16_t number);
    KvResult Finish(Writer& writer, std::uint8_t command, std::uint8_t subcommand,
                    std::uint16_t number);
    // False when the message is shorter than a header.
    bool RecordHeader(std::span<const std::uint8_t> message);

    std::array<std::uint8_t, kBufferSize> buffer_{};
    std::uint32_t appl_id_ = 0;
    std::uint32_t plci_ = 0;
    std::uint32_t ncci_ = 0;
    std::uint32_t reason_ = 0;
    std::uint32_t controller_ = 0;
    std::uint32_t cip_value_ = 0;
    std::uint32_t info_mask_ = 0;
    std::uint32_t info_number_ = 0;
    std::uint32_t reject_ = 0;
    std::uint32_t data_handle_ = 0;
    std::uint16_t received_appl_id_ = 0;
    std::uint8_t received_command_ = 0;
    std::uint8_t received_subcommand_ = 0;
    std::uint16_t received_message_number_ = 0;
    CapiPartyNumber called_party_number_;
    CapiPartyNumber calling_party_number_;
    CapiPartyNumber second_calling_party_number_;
    CapiPartyNumber connected_number_;
    CapiBProtocol b_protocol_;
    CapiFacility facility_;
    CapiHighLayerCompatibility hlc_;
    CapiBearerCapability bc_;
    CapiSubaddress called_party_subaddress_;
    CapiSubaddress calling_party_subaddress_;
    CapiAdditionalInfo additional_info_;
    CapiRawStruct llc_;
    CapiRawStruct connected_subaddress_;
    CapiRawStruct info_element_;
    CapiRawStruct ncpi_;
};

// Encoders and decoders of single parameter structures, as the codec uses
// them; exposed for checks of their round trip.
namespace capi_struct {

// The struct content (without its length byte) written to out, which holds
// at least 254 bytes; the content's length.
std::size_t EncodePartyNumber(const CapiPartyNumber& number, std::uint8_t* out);
std::size_t EncodePresentedNumber(const CapiPartyNumber& number, std::uint8_t* out);
std::size_t EncodeSubaddress(const CapiSubaddress& subaddress, std::uint8_t* out);
std::size_t EncodeBc(const CapiBearerCapability& bc, std::uint8_t* out);
std::size_t EncodeHlc(const CapiHighLayerCompatibility& hlc, std::uint8_t* out);

void DecodePartyNumber(std::span<const std::uint8_t> content, CapiPartyNumber& number);
void DecodePresentedNumber(std::span<const std::uint8_t> content, CapiPartyNumber& number);
// KV_E_FAIL (length 0) for a type or length outside the limits.
KvResult DecodeSubaddress(std::span<const std::uint8_t> content, CapiSubaddress& subaddress);
void DecodeBc(std::span<const std::uint8_t> content, CapiBearerCapability& bc);
void DecodeHlc(std::span<const std::uint8_t> content, CapiHighLayerCompatibility& hlc);
// KV_E_FAIL (all parts empty) when a part runs past the content.
KvResult DecodeAdditionalInfo(std::span<const std::uint8_t> content, CapiAdditionalInfo& info);

} // namespace capi_struct
