#include "capi/capi_func_data.h"

#include "core/node_text.h"
#include "platform/number_parse.h"
#include "platform/pointer.h"
#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::array<const char*, 12> kTypeNames = {
    "UNSPECIFIED",     "MANUFACTURER", "REGISTER",    "RELEASE",
    "PUT_MESSAGE",     "GET_MESSAGE",  "WAIT_FOR_SIGNAL", "GET_MANUFACTURER",
    "GET_VERSION",     "GET_SERIAL_NUMBER", "PROFILE", "INSTALLED",
};

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> MakeHexValues() {
    std::array<std::uint8_t, 256> values{};
    for (auto& value : values)
        value = kNotHex;
    for (int digit = 0; digit < 10; ++digit)
        values['0' + digit] = static_cast<std::uint8_t>(digit);
    for (int digit = 0; digit < 6; ++digit) {
        values['A' + digit] = static_cast<std::uint8_t>(10 + digit);
        values['a' + digit] = static_cast<std::uint8_t>(10 + digit);
    }
    return values;
}

constexpr std::array<std::uint8_t, 256> kHexValues = MakeHexValues();

// Fixed-width uppercase hexadecimal, as "%.2X", "%.4X" and "%.8X" give it.
void AppendHex(std::string& out, std::uint32_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out.push_back(kHexDigits[(value >> shift) & 0xF]);
}

void AppendHexBytes(std::string& out, const std::uint8_t* bytes, std::size_t count) {
    std::size_t at = out.size();
    out.resize(at + count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        out[at++] = kHexDigits[bytes[i] >> 4];
        out[at++] = kHexDigits[bytes[i] & 0xF];
    }
}

// Reads a group of hex digits as an unsigned number; false at any other
// character, so garbage never reads as a number.
bool ReadHex(std::string_view text, std::size_t position, std::size_t digits,
             std::uint32_t& value) {
    if (position + digits > text.size())
        return false;
    value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const std::uint8_t digit = kHexValues[static_cast<std::uint8_t>(text[position + i])];
        if (digit == kNotHex)
            return false;
        value = (value << 4) | digit;
    }
    return true;
}

bool ReadHexWords(std::string_view payload, std::array<std::uint32_t, 4>& out) {
    std::array<std::uint32_t, 4> words{};
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!ReadHex(payload, i * 8, 8, words[i]))
            return false;
    }
    out = words;
    return true;
}

#if defined(__SSE2__)
// 16 hex digits to their values, and a mask of 0xFF where the byte is a
// digit: the same tests as the plain loop below, 16 at a time.
inline __m128i HexNibbles(__m128i text, __m128i& valid) {
    const __m128i digit = _mm_sub_epi8(text, _mm_set1_epi8('0'));
    const __m128i letter =
        _mm_sub_epi8(_mm_or_si128(text, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    // Unsigned x < n as min(x, n - 1) == x: SSE2 has no unsigned compare.
    const __m128i is_digit = _mm_cmpeq_epi8(_mm_min_epu8(digit, _mm_set1_epi8(9)), digit);
    const __m128i is_letter = _mm_cmpeq_epi8(_mm_min_epu8(letter, _mm_set1_epi8(5)), letter);
    valid = _mm_and_si128(valid, _mm_or_si128(is_digit, is_letter));
    return _mm_or_si128(_mm_and_si128(is_digit, digit),
                        _mm_and_si128(is_letter, _mm_add_epi8(letter, _mm_set1_epi8(10))));
}

// Pairs of nibbles (high first) to 8 bytes, each in a 16-bit lane.
inline __m128i HexPairs(__m128i nibbles) {
    const __m128i high = _mm_slli_epi16(_mm_and_si128(nibbles, _mm_set1_epi16(0x00FF)), 4);
    return _mm_or_si128(high, _mm_srli_epi16(nibbles, 8));
}
#endif

// Decodes into the caller's scratch buffer, which it takes over only on
// success. A message carries up to 2,064 digits: 32 at a time where the
// processor has 16-byte words, the rest one pair at a time.
bool ReadHexBytes(std::string_view payload, std::uint8_t* out, std::size_t count) {
    if (count > payload.size() / 2)
        return false;
    const auto* text = reinterpret_cast<const std::uint8_t*>(payload.data());
    std::size_t i = 0;
    bool sound = true;
#if defined(__SSE2__)
    __m128i valid = _mm_set1_epi8(-1);
    for (; i + 16 <= count; i += 16) {
        const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i));
        const __m128i second =
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 2 * i + 16));
        const __m128i bytes = _mm_packus_epi16(HexPairs(HexNibbles(first, valid)),
                                               HexPairs(HexNibbles(second, valid)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
    }
    sound = _mm_movemask_epi8(valid) == 0xFFFF;
#endif
    std::uint8_t bad = 0;
    const auto nibble = [&bad](std::uint8_t c) {
        const auto lower = static_cast<std::uint8_t>(c | 0x20);
        const bool digit = static_cast<std::uint8_t>(c - '0') < 10;
        const bool letter = static_cast<std::uint8_t>(lower - 'a') < 6;
        bad |= static_cast<std::uint8_t>(!(digit || letter));
        return static_cast<std::uint8_t>(digit ? c - '0' : lower - 'a' + 10);
    };
    for (const std::uint8_t* pair = text + 2 * i; i < count; ++i, pair += 2)
        out[i] = static_cast<std::uint8_t>((nibble(pair[0]) << 4) | nibble(pair[1]));
    return sound && bad == 0;
}

