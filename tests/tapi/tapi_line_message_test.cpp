#include "tapi/tapi_line_message.h"

#include <gtest/gtest.h>

namespace {

TEST(KvTapiLineMessage, DefaultsSayUnknownStateUnknownOriginAndSuccess) {
    KVTAPILINEMESSAGE message;
    EXPECT_EQ(message.GetMessage(), 0u);
    EXPECT_EQ(message.GetCallHandle(), 0u);
    EXPECT_EQ(message.GetRequestId(), 0u);
    EXPECT_EQ(message.GetReplySecondValue(), 0);
    EXPECT_EQ(message.GetReplyResult(), 1);
    EXPECT_EQ(message.GetCallState(), 0x8000u);
    EXPECT_EQ(message.GetOrigin(), 16u);
    EXPECT_EQ(message.GetFeatures(), 0u);
    EXPECT_FALSE(message.GetCallInfo().has_value());
    EXPECT_FALSE(message.GetCallStatus().has_value());
    EXPECT_EQ(message.GetFirstNumber(), "");
}

TEST(KvTapiLineMessage, CopiesCarryCallInfoAndStatusWholeOrNothing) {
    KVTAPILINEMESSAGE message;
    message.GetMessage() = LINE_CALLSTATE;
    message.GetCallHandle() = 0x20001;
    message.GetCallState() = LINECALLSTATE_OFFERING;
    message.GetFirstNumber() = "0711 1";
    message.GetSpareWords()[5] = -3;

    KVTAPILINEMESSAGE without;
    without.GetCallInfo() = LineCallInfo{.caller_id = "stale"};
    without = message;
    EXPECT_EQ(without, message);
    EXPECT_FALSE(without.GetCallInfo().has_value()); // the target's own is given up
    EXPECT_FALSE(without.GetCallStatus().has_value());

    message.GetCallInfo() = LineCallInfo{.line_device_id = 4,
                                         .hline = 0x10001,
                                         .origin = LINECALLORIGIN_EXTERNAL,
                                         .caller_id = std::string("089\0 1", 6),
                                         .called_id = "0711 1"};
    message.GetCallStatus() = LineCallStatus{.call_state = LINECALLSTATE_OFFERING,
                                             .call_state_mode = 1,
                                             .call_features = LINECALLFEATURE_ANSWER};
    KVTAPILINEMESSAGE with(message);
    EXPECT_EQ(with, message);
    EXPECT_EQ(with.GetCallInfo()->caller_id.size(), 6u);
    message.GetCallInfo()->called_id = "changed";
    EXPECT_EQ(with.GetCallInfo()->called_id, "0711 1");

    KVTAPILINEMESSAGE& same = with;
    with = same;
    ASSERT_TRUE(with.GetCallStatus().has_value());
    EXPECT_EQ(with.GetCallStatus()->call_features, LINECALLFEATURE_ANSWER);
}

} // namespace
