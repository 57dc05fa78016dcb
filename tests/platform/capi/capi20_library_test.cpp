#include "platform/capi/capi20_library.h"

#include "capi/capi_test_support.h"
#include "platform/capi/capi_wire.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// These run on machines without an ISDN controller, where libcapi20 answers
// every operation at once with a CAPI code.
class Capi20LibraryWithoutController : public testing::Test {
protected:
    void SetUp() override {
        if (capi_.CAPI_INSTALLED() == 0)
            GTEST_SKIP() << "an ISDN controller is installed";
    }
    Capi20Library capi_;
};

TEST_F(Capi20LibraryWithoutController, EveryOperationFailsAtOnceWithACapiCode) {
    EXPECT_NE(capi_.CAPI_INSTALLED(), 0u);
    DWORD appl = 77;
    EXPECT_NE(capi_.CAPI_REGISTER(3072, 2, 7, 2048, &appl), 0u);
    EXPECT_EQ(appl, 0u);
    std::uint8_t profile[64] = {};
    EXPECT_NE(capi_.CAPI_GET_PROFILE(profile, 0), 0u);
    char text[64] = {};
    EXPECT_NE(capi_.CAPI_GET_MANUFACTURER(text), 0u);
    EXPECT_NE(capi_.CAPI_GET_SERIAL_NUMBER(text), 0u);
    DWORD words[4] = {};
    EXPECT_NE(capi_.CAPI_GET_VERSION(&words[0], &words[1], &words[2], &words[3]), 0u);
    const Bytes message = MessageImage().Dword(0x0101).Finish(CAPI_DISCONNECT, CAPI_RESP);
    EXPECT_NE(capi_.CAPI_PUT_MESSAGE(1, message.data()), 0u);
    void* received = &appl;
    EXPECT_NE(capi_.CAPI_GET_MESSAGE(1, &received), 0u);
    EXPECT_EQ(received, nullptr);
    EXPECT_NE(capi_.CAPI_WAIT_FOR_SIGNAL(1), 0u);
    EXPECT_NE(capi_.CAPI_RELEASE(1), 0u);
}

TEST(Capi20Library, NullArgumentsAreRefusedWithoutCallingTheLibrary) {
    Capi20Library capi;
    EXPECT_NE(capi.CAPI_REGISTER(0, 1, 1, 128, nullptr), 0u);
    EXPECT_NE(capi.CAPI_PUT_MESSAGE(1, nullptr), 0u);
    EXPECT_NE(capi.CAPI_GET_MESSAGE(1, nullptr), 0u);
    EXPECT_NE(capi.CAPI_GET_PROFILE(nullptr, 0), 0u);
    EXPECT_NE(capi.CAPI_GET_MANUFACTURER(nullptr), 0u);
}

// A DATA_B3_IND of total bytes; a stale 32-bit Data field that must not be followed.
Bytes DataB3Header(std::uint16_t length, std::size_t total) {
    MessageImage image;
    image.Dword(0x00010101).Dword(0xDEADBEEF).Word(length).Word(5).Word(0);
    for (std::size_t size = kCapiDataB3Length; size < total; ++size)
        image.Byte(0);
    return image.Finish(CAPI_DATA_B3, CAPI_IND);
}

TEST(Capi20Library, ReceivedDataB3IsRepackedWithItsDataBehind) {
    // The 64-bit form: the data is reached through Data64.
    const std::vector<std::uint8_t> data = {1, 2, 3, 4};
    Bytes message = DataB3Header(4, 30);
    ASSERT_EQ(message.size(), 30u);
    CapiPutQword(message.data() + kCapiDataB3OffsetData64,
                 reinterpret_cast<std::uintptr_t>(data.data()));
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(RepackReceivedDataB3(message.data(), out));
    ASSERT_EQ(out.size(), 34u);
    EXPECT_EQ(CapiGetDword(out.data() + kCapiDataB3OffsetData), 0u);
    EXPECT_EQ(CapiGetQword(out.data() + kCapiDataB3OffsetData64), 0u);
    EXPECT_EQ(CapiGetWord(out.data() + kCapiDataB3OffsetHandle), 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(out.begin() + 30, out.end()), data);

    // Without Data64 the data already lies behind the message.
    Bytes short_form = DataB3Header(2, 22);
    short_form.push_back(9);
    short_form.push_back(8);
    ASSERT_TRUE(RepackReceivedDataB3(short_form.data(), out));
    EXPECT_EQ(out.size(), 24u);
    EXPECT_EQ(out[23], 8);
    EXPECT_EQ(CapiGetDword(out.data() + kCapiDataB3OffsetData), 0u);

    const Bytes too_short = MessageImage().Dword(1).Finish(CAPI_DATA_B3, CAPI_IND);
    EXPECT_FALSE(RepackReceivedDataB3(too_short.data(), out));
}

TEST(Capi20Library, DataB3RequestPointsData64AtTheDataBehindIt) {
    Bytes request = MessageImage()
                        .Dword(0x00010101)
                        .Dword(0)
                        .Word(3)
                        .Word(7)
                        .Word(0)
                        .Finish(CAPI_DATA_B3, CAPI_REQ);
    request.insert(request.end(), {0xA, 0xB, 0xC});
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(RepackDataB3Request(request.data(), out));
    ASSERT_EQ(out.size(), kCapiDataB3Length64);
    EXPECT_EQ(CapiMessageLength(out.data()), kCapiDataB3Length64);
    EXPECT_EQ(CapiGetQword(out.data() + kCapiDataB3OffsetData64),
              reinterpret_cast<std::uintptr_t>(request.data() + 22));
    EXPECT_EQ(CapiGetWord(out.data() + kCapiDataB3OffsetLength), 3u);
}

} // namespace
