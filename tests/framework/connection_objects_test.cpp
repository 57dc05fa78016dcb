#include "framework/connection_objects.h"

#include "framework/framework_payloads.h"
#include "framework_test_support.h"

#include <gtest/gtest.h>

TEST(ConnectionObjects, SetDataFillsARequest) {
    CKvTypedObject42 request;
    EXPECT_EQ(request.timers.Find(1)->GetInterval(), 180000);
    request.buffer = {1, 2, 3};
    request.SetData("127.0.0.1", 4711, "text to send", 2500);
    request.SetState(3);
    EXPECT_EQ(std::tuple(request.peers[0].GetAddressText(), request.GetValue(), request.name,
                         request.buffer.empty()),
              std::tuple("127.0.0.1", 4711u, "text to send", true));
    EXPECT_EQ(request.numbers, (std::array<std::uint32_t, 5>{0, 2500, 3, 1, 0}));
}

TEST(ConnectionObjects, HeldMessagesAreReleasedOnceNeverCopiedAndACarrierLosesOnlyItsHeader) {
    ScopedCountingPayload counting;
    auto* holder = new CKvTypedObject58;
    holder->SetMessage(NewMessageWithCountingPayload(1));
    CKvTypedObject58 copy;
    holder->first_text = "copied";
    copy = *holder;
    EXPECT_EQ(std::tuple(copy.first_text, copy.GetMessage(), counting.Live()),
              std::tuple("copied", nullptr, 1));
    delete holder;
    EXPECT_EQ(counting.Live(), 0);
    RegisterFrameworkPayloads();
    auto* request = new CKvTypedObject42;
    auto* carrier = new CKvMessage;
    carrier->SetPayloadType(KV_PAYLOAD_TYPED_OBJECT42);
    carrier->SetPayload(request);
    request->SetMessage(carrier);
    delete request; // a second destruction of the request would show under the sanitizers
}
