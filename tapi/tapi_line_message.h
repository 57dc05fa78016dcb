#pragma once
// KVTAPILINEMESSAGE (payload type 49): one TAPI event of a line, which the
// line's owner fills from TAPI's messages and posts to the line thread. The
// line thread reads LINE_CALLSTATE and LINE_REPLY only. The call's TAPI
// structures travel as typed values (call info and call status), copied
// whole.

#include "framework/payload_registry.h"
#include "platform/tapi/tapi_types.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class KVTAPILINEMESSAGE {
public:
    static constexpr KvPayloadType kTypeCode = KV_PAYLOAD_TAPI_LINE_MESSAGE;

    // LINE_CALLSTATE or LINE_REPLY.
    std::uint32_t& GetMessage() { return message_; }
    std::uint32_t& GetCallHandle() { return hcall_; }
    std::uint32_t& GetRequestId() { return request_id_; }
    std::int32_t& GetReplySecondValue() { return reply_second_value_; }
    // Non-zero when the replied request succeeded, 0 when it failed.
    std::int32_t& GetReplyResult() { return reply_result_; }
    std::uint32_t& GetCallState() { return call_state_; }
    std::optional<LineCallInfo>& GetCallInfo() { return call_info_; }
    const std::optional<LineCallInfo>& GetCallInfo() const { return call_info_; }
    std::optional<LineCallStatus>& GetCallStatus() { return call_status_; }
    const std::optional<LineCallStatus>& GetCallStatus() const { return call_status_; }
    // The call's number; becomes its callednumber when not blank.
    std::string& GetFirstNumber() { return first_number_; }
    // The other number: callingnumber, and callednumber when the first is empty.
    std::string& GetSecondNumber() { return second_number_; }
    std::uint32_t& GetOrigin() { return origin_; }
    std::uint32_t& GetFeatures() { return features_; }
    // The six words the line thread does not read, in record order.
    std::array<std::int32_t, 6>& GetSpareWords() { return spare_words_; }

    bool operator==(const KVTAPILINEMESSAGE&) const = default;

private:
    std::uint32_t message_ = 0;
    std::uint32_t hcall_ = 0;
    std::uint32_t request_id_ = 0;
    std::int32_t reply_second_value_ = 0;
    std::int32_t reply_result_ = 1;
    std::uint32_t call_state_ = LINECALLSTATE_UNKNOWN;
    std::optional<LineCallInfo> call_info_;
    std::optional<LineCallStatus> call_status_;
    std::string first_number_;
    std::string second_number_;
    std::uint32_t origin_ = LINECALLORIGIN_UNKNOWN;
    std::uint32_t features_ = 0;
    std::array<std::int32_t, 6> spare_words_{};
};
