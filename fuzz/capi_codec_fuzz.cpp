// FUZZ_LIBRARIES: kv_capi
// Every CAPI decoder reads the same arbitrary bytes, the header's length
// included. A CONNECT_RESP and a CONNECT_REQ built from the decoded
// CONNECT_IND must fail cleanly or be well-formed: their length word equal to
// the bytes written, at most 1288, no struct above 254 bytes. Each structure
// that is both read and written keeps its fields through decode, encode and
// decode, and its encoding is a fixed point after one round.

#include "capi/b3_data_stream.h"
#include "capi/capi_message_codec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

void Check(bool condition) {
    if (!condition)
        std::abort();
}

// Walks a built message: the fixed bytes, then the structs; it must end exactly
// at its length word.
void CheckBuilt(const CapiMessageCodec& codec, KvResult result, std::size_t fixed, int structs) {
    const std::uint16_t length = codec.GetMessageLength();
    if (result != KV_OK) {
        Check(result == KV_E_FAIL && length == 0);
        return;
    }
    Check(length <= CapiMessageCodec::kBufferSize);
    const std::uint8_t* message = codec.GetMessage();
    std::size_t position = kCapiHeaderLength + fixed;
    for (int i = 0; i < structs; ++i) {
        Check(position < length);
        Check(message[position] <= kCapiMaxStructLength);
        position += 1 + message[position];
    }
    Check(position == length);
}

template <typename Field, typename Encode, typename Decode>
void RoundTrip(const Field& decoded, Encode encode, Decode decode) {
    std::array<std::uint8_t, 256> first{};
    const std::size_t first_length = encode(decoded, first.data());
    Check(first_length <= kCapiMaxStructLength);
    Field again = decoded;
    decode(std::span<const std::uint8_t>(first.data(), first_length), again);
    Check(again == decoded);
    std::array<std::uint8_t, 256> second{};
    const std::size_t second_length = encode(again, second.data());
    Check(second_length == first_length &&
          std::memcmp(first.data(), second.data(), first_length) == 0);
}

std::size_t EncodeAdditionalInfo(const CapiAdditionalInfo& info, std::uint8_t* out) {
    std::size_t length = 0;
    for (const CapiRawStruct& part : info.parts) {
        if (length + 1 + part.length > kCapiMaxStructLength)
            return kCapiMaxStructLength + 1;
        out[length++] = part.length;
        std::memcpy(out + length, part.bytes.data(), part.length);
        length += part.length;
    }
    return length;
}

void CheckStructRoundTrips(CapiMessageCodec& codec) {
    using namespace capi_struct;
    // A called number without digits and a subaddress without bytes go out as
    // empty structs: the type their octet gave is not carried.
    if (codec.CalledPartyNumber().count != 0)
        RoundTrip(codec.CalledPartyNumber(), EncodePartyNumber, DecodePartyNumber);
    RoundTrip(codec.CallingPartyNumber(), EncodePresentedNumber, DecodePresentedNumber);
    RoundTrip(codec.SecondCallingPartyNumber(), EncodePresentedNumber, DecodePresentedNumber);
    RoundTrip(codec.ConnectedNumber(), EncodePresentedNumber, DecodePresentedNumber);
    const auto decode_subaddress = [](std::span<const std::uint8_t> content, CapiSubaddress& out) {
        Check(DecodeSubaddress(content, out) == KV_OK);
    };
    for (CapiSubaddress* subaddress :
         {&codec.CalledPartySubaddress(), &codec.CallingPartySubaddress()})
        if (subaddress->length != 0)
            RoundTrip(*subaddress, EncodeSubaddress, decode_subaddress);
    RoundTrip(codec.Bc(), EncodeBc, DecodeBc);
    RoundTrip(codec.Hlc(), EncodeHlc, DecodeHlc);
    std::array<std::uint8_t, 1400> scratch{};
    if (EncodeAdditionalInfo(codec.AdditionalInfo(), scratch.data()) <= kCapiMaxStructLength) {
        const auto decode_info = [](std::span<const std::uint8_t> content,
                                    CapiAdditionalInfo& out) {
            Check(DecodeAdditionalInfo(content, out) == KV_OK);
        };
        RoundTrip(codec.AdditionalInfo(), EncodeAdditionalInfo, decode_info);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> message(data, size);
    static CapiMessageCodec codec;
    codec.Reset();
    B3DataBlock block;
    codec.DecodeConnectActiveInd(message);
    codec.DecodeConnectB3Ind(message);
    codec.DecodeConnectB3ActiveInd(message);
    codec.DecodeDataB3Ind(message, &block);
    Check(block.GetLength() <= B3DataBlock::kCapacity);
    codec.DecodeDataB3Ind(message, nullptr);
    codec.DecodeDisconnectInd(message);
    codec.DecodeDisconnectB3Ind(message);
    codec.DecodeFacilityInd(message);
    codec.DecodeInfoInd(message);
    codec.DecodeConnectInd(message);
    CheckStructRoundTrips(codec);

    // Fill what the responses carry from what the indication brought, so
    // that over-long structs reach the builders.
    codec.ConnectedNumber() = codec.CallingPartyNumber();
    codec.ConnectedSubaddress() = codec.Llc();
    codec.BProtocol().b1_configuration = codec.Llc();
    codec.BProtocol().b2_configuration = codec.AdditionalInfo().parts[0];
    codec.BProtocol().b3_configuration = codec.AdditionalInfo().parts[2];
    codec.BProtocol().use_default = size % 2 == 0;
    const std::uint16_t number = codec.GetReceivedMessageNumber();
    CheckBuilt(codec, codec.BuildConnectResp(number), 6, 5);
    CheckBuilt(codec, codec.BuildConnectReq(number), 6, 9);
    return 0;
}