// "%d" of the value, without the formatted print: every record reset, read
// or failed sets a number's text.
void AssignDecimal(std::string& out, std::int32_t value) {
    char digits[12];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.assign(digits, written.ptr);
}

std::uint32_t LengthWord(const std::uint8_t* message) {
    return static_cast<std::uint32_t>(message[0]) | (static_cast<std::uint32_t>(message[1]) << 8);
}

bool IsWritableMessageLength(std::uint32_t length) {
    return length >= 8 && length <= CAPIFuncData::kMaxMessageLength;
}

} // namespace

CAPIFuncData::CAPIFuncData() {
    Reset();
}

void CAPIFuncData::Reset() {
    result_ = KV_OK;
    type_ = kUnspecified;
    type_name_ = kTypeNames[kUnspecified];
    id_ = 0;
    id_text_ = "0";
    application_id_ = 0;
    application_id_text_ = "0";
    return_value_ = 0;
    return_value_text_ = "0";
    flag_return_ = 0;
    flag_return_text_ = "false";
    note_.clear();
    timeout_.SetInterval(0, kTimeoutMilliseconds);
    register_ = {};
    std::fill_n(message_.begin(), 8, std::uint8_t{0});
    text_[0] = 0;
    version_ = {};
    controller_ = 0;
}

KvResult CAPIFuncData::CopyMessageFrom(const std::uint8_t* message) {
    const std::uint32_t length = LengthWord(message);
    if (length < kMinMessageLength || length > kMaxMessageLength) {
        message_[0] = 0;
        message_[1] = 0;
        return KV_E_FAIL;
    }
    std::memcpy(message_.data(), message, length);
    return KV_OK;
}

KvResult CAPIFuncData::SetMessage(const std::uint8_t* message) {
    if (!IsValidPtr(message))
        return KV_E_INVALID_POINTER;
    return CopyMessageFrom(message);
}

std::uint32_t CAPIFuncData::GetMessageLength() const {
    return LengthWord(message_.data());
}

KvResult CAPIFuncData::CopyFrom(const CAPIFuncData& other) {
    if (this == &other)
        return KV_OK;
    id_ = other.id_;
    id_text_ = other.id_text_;
    type_ = other.type_;
    type_name_ = other.type_name_;
    flag_return_ = other.flag_return_;
    flag_return_text_ = other.flag_return_text_;
    application_id_ = other.application_id_;
    application_id_text_ = other.application_id_text_;
    return_value_ = other.return_value_;
    return_value_text_ = other.return_value_text_;
    note_ = other.note_;
    register_ = other.register_;
    const KvResult copied = CopyMessageFrom(other.message_.data());
    text_ = other.text_;
    version_ = other.version_;
    controller_ = other.controller_;
    result_ = other.result_;
    return copied;
}

std::int32_t CAPIFuncData::CopyResultTo(CAPIFuncData& target) const {
    if (target.type_ != type_)
        return 0;
    switch (type_) {
    case kUnspecified:
    case kManufacturer:
    case kRelease:
    case kWaitForSignal:
    case kInstalled:
        break;
    case kRegister:
        target.register_ = register_;
        break;
    case kPutMessage:
    case kGetMessage:
        target.CopyMessageFrom(message_.data());
        break;
    case kGetVersion:
        target.version_ = version_;
        break;
    case kProfile:
        target.controller_ = controller_;
        target.text_ = text_;
        break;
    case kGetManufacturer:
    case kGetSerialNumber:
        target.text_ = text_;
        break;
    default:
        return 0;
    }
    target.flag_return_ = flag_return_;
    target.flag_return_text_ = flag_return_text_;
    target.application_id_ = application_id_;
    target.application_id_text_ = application_id_text_;
    target.return_value_ = return_value_;
    target.return_value_text_ = return_value_text_;
    return 1;
}

