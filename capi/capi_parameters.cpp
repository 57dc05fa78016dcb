#include "capi/capi_parameters.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

bool CapiRawStruct::operator==(const CapiRawStruct& other) const {
    return length == other.length && std::equal(View().begin(), View().end(), other.bytes.begin());
}

namespace {

// Reading a text in 16-byte words goes past its end, which the sanitizers
// rightly report; they get the plain copy.
#if defined(__SSE2__) && !defined(__SANITIZE_ADDRESS__)
#define KV_CAPI_WIDE_TEXT_READ 1
#else
#define KV_CAPI_WIDE_TEXT_READ 0
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
#undef KV_CAPI_WIDE_TEXT_READ
#define KV_CAPI_WIDE_TEXT_READ 0
#endif
#endif

#if KV_CAPI_WIDE_TEXT_READ
// The 16 bytes at from up to the first zero byte, zeros after it, and the
// zero's position (16 when there is none).
inline __m128i TextChunk(const char* from, unsigned& zero_at) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const unsigned zeros =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_setzero_si128())));
    zero_at = zeros == 0 ? 16 : static_cast<unsigned>(std::countr_zero(zeros));
    // 16 bytes of ones, then 16 of zeros: read from 16 - zero_at, the mask
    // keeping the bytes before the zero.
    alignas(32) static constexpr std::uint8_t kKeep[32] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                           0xFF, 0xFF, 0xFF, 0xFF};
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeep + 16 - zero_at));
    return _mm_and_si128(chunk, keep);
}
#endif

} // namespace

KvResult CapiPartyNumber::SetFromText(const char* text) {
    if (text == nullptr)
        return KV_E_INVALID_POINTER;
#if KV_CAPI_WIDE_TEXT_READ
    // The text's first 33 bytes read as two 16-byte words and a byte, which
    // is safe while they stay inside the text's page: a page is readable as a
    // whole. The bytes after the terminator are masked to zero, which gives
    // the zero-padded words CopyDigitWords reads, each from one store.
    constexpr std::uintptr_t kPage = 4096;
    if ((reinterpret_cast<std::uintptr_t>(text) & (kPage - 1)) > kPage - (kMaxDigits + 1))
        return SetFromTextNearPageEnd(text);
    unsigned zero_at = 0;
    const __m128i low = TextChunk(text, zero_at);
    __m128i high = _mm_setzero_si128();
    std::size_t length = zero_at;
    if (zero_at == 16) {
        high = TextChunk(text + 16, zero_at);
        length = 16 + zero_at;
        if (zero_at == 16 && text[kMaxDigits] != '\0')
            return Fail();
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(digits.data()), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(digits.data() + 16), high);
    digits[kMaxDigits] = '\0';
    count = static_cast<std::uint8_t>(length);
    return KV_OK;
#else
    return SetFromTextNearPageEnd(text);
#endif
}

KvResult CapiPartyNumber::SetFromTextNearPageEnd(const char* text) {
    // One pass finds the length and copies, zero-padding the rest of the
    // digits.
    const char* const end = ::stpncpy(digits.data(), text, kMaxDigits + 1);
    const std::size_t length = static_cast<std::size_t>(end - digits.data());
    if (length > kMaxDigits)
        return Fail();
    count = static_cast<std::uint8_t>(length);
    return KV_OK;
}

KvResult CapiPartyNumber::Fail() {
    count = 0;
    digits[0] = '\0';
    return KV_CAPI_NOT_AVAILABLE;
}

void CapiPartyNumber::StoreDigits(const void* source, std::size_t length) {
    static_assert(std::endian::native == std::endian::little);
    const auto* from = static_cast<const std::uint8_t*>(source);
    length = std::min(length, kMaxDigits); // the callers' check, visible to the compiler
    std::size_t done = 0;
    for (; done + 8 <= length; done += 8)
        std::memcpy(digits.data() + done, from + done, 8);
    const std::size_t rest = length - done;
    if (rest == 0) {
        digits[length] = '\0';
    } else {
        // The last rest bytes as the low bytes of a word, read without going
        // past the source's end.
        std::uint64_t word = 0;
        if (length >= 8) {
            std::memcpy(&word, from + length - 8, 8);
            word >>= (8 - rest) * 8;
        } else if (rest >= 4) {
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            std::memcpy(&low, from, 4);
            std::memcpy(&high, from + rest - 4, 4);
            word = low | (std::uint64_t{high} << ((rest - 4) * 8));
        } else {
            for (std::size_t i = 0; i < rest; ++i)
                word |= std::uint64_t{from[i]} << (i * 8);
        }
        std::memcpy(digits.data() + done, &word, 8);
    }
    count = static_cast<std::uint8_t>(length);
}

bool CapiPartyNumber::operator==(const CapiPartyNumber& other) const {
    return type == other.type && plan == other.plan && presentation == other.presentation &&
           screening == other.screening && Digits() == other.Digits();
}

KvResult CapiSubaddress::Set(std::uint8_t new_type, std::span<const std::uint8_t> data,
                             std::uint8_t new_odd_even) {
    const std::size_t limit = new_type == kNsap ? 20 : new_type == kUserSpecified ? kCapacity : 0;
    if (data.size() > limit || (limit == 0)) {
        length = 0;
        return KV_E_FAIL;
    }
    type = new_type;
    odd_even = new_odd_even & 1;
    CopyStructBytes(bytes.data(), data.data(), data.size());
    length = static_cast<std::uint8_t>(data.size());
    return KV_OK;
}

bool CapiSubaddress::operator==(const CapiSubaddress& other) const {
    return type == other.type && odd_even == other.odd_even && length == other.length &&
           std::equal(bytes.begin(), bytes.begin() + length, other.bytes.begin());
}