void CAPIFuncData::SetType(std::uint32_t type) {
    // A code outside the table is kept (its DataPool is "0000") but named
    // as the blank record.
    type_ = type;
    type_name_ = kTypeNames[type < kTypeNames.size() ? type : kUnspecified];
}

void CAPIFuncData::SetTypeFromName(std::string_view name) {
    const std::string upper = ToUpper(name);
    for (std::uint32_t type = 0; type < kTypeNames.size(); ++type) {
        if (upper == kTypeNames[type]) {
            SetType(type);
            return;
        }
    }
    SetType(kUnspecified);
}

void CAPIFuncData::SetIdText(std::string_view text) {
    id_ = ParseInt32(text, 10);
    id_text_ = text;
}

void CAPIFuncData::SetApplicationIdText(std::string_view text) {
    application_id_ = ParseInt32(text, 10);
    application_id_text_ = text;
}

void CAPIFuncData::SetReturnValueText(std::string_view text) {
    return_value_ = ParseInt32(text, 10);
    return_value_text_ = text;
}

void CAPIFuncData::SetFlagReturnText(std::string_view text) {
    std::string flag(text);
    TrimInPlace(flag);
    MakeLowerInPlace(flag);
    SetFlagReturn(flag == "true" ? 1 : 0);
}

void CAPIFuncData::SetId(std::int32_t id) {
    id_ = id;
    AssignDecimal(id_text_, id);
}

void CAPIFuncData::SetFlagReturn(std::uint32_t flag) {
    flag_return_ = flag != 0 ? 1 : 0;
    flag_return_text_ = flag_return_ != 0 ? "true" : "false";
}

void CAPIFuncData::SetApplicationId(std::int32_t id) {
    application_id_ = id;
    AssignDecimal(application_id_text_, id);
}

void CAPIFuncData::SetReturnValue(std::int32_t value) {
    return_value_ = value;
    AssignDecimal(return_value_text_, value);
}

bool CAPIFuncData::CheckTimeoutExpired() {
    if (timeout_.IsRunning())
        timeout_.CheckExpired();
    return timeout_.IsExpired();
}

void CAPIFuncData::SetNotAvailableResult() {
    switch (type_) {
    case kManufacturer:
    case kGetManufacturer:
    case kGetVersion:
    case kGetSerialNumber:
        SetReturnValue(0);
        break;
    case kRegister:
        SetReturnValue(kRegisterNotAvailable);
        break;
    default:
        SetReturnValue(kNotAvailable);
        break;
    }
}

std::string CAPIFuncData::WriteDataPool() const {
    std::string payload;
    const bool answer = flag_return_ != 0;
    switch (type_) {
    case kManufacturer:
        return {};
    case kRegister:
        for (const std::uint32_t word : register_)
            AppendHex(payload, word, 8);
        break;
    case kPutMessage:
    case kGetMessage:
        if (answer == (type_ == kGetMessage) && IsWritableMessageLength(GetMessageLength()))
            AppendHexBytes(payload, message_.data(), GetMessageLength());
        break;
    case kGetManufacturer:
    case kGetSerialNumber:
        if (answer) {
            const std::size_t limit = type_ == kGetManufacturer ? kTextBufferSize : 8;
            const auto* zero = std::find(text_.begin(), text_.begin() + limit, 0);
            const std::size_t count =
                std::min<std::size_t>(limit, static_cast<std::size_t>(zero - text_.begin()) + 1);
            AppendHexBytes(payload, text_.data(), count);
        }
        break;
    case kGetVersion:
        if (answer) {
            for (const std::uint32_t word : version_)
                AppendHex(payload, word, 8);
        }
        break;
    case kProfile:
        AppendHex(payload, controller_, 8);
        if (answer)
            AppendHexBytes(payload, text_.data(), text_.size());
        break;
    default:
        break;
    }
    std::string pool;
    pool.reserve(4 + payload.size());
    AppendHex(pool, static_cast<std::uint32_t>(payload.size()), 4);
    pool += payload;
    return pool;
}

KvResult CAPIFuncData::ReadDataPool(std::string_view text) {
    result_ = KV_OK;
    if (type_ == kManufacturer || type_ > kInstalled)
        return result_;
    std::uint32_t length = 0;
    if (!ReadHex(text, 0, 4, length)) {
        result_ = KV_E_FAIL;
        return result_;
    }
    const std::string_view payload = text.substr(4);
    const bool answer = flag_return_ != 0;
    bool sound = true;
    switch (type_) {
    case kRegister:
        sound = length == 32 && payload.size() == 32 && ReadHexWords(payload, register_);
        break;
    case kPutMessage:
    case kGetMessage: {
        if (type_ == kPutMessage ? answer : (!answer || length == 0))
            break;
        // A call without a message is written "0000" and read back as one.
        if (length == 0 && payload.empty()) {
            message_[0] = 0;
            message_[1] = 0;
            break;
        }
        // The length word must give the bytes carried: CAPI reads by it.
        const std::size_t count = length / 2;
        std::array<std::uint8_t, kMaxMessageLength> bytes{};
        sound = payload.size() == length && length % 2 == 0 && count >= 8 &&
                count <= kMaxMessageLength && ReadHexBytes(payload, bytes.data(), count) &&
                LengthWord(bytes.data()) == count;
        if (sound)
            std::memcpy(message_.data(), bytes.data(), count);
        break;
    }
    case kGetManufacturer:
    case kGetSerialNumber: {
        const std::size_t count = length / 2;
        std::array<std::uint8_t, kTextBufferSize> bytes{};
        sound = payload.size() == length && length % 2 == 0 && count <= kTextBufferSize &&
                ReadHexBytes(payload, bytes.data(), count);
        if (sound)
            text_ = bytes;
        break;
    }
    case kGetVersion:
        if (payload.size() != length)
            sound = false;
        else if (!answer)
            sound = length == 0;
        else
            sound = length == 32 && ReadHexWords(payload, version_);
        break;
    case kProfile: {
        std::uint32_t controller = 0;
        sound = payload.size() == length && length >= 8 && ReadHex(payload, 0, 8, controller);
        if (!sound)
            break;
        if (answer) {
            std::array<std::uint8_t, kTextBufferSize> bytes{};
            sound = length == 136 && ReadHexBytes(payload.substr(8), bytes.data(), bytes.size());
            if (sound)
                text_ = bytes;
        }
        if (sound)
            controller_ = controller;
        break;
    }
    default:
        sound = length == 0;
        break;
    }
    if (!sound)
        result_ = KV_E_FAIL;
    return result_;
}

KvResult CAPIFuncData::WriteXml(XmlDocument* document, XmlNode* parent, std::uint32_t format) {
    if (!IsValidPtr(document) || !IsValidPtr(parent))
        return KV_E_INVALID_POINTER;
    if (format != 0)
        return KV_OK;
    XmlNode* element = nullptr;
    KvResult result = document->AddElement(element, parent, XmlStaticName{"CAPIFuncData"});
    if (result != KV_OK)
        return result;
    const std::pair<XmlStaticName, std::string> children[] = {
        {XmlStaticName{"Type"}, type_name_},
        {XmlStaticName{"ApplicationId"}, application_id_text_},
        {XmlStaticName{"FlagReturn"}, flag_return_text_},
        {XmlStaticName{"ReturnValue"}, return_value_text_},
        {XmlStaticName{"Id"}, id_text_},
        {XmlStaticName{"DataPool"}, WriteDataPool()},
    };
    for (const auto& [name, text] : children) {
        XmlNode* child = nullptr;
        result = document->AddTextElement(child, element, name, text, TRUE);
        if (result != KV_OK)
            return result;
    }
    return KV_OK;
}

KvResult CAPIFuncData::ReadXml(const XmlNode* element) {
    if (!IsValidPtr(element))
        return KV_E_INVALID_POINTER;
    XmlNode* record = nullptr;
    const KvResult found = element->FindChild(record, "CAPIFuncData");
    if (found != KV_OK)
        return found;
    if (!IsValidPtr(record))
        return KV_E_INVALID_POINTER;
    KvResult result = KV_OK;
    std::string scratch;
    for (const XmlNode* child : record->GetChildList()) {
        if (!IsValidPtr(child)) {
            result = KV_E_INVALID_POINTER;
            continue;
        }
        if (child->GetKind() != kXmlTextElement)
            continue;
        const std::string_view name = child->GetName();
        const std::string_view text = DecodedNodeText(*child, scratch);
        if (name == "DataPool") {
            if (ReadDataPool(text) != KV_OK)
                result = result_;
        } else if (name == "ApplicationId") {
            SetApplicationIdText(text);
        } else if (name == "ReturnValue") {
            SetReturnValueText(text);
        } else if (name == "FlagReturn") {
            SetFlagReturnText(text);
        } else if (name == "Type") {
            SetTypeFromName(text);
        } else if (name == "Id") {
            SetIdText(text);
        }
    }
    result_ = result;
    return result;
}
