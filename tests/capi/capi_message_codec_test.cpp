#include "capi/capi_message_codec.h"

#include "capi/b3_data_stream.h"
#include "capi_test_support.h"
#include "platform/capi/scripted_capi_controller.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

Bytes Built(const CapiMessageCodec& codec) {
    return ToBytes(codec.GetMessageBytes());
}

// Called number "0301234", unknown type, ISDN plan.
MessageImage ConnectIndUpToCalling() {
    MessageImage image;
    image.Dword(0x0201).Word(16).Struct({0x81, '0', '3', '0', '1', '2', '3', '4'});
    return image;
}

// --- Builders ---

TEST(CapiMessageCodecBuild, ListenReqIsTheTwentySixBytesOfTheStandardLayout) {
    CapiMessageCodec codec;
    codec.SetApplId(1);
    codec.SetController(1);
    codec.SetInfoMask(0x30);
    codec.SetCipValue(0x11);
    ASSERT_EQ(codec.BuildListenReq(0x0102), KV_OK);
    EXPECT_EQ(Built(codec), (Bytes{0x1A, 0, 1, 0,    0x05, 0x80, 0x02, 0x01, 1, 0, 0, 0, 0x30,
                                   0,    0, 0, 0x11, 0,    0,    0,    0,    0, 0, 0, 0, 0}));
}

TEST(CapiMessageCodecBuild, ConnectReqAfterResetCarriesTheDefaults) {
    CapiMessageCodec codec;
    codec.CalledPartyNumber().SetFromText("12");
    codec.SetController(5);
    codec.Reset();
    codec.SetApplId(2);
    ASSERT_EQ(codec.BuildConnectReq(7), KV_OK);
    EXPECT_EQ(Built(codec), (Bytes{44, 0,    2,    0,    0x02, 0x80, 7, 0, 0, 0, 0, 0, // Controller
                                   0,  0,                                              // CIP Value
                                   0,              // called number, empty
                                   2,  0x00, 0x80, // calling number without digits
                                   0,  0,          // subaddresses
                                   9,  1,    0,    1,    0,    0,    0, 0, 0, 0, // B protocol
                                   3,  0x80, 0x90, 0xA3,                         // BC
                                   0,                                            // LLC
                                   2,  0x91, 0x81,                               // HLC
                                   5,  0,    0,    0,    0,    0}));             // Additional Info
}

TEST(CapiMessageCodecBuild, ConnectReqWritesNumbersSubaddressAndShortHlc) {
    CapiMessageCodec codec;
    codec.SetController(1);
    codec.SetCipValue(1);
    CapiPartyNumber& called = codec.CalledPartyNumber();
    called.plan = 1;
    called.SetFromText("0301234");
    CapiPartyNumber& calling = codec.CallingPartyNumber();
    calling.type = 2;
    calling.plan = 1;
    calling.presentation = 1;
    calling.screening = 3;
    calling.SetFromText("4711");
    const std::uint8_t sub[] = {0xAB, 0xCD};
    ASSERT_EQ(codec.CallingPartySubaddress().Set(CapiSubaddress::kUserSpecified, sub, 1), KV_OK);
    codec.Hlc().extended = true;
    codec.Hlc().extended_identification = 5;
    ASSERT_EQ(codec.BuildConnectReq(1), KV_OK);
    const Bytes expected = MessageImage()
                               .Dword(1)
                               .Word(1)
                               .Struct({0x81, '0', '3', '0', '1', '2', '3', '4'})
                               .Struct({0x21, 0xA3, '4', '7', '1', '1'})
                               .Empty()
                               .Struct({0xA8, 0xAB, 0xCD})
                               .Struct({1, 0, 1, 0, 0, 0, 0, 0, 0})
                               .Struct({0x80, 0x90, 0xA3})
                               .Empty()
                               .Struct({0x91, 0x81})
                               .Struct({0, 0, 0, 0, 0})
                               .Finish(0x02, 0x80, 1, 0);
    EXPECT_EQ(Built(codec), expected);
}

// The common outgoing call, built again and again by one codec: Reset, the
// numbers from text, the request; every build gives the same 67 bytes.
TEST(CapiMessageCodecBuild, TypicalConnectReqIsTheSameBytesOnEveryBuild) {
    const Bytes expected =
        MessageImage()
            .Dword(1)
            .Word(1)
            .Struct({0x80, '0', '3', '0', '1', '2', '3', '4', '5', '6', '7'})
            .Struct({0x00, 0x80, '0', '1', '7', '1', '1', '2', '3', '4', '5', '6', '7', '8'})
            .Empty()
            .Empty()
            .Struct({1, 0, 1, 0, 0, 0, 0, 0, 0})
            .Struct({0x80, 0x90, 0xA3})
            .Empty()
            .Struct({0x91, 0x81})
            .Struct({0, 0, 0, 0, 0})
            .Finish(0x02, 0x80, 7, 1);
    ASSERT_EQ(expected.size(), 67u);
    CapiMessageCodec codec;
    for (int round = 0; round < 3; ++round) {
        codec.Reset();
        codec.SetApplId(1);
        codec.SetController(1);
        codec.SetCipValue(1);
        ASSERT_EQ(codec.CalledPartyNumber().SetFromText("0301234567"), KV_OK);
        ASSERT_EQ(codec.CallingPartyNumber().SetFromText("017112345678"), KV_OK);
        ASSERT_EQ(codec.BuildConnectReq(7), KV_OK);
        EXPECT_EQ(Built(codec), expected) << "round " << round;
    }
}

// Every field a plain CONNECT_REQ carries, with numbers of each length up to
// 32 digits, set over longer ones: the struct lengths and contents follow.
TEST(CapiMessageCodecBuild, ConnectReqCarriesNumbersOfEveryLengthAndEachField) {
    const std::string all_digits = "98765432109876543210987654321098";
    CapiMessageCodec codec;
    for (const std::size_t count : {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 24, 31, 32}) {
        SCOPED_TRACE(count);
        const std::string called = all_digits.substr(0, count);
        const std::string calling = all_digits.substr(32 - count);
        codec.Reset();
        codec.SetApplId(0x0203);
        codec.SetController(0x04030201);
        codec.SetCipValue(16);
        ASSERT_EQ(codec.CalledPartyNumber().SetFromText(all_digits.c_str()), KV_OK);
        ASSERT_EQ(codec.CallingPartyNumber().SetFromText(all_digits.c_str()), KV_OK);
        codec.CalledPartyNumber().type = 2;
        codec.CalledPartyNumber().plan = 1;
        ASSERT_EQ(codec.CalledPartyNumber().SetFromText(called.c_str()), KV_OK);
        codec.CallingPartyNumber().presentation = 1;
        codec.CallingPartyNumber().screening = 2;
        ASSERT_EQ(codec.CallingPartyNumber().SetFromString(calling), KV_OK);
        const std::uint8_t nsap[] = {1, 2, 3};
        ASSERT_EQ(codec.CalledPartySubaddress().Set(CapiSubaddress::kNsap, nsap), KV_OK);
        codec.BProtocol().b1 = 0x0102;
        codec.BProtocol().b3 = 0x0304;
        codec.Bc().rate = 7;
        const std::uint8_t llc[] = {0x88, 0x90};
        ASSERT_EQ(codec.Llc().Set(llc), KV_OK);
        codec.Hlc().coding = 1;
        codec.Hlc().identification = 4;
        codec.Hlc().extended = true;
        ASSERT_EQ(codec.BuildConnectReq(0x0605), KV_OK);

        MessageImage image;
        image.Dword(0x04030201).Word(16);
        if (count == 0) {
            image.Empty();
        } else {
            image.Byte(1 + count).Byte(0xA1);
            for (char digit : called)
                image.Byte(static_cast<std::uint8_t>(digit));
        }
        image.Byte(2 + count).Byte(0x00).Byte(0xA2);
        for (char digit : calling)
            image.Byte(static_cast<std::uint8_t>(digit));
        image.Struct({0x80, 1, 2, 3})
            .Empty()
            .Struct({2, 1, 1, 0, 4, 3, 0, 0, 0})
            .Struct({0x80, 0x87, 0xA3})
            .Struct({0x88, 0x90})
            .Struct({0xB1, 0x84})
            .Struct({0, 0, 0, 0, 0});
        EXPECT_EQ(Built(codec), image.Finish(0x02, 0x80, 0x0605, 0x0203));
    }
}

TEST(CapiPartyNumberText, TakesUpToThirtyTwoDigitsAndRefusesMore) {
    CapiPartyNumber number;
    ASSERT_EQ(number.SetFromText("0301234567"), KV_OK);
    EXPECT_EQ(number.Digits(), "0301234567");
    EXPECT_EQ(number.digits[10], '\0');
    ASSERT_EQ(number.SetFromText(""), KV_OK);
    EXPECT_EQ(number.Digits(), "");
    const std::string longest(32, '9');
    ASSERT_EQ(number.SetFromText(longest.c_str()), KV_OK);
    EXPECT_EQ(number.Digits(), longest);
    EXPECT_EQ(number.digits[32], '\0');
    EXPECT_EQ(number.SetFromText(std::string(33, '1').c_str()), KV_CAPI_NOT_AVAILABLE);
    EXPECT_EQ(number.Digits(), "");
    EXPECT_EQ(number.digits[0], '\0');
    EXPECT_EQ(number.SetFromText(nullptr), KV_E_INVALID_POINTER);
}

// Every length around the limit, at every offset up to the end of a page,
// after a longer number left digits behind.
TEST(CapiMessageCodecBuild, SetFromTextCopiesEachLengthAtAnyPlaceInItsPage) {
    alignas(4096) static std::array<char, 2 * 4096> page{};
    for (std::size_t length = 0; length <= 34; ++length) {
        for (std::size_t offset = 4096 - 64; offset + length + 1 <= 4096 + 40; ++offset) {
            std::memset(page.data(), 'x', page.size());
            for (std::size_t i = 0; i < length; ++i)
                page[offset + i] = static_cast<char>('0' + i % 10);
            page[offset + length] = '\0';
            CapiPartyNumber number;
            ASSERT_EQ(number.SetFromText(std::string(32, '7').c_str()), KV_OK);
            const KvResult result = number.SetFromText(page.data() + offset);
            const std::string_view text(page.data() + offset, length);
            if (length > CapiPartyNumber::kMaxDigits) {
                ASSERT_EQ(result, KV_CAPI_NOT_AVAILABLE) << length << " at " << offset;
                ASSERT_EQ(number.Digits(), "");
                continue;
            }
            ASSERT_EQ(result, KV_OK) << length << " at " << offset;
            ASSERT_EQ(number.Digits(), text) << length << " at " << offset;
            std::array<std::uint8_t, 40> words;
            words.fill(0xEE);
            number.CopyDigitWords(words.data());
            for (std::size_t i = length; i < (length + 7) / 8 * 8; ++i)
                ASSERT_EQ(words[i], 0) << length << " at " << offset << ", byte " << i;
            ASSERT_EQ(number.digits[length], '\0');
        }
    }
}

// A text may end just before a page nothing can read: not one byte past its
// terminator is touched.
TEST(CapiMessageCodecBuild, SetFromTextReadsNothingPastItsTerminator) {
    const long page_size = sysconf(_SC_PAGESIZE);
    ASSERT_GT(page_size, 64);
    const std::size_t page = static_cast<std::size_t>(page_size);
    void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* const first = static_cast<char*>(mapped);
    ASSERT_EQ(mprotect(first + page, page, PROT_NONE), 0);
    for (std::size_t length = 0; length <= 34; ++length) {
        char* const text = first + page - length - 1;
        for (std::size_t i = 0; i < length; ++i)
            text[i] = static_cast<char>('0' + i % 10);
        text[length] = '\0';
        CapiPartyNumber number;
        const KvResult result = number.SetFromText(text);
        if (length > CapiPartyNumber::kMaxDigits) {
            EXPECT_EQ(result, KV_CAPI_NOT_AVAILABLE) << length;
            EXPECT_EQ(number.Digits(), "") << length;
        } else {
            EXPECT_EQ(result, KV_OK) << length;
            EXPECT_EQ(number.Digits(), std::string_view(text, length)) << length;
        }
    }
    munmap(mapped, 2 * page);
}

TEST(CapiMessageCodecBuild, ConnectRespWritesBProtocolAsItsFlagSays) {
    CapiMessageCodec codec;
    codec.SetApplId(1);
    codec.SetPlci(0x0101);
    codec.Reject() = 0;
    ASSERT_EQ(codec.BuildConnectResp(3), KV_OK);
    EXPECT_EQ(Built(codec), MessageImage()
                                .Dword(0x0101)
                                .Word(0)
                                .Struct({1, 0, 1, 0, 0, 0, 0, 0, 0})
                                .Struct({0x00, 0x80})
                                .Empty()
                                .Empty()
                                .Struct({0, 0, 0, 0, 0})
                                .Finish(0x02, 0x83, 3));
    codec.BProtocol().use_default = true;
    codec.Reject() = 3;
    ASSERT_EQ(codec.BuildConnectResp(4), KV_OK);
    EXPECT_EQ(Built(codec), MessageImage()
                                .Dword(0x0101)
                                .Word(3)
                                .Empty()
                                .Struct({0x00, 0x80})
                                .Empty()
                                .Empty()
                                .Struct({0, 0, 0, 0, 0})
                                .Finish(0x02, 0x83, 4));
}

TEST(CapiMessageCodecBuild, DisconnectReqCarriesAdditionalInfo) {
    CapiMessageCodec codec;
    codec.SetApplId(1);
    codec.SetPlci(0x0201);
    const std::uint8_t keypad[] = {'1'};
    codec.AdditionalInfo().parts[CapiAdditionalInfo::kKeypadFacility].Set(keypad);
    ASSERT_EQ(codec.BuildDisconnectReq(9), KV_OK);
    EXPECT_EQ(Built(codec),
              MessageImage().Dword(0x0201).Struct({0, 1, '1', 0, 0, 0}).Finish(0x04, 0x80, 9));
}

TEST(CapiMessageCodecBuild, FacilityReqParameterFollowsTheFunction) {
    struct Case {
        std::uint32_t function;
        Bytes parameter;
    };
    const Case cases[] = {
        {2, {3, 2, 0, 0}}, {3, {3, 3, 0, 0}}, {6, {7, 6, 0, 4, 0x01, 0x03, 0, 0}},
        {0, {3, 0, 0, 0}}, {5, {2, 5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        CapiMessageCodec codec;
        codec.SetApplId(1);
        codec.Facility().plci = 0x0101;
        codec.Facility().function = c.function;
        codec.Facility().ect_plci = 0x0301;
        ASSERT_EQ(codec.BuildFacilityReq(0x20), KV_OK);
        Bytes expected = MessageImage().Dword(0x0101).Word(3).Finish(0x80, 0x80, 0x20);
        expected.insert(expected.end(), c.parameter.begin(), c.parameter.end());
        expected[0] = static_cast<std::uint8_t>(expected.size());
        EXPECT_EQ(Built(codec), expected);
    }
}

TEST(CapiMessageCodecBuild, FacilityRespIsTwentyBytesWithAResponseWordElseEighteen) {
    CapiMessageCodec codec;
    codec.SetApplId(1);
    codec.Facility().plci = 0x0101;
    codec.Facility().function = 0x800E;
    codec.Facility().response = 0x1234;
    ASSERT_EQ(codec.BuildFacilityResp(5), KV_OK);
    EXPECT_EQ(Built(codec), MessageImage()
                                .Dword(0x0101)
                                .Word(3)
                                .Struct({0x0E, 0x80, 2, 0x34, 0x12})
                                .Finish(0x80, 0x83, 5));
    codec.Facility().function = 2;
    ASSERT_EQ(codec.BuildFacilityResp(6), KV_OK);
    EXPECT_EQ(Built(codec),
              MessageImage().Dword(0x0101).Word(3).Struct({2, 0, 0}).Finish(0x80, 0x83, 6));
    EXPECT_EQ(codec.GetMessageLength(), 18);
}

TEST(CapiMessageCodecBuild, FixedSizeResponses) {
    CapiMessageCodec codec;
    codec.SetApplId(1);
    codec.SetPlci(0x0101);
    codec.SetNcci(0x00010101);
    codec.DataHandle() = 0x0A0B;
    struct Case {
        KvResult (CapiMessageCodec::*build)(std::uint16_t);
        std::uint8_t command;
        std::uint32_t id;
        std::uint16_t length;
    };
    const Case cases[] = {
        {&CapiMessageCodec::BuildConnectActiveResp, 0x03, 0x0101, 12},
        {&CapiMessageCodec::BuildConnectB3ActiveResp, 0x83, 0x00010101, 12},
        {&CapiMessageCodec::BuildDataB3Resp, 0x86, 0x00010101, 14},
        {&CapiMessageCodec::BuildDisconnectResp, 0x04, 0x0101, 12},
        {&CapiMessageCodec::BuildDisconnectB3Resp, 0x84, 0x00010101, 12},
        {&CapiMessageCodec::BuildInfoResp, 0x08, 0x0101, 12},
        {&CapiMessageCodec::BuildConnectB3Resp, 0x82, 0x00010101, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        ASSERT_EQ((codec.*c.build)(0x4321), KV_OK);
        MessageImage image;
        image.Dword(c.id);
        if (c.command == 0x86)
            image.Word(0x0A0B);
        if (c.command == 0x82)
            image.Word(0).Empty();
        const Bytes expected = image.Finish(c.command, 0x83, 0x4321);
        EXPECT_EQ(Built(codec), expected);
        EXPECT_EQ(codec.GetMessageLength(), c.length);
    }
}

TEST(CapiMessageCodecBuild, StructsAboveTwoHundredFiftyFourBytesAreRefused) {
    CapiMessageCodec codec;
    const Bytes hundred(100, 0x55);
    codec.BProtocol().b1_configuration.Set(hundred);
    codec.BProtocol().b2_configuration.Set(hundred);
    codec.BProtocol().b3_configuration.Set(hundred);
    EXPECT_EQ(codec.BuildConnectReq(1), KV_E_FAIL);
    EXPECT_EQ(codec.GetMessageLength(), 0);
    EXPECT_EQ(codec.BuildConnectResp(1), KV_E_FAIL);
    codec.BProtocol().use_default = true;
    EXPECT_EQ(codec.BuildConnectResp(1), KV_OK);

    const Bytes sixty(60, 0x66);
    for (CapiRawStruct& part : codec.AdditionalInfo().parts)
        part.Set(sixty);
    EXPECT_EQ(codec.BuildDisconnectReq(1), KV_E_FAIL);
    EXPECT_EQ(codec.GetMessageLength(), 0);
    // A raw struct itself holds at most 254 bytes.
    const Bytes too_long(255, 0);
    EXPECT_EQ(codec.Llc().Set(too_long), KV_E_FAIL);
    EXPECT_EQ(codec.Llc().length, 0);
}

// --- Decoders ---

TEST(CapiMessageCodecDecode, ConnectIndTakesEveryParameter) {
    const Bytes image = ConnectIndUpToCalling()
                            .Struct({0x21, 0xA3, '4', '7', '1', '1'})
                            .Empty()
                            .Struct({0x88, 0x01, 0x02, 0x03})
                            .Struct({0xC8, 0x90, 0xA3})
                            .Struct({0x11})
                            .Struct({0xD1, 0x04, 0x81})
                            .Struct({2, 0x11, 0x22, 0, 1, '5'})
                            .Struct({0x01, 0x80, '9'})
                            .Finish(0x02, 0x82, 0x8003, 4);
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd(image), KV_OK);
    EXPECT_EQ(codec.GetPlci(), 0x0201u);
    EXPECT_EQ(codec.GetCipValue(), 16u);
    EXPECT_EQ(codec.CalledPartyNumber().Digits(), "0301234");
    EXPECT_EQ(codec.CalledPartyNumber().plan, 1);
    const CapiPartyNumber& calling = codec.CallingPartyNumber();
    EXPECT_EQ(calling.Digits(), "4711");
    EXPECT_TRUE(calling.type == 2 && calling.plan == 1 && calling.presentation == 1 &&
                calling.screening == 3);
    const CapiSubaddress& sub = codec.CallingPartySubaddress();
    EXPECT_TRUE(sub.type == 0 && sub.odd_even == 1 && sub.length == 3 && sub.bytes[2] == 3);
    const CapiBearerCapability& bc = codec.Bc();
    EXPECT_TRUE(!bc.empty && bc.coding == 2 && bc.capability == 8 && bc.mode == 0 &&
                bc.rate == 16 && bc.layer1 == 3);
    EXPECT_EQ(codec.Llc().length, 1);
    const CapiHighLayerCompatibility& hlc = codec.Hlc();
    EXPECT_TRUE(!hlc.empty && hlc.coding == 2 && hlc.identification == 4 && hlc.extended &&
                hlc.extended_identification == 1);
    const CapiAdditionalInfo& info = codec.AdditionalInfo();
    EXPECT_EQ(info.parts[0].length, 2);
    EXPECT_EQ(info.parts[1].length, 0);
    EXPECT_EQ(info.parts[2].length, 1);
    EXPECT_EQ(info.parts[3].length, 0);
    EXPECT_EQ(codec.SecondCallingPartyNumber().Digits(), "9");
    EXPECT_EQ(codec.GetReceivedMessageNumber(), 0x8003);
    EXPECT_EQ(codec.GetReceivedApplId(), 4);
    EXPECT_EQ(codec.GetReceivedCommand(), 0x02);
    EXPECT_EQ(codec.GetReceivedSubcommand(), 0x82);
}

// A typical CONNECT_IND decoded by a codec that decoded a fuller one
// before: every field is the new message's, the Additional Info parts byte
// for byte.
TEST(CapiMessageCodecDecode, TypicalConnectIndGivesEveryFieldAfterAnEarlierDecode) {
    const Bytes fuller = ConnectIndUpToCalling()
                             .Struct({0x21, 0xA3, '4', '7', '1', '1'})
                             .Struct({0x80, 0x01, 0x02})
                             .Struct({0x88, 0x01, 0x02, 0x03})
                             .Struct({0xC8, 0x90, 0xA3})
                             .Struct({0x11})
                             .Struct({0xD1, 0x04, 0x81})
                             .Struct({2, 0x11, 0x22, 1, '#', 1, '5', 2, 7, 8, 0})
                             .Struct({0x01, 0x80, '9'})
                             .Finish(0x02, 0x82, 0x8003, 4);
    const Bytes typical =
        MessageImage()
            .Dword(0x0101)
            .Word(16)
            .Struct({0x81, '0', '3', '0', '1', '2', '3', '4', '5', '6', '7'})
            .Struct({0x01, 0x80, '0', '1', '7', '1', '1', '2', '3', '4', '5', '6', '7', '8'})
            .Empty()
            .Empty()
            .Struct({0x80, 0x90, 0xA3})
            .Empty()
            .Struct({0x91, 0x81})
            .Struct({3, 0xAA, 0xBB, 0xCC, 0, 0, 0, 2, 1, 0})
            .Empty()
            .Finish(0x02, 0x82, 5, 1);
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd(fuller), KV_OK);
    ASSERT_EQ(codec.AdditionalInfo().parts[1].length, 1);
    ASSERT_EQ(codec.DecodeConnectInd(typical), KV_OK);
    EXPECT_EQ(codec.GetPlci(), 0x0101u);
    EXPECT_EQ(codec.GetCipValue(), 16u);
    EXPECT_EQ(codec.GetReceivedApplId(), 1);
    EXPECT_EQ(codec.GetReceivedMessageNumber(), 5);
    const CapiPartyNumber& called = codec.CalledPartyNumber();
    EXPECT_EQ(called.Digits(), "0301234567");
    EXPECT_TRUE(called.type == 0 && called.plan == 1);
    const CapiPartyNumber& calling = codec.CallingPartyNumber();
    EXPECT_EQ(calling.Digits(), "017112345678");
    EXPECT_TRUE(calling.type == 0 && calling.plan == 1 && calling.presentation == 0 &&
                calling.screening == 0);
    EXPECT_EQ(codec.CalledPartySubaddress().length, 0);
    EXPECT_EQ(codec.CallingPartySubaddress().length, 0);
    const CapiBearerCapability& bc = codec.Bc();
    EXPECT_TRUE(!bc.empty && bc.coding == 0 && bc.capability == 0 && bc.mode == 0 &&
                bc.rate == 16 && bc.layer1 == 3);
    EXPECT_EQ(codec.Llc().length, 0);
    const CapiHighLayerCompatibility& hlc = codec.Hlc();
    EXPECT_TRUE(!hlc.empty && hlc.coding == 0 && hlc.identification == 1 && !hlc.extended);
    const CapiAdditionalInfo& info = codec.AdditionalInfo();
    EXPECT_EQ(ToBytes(info.parts[0].View()), (Bytes{0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(info.parts[1].length, 0);
    EXPECT_EQ(info.parts[2].length, 0);
    EXPECT_EQ(info.parts[3].length, 0);
    EXPECT_EQ(ToBytes(info.parts[4].View()), (Bytes{1, 0}));
    EXPECT_TRUE(codec.SecondCallingPartyNumber().Digits().empty());
}

// A CONNECT_IND cut inside one parameter, decoded over a complete one: the
// parameters before the cut are decoded, that one and every later one empty.
TEST(CapiMessageCodecDecode, ConnectIndCutShortEmptiesTheParameterItStopsAtAndLaterOnes) {
    const Bytes full = MessageImage()
                           .Dword(0x0201)
                           .Word(16)
                           .Struct({0x81, '1', '2'})
                           .Struct({0x01, 0x80, '3', '4'})
                           .Struct({0x80, 5})
                           .Struct({0x80, 6})
                           .Struct({0x80, 0x90})
                           .Struct({7})
                           .Struct({0x91, 0x84})
                           .Struct({1, 8, 0, 0, 0, 0})
                           .Struct({0x01, 0x80, '9'})
                           .Finish(0x02, 0x82);
    // Where each parameter's struct starts.
    const std::size_t starts[] = {14, 18, 23, 26, 29, 32, 34, 37, 44, 48};
    ASSERT_EQ(full.size(), starts[9]);
    for (std::size_t reached = 0; reached < 9; ++reached) {
        SCOPED_TRACE(reached);
        CapiMessageCodec codec;
        ASSERT_EQ(codec.DecodeConnectInd(full), KV_OK);
        // Inside the struct: its length byte promises more than is left.
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(starts[reached]) + 1);
        cut[0] = static_cast<std::uint8_t>(cut.size());
        EXPECT_EQ(codec.DecodeConnectInd(cut), KV_E_FAIL);
        EXPECT_EQ(codec.CalledPartyNumber().Digits(), reached > 0 ? "12" : "");
        EXPECT_EQ(codec.CallingPartyNumber().Digits(), reached > 1 ? "34" : "");
        EXPECT_EQ(codec.CalledPartySubaddress().length, reached > 2 ? 1 : 0);
        EXPECT_EQ(codec.CallingPartySubaddress().length, reached > 3 ? 1 : 0);
        EXPECT_EQ(codec.Bc().empty, reached <= 4);
        EXPECT_EQ(codec.Bc().rate, reached > 4 ? 16 : 0);
        EXPECT_EQ(codec.Llc().length, reached > 5 ? 1 : 0);
        EXPECT_EQ(codec.Hlc().empty, reached <= 6);
        EXPECT_EQ(codec.Hlc().identification, reached > 6 ? 4 : 0);
        EXPECT_EQ(codec.AdditionalInfo().parts[0].length, reached > 7 ? 1 : 0);
        EXPECT_TRUE(codec.SecondCallingPartyNumber().Digits().empty());
        EXPECT_EQ(codec.GetCipValue(), 16u);
    }
    // Without the second calling number, as earlier drivers send it: an
    // earlier one does not stay.
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd(full), KV_OK);
    ASSERT_EQ(codec.SecondCallingPartyNumber().Digits(), "9");
    Bytes short_form(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(starts[8]));
    short_form[0] = static_cast<std::uint8_t>(short_form.size());
    EXPECT_EQ(codec.DecodeConnectInd(short_form), KV_OK);
    EXPECT_TRUE(codec.SecondCallingPartyNumber().Digits().empty());
    EXPECT_EQ(codec.AdditionalInfo().parts[0].length, 1);
}

// Additional Info's five parts, each read where the one before ends; every
// part is set or emptied, whatever it held before.
TEST(CapiStructDecode, AdditionalInfoPartsFollowTheirLengths) {
    struct Case {
        Bytes content;
        KvResult result;
        std::array<Bytes, 5> parts;
    };
    const Case cases[] = {
        {{}, KV_OK, {}},
        {{0, 0, 0}, KV_OK, {}},
        {{0, 0, 0, 0}, KV_OK, {}},
        {{0, 0, 0, 0, 0}, KV_OK, {}},
        {{0, 0, 0, 0, 2, 1, 0}, KV_OK, {Bytes{}, {}, {}, {}, {1, 0}}},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0}, KV_OK, {}},
        {{0, 0, 0, 0, 0, 3, 1, 2, 3}, KV_OK, {}},
        {{0, 1, 7, 0, 0, 0}, KV_OK, {Bytes{}, {7}, {}, {}, {}}},
        {{2, 0xAA, 0xBB, 0, 0, 0, 1, 9}, KV_OK, {Bytes{0xAA, 0xBB}, {}, {}, {}, {9}}},
        {{0, 0, 0, 0, 0, 0, 0, 1, 5}, KV_OK, {}},
        {{0, 0, 0, 0, 0, 0, 1, 5}, KV_OK, {}},
        {{0, 0, 0xFF, 2, 0, 9, 9, 1, 4}, KV_OK, {Bytes{}, {}, {}, {4}, {}}},
        {{0, 0, 0, 5, 1}, KV_E_FAIL, {}},
        {{0, 0, 0, 0, 1}, KV_E_FAIL, {}},
        {{0, 0, 0, 0, 0xFF, 3}, KV_E_FAIL, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.content));
        CapiAdditionalInfo info;
        const std::uint8_t junk[] = {0xEE, 0xEE};
        for (CapiRawStruct& part : info.parts)
            ASSERT_EQ(part.Set(junk), KV_OK);
        EXPECT_EQ(capi_struct::DecodeAdditionalInfo(c.content, info), c.result);
        for (std::size_t i = 0; i < c.parts.size(); ++i)
            EXPECT_EQ(ToBytes(info.parts[i].View()), c.parts[i]) << "part " << i;
    }
}

TEST(CapiMessageCodecDecode, ConnectIndFromTheScriptedController) {
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    DWORD appl = 0;
    ASSERT_EQ(capi.CAPI_REGISTER(0, 2, 7, 2048, &appl), 0u);
    CapiMessageCodec listen;
    listen.SetApplId(appl);
    listen.SetController(1);
    listen.SetCipValue(1);
    listen.BuildListenReq(1);
    ASSERT_EQ(capi.CAPI_PUT_MESSAGE(appl, listen.GetMessage()), 0u);
    void* message = nullptr;
    ASSERT_EQ(capi.CAPI_GET_MESSAGE(appl, &message), 0u); // LISTEN_CONF

    ScriptedIncomingCall call;
    call.called_number = "20";
    call.calling_number = "0301234567";
    call.calling_octet_3a = false;
    call.calling_subaddress_type = 0;
    call.calling_subaddress = {0x50, 0x51};
    call.hlc = {0x91, 0x01, 0x81};
    call.additional_info = {1, 0x89};
    call.second_calling_number = false;
    const std::uint32_t plci = capi.IncomingCall(call);
    ASSERT_EQ(capi.CAPI_GET_MESSAGE(appl, &message), 0u);
    const auto* bytes = static_cast<const std::uint8_t*>(message);
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd({bytes, CapiMessageLength(bytes)}), KV_OK);
    EXPECT_EQ(codec.GetPlci(), plci);
    EXPECT_EQ(codec.CalledPartyNumber().Digits(), "20");
    EXPECT_EQ(codec.CallingPartyNumber().Digits(), "0301234567");
    EXPECT_EQ(codec.CallingPartyNumber().presentation, 0);
    EXPECT_EQ(codec.CallingPartySubaddress().type, CapiSubaddress::kNsap);
    EXPECT_EQ(codec.CallingPartySubaddress().length, 2);
    EXPECT_TRUE(codec.Hlc().extended && codec.Hlc().identification == 1 &&
                codec.Hlc().extended_identification == 1);
    // A short Additional Info: the parts it lacks are empty.
    EXPECT_EQ(codec.AdditionalInfo().parts[0].length, 1);
    EXPECT_EQ(codec.AdditionalInfo().parts[4].length, 0);
    EXPECT_TRUE(codec.SecondCallingPartyNumber().Digits().empty());
}

TEST(CapiMessageCodecDecode, ConnectIndEndingAfterItsTenthParameterSucceeds) {
    CapiMessageCodec codec;
    codec.SecondCallingPartyNumber().SetFromText("555");
    const Bytes image = ConnectIndUpToCalling()
                            .Struct({0x01, 0x80, '1'})
                            .Empty()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Struct({0})
                            .Finish(0x02, 0x82);
    EXPECT_EQ(codec.DecodeConnectInd(image), KV_OK);
    EXPECT_EQ(codec.CallingPartyNumber().Digits(), "1");
    EXPECT_TRUE(codec.SecondCallingPartyNumber().Digits().empty());
}

// One hostile image per mended fault; the same images seed the fuzz corpus.
TEST(CapiMessageCodecDecode, StructRunningPastTheMessageEmptiesItAndTheLaterOnes) {
    CapiMessageCodec codec;
    codec.CallingPartyNumber().SetFromText("999");
    codec.AdditionalInfo().parts[0].Set(Bytes{1});
    // The calling number claims 40 bytes; six are left.
    Bytes image = ConnectIndUpToCalling().Raw({40, 0x01, 0x80, '1', '2', '3'}).Finish(0x02, 0x82);
    EXPECT_EQ(codec.DecodeConnectInd(image), KV_E_FAIL);
    EXPECT_EQ(codec.CalledPartyNumber().Digits(), "0301234");
    EXPECT_TRUE(codec.CallingPartyNumber().Digits().empty());
    EXPECT_EQ(codec.AdditionalInfo().parts[0].length, 0);
    EXPECT_TRUE(codec.Bc().empty);

    // The header's length ends the message even when more bytes are given.
    image = ConnectIndUpToCalling().Struct({0x01, 0x80, '1'}).Finish(0x02, 0x82);
    Bytes padded = image;
    padded.resize(image.size() + 64, 0);
    EXPECT_EQ(codec.DecodeConnectInd(padded), KV_E_FAIL);
    // And the bytes given end it when the header claims more.
    image[0] = 0xFF;
    EXPECT_EQ(codec.DecodeConnectInd(image), KV_E_FAIL);
    EXPECT_EQ(codec.DecodeConnectInd(std::span<const std::uint8_t>(image).first(5)), KV_E_FAIL);
}

TEST(CapiMessageCodecDecode, PartyNumbersAreClearedAndBoundedOnEveryDecode) {
    CapiMessageCodec codec;
    // L = 0 for the called number; a calling number of 33 digits.
    Bytes digits33(33, '7');
    MessageImage image;
    image.Dword(0x0101).Word(1).Empty().Byte(35).Raw({0x01, 0x80});
    for (std::uint8_t digit : digits33)
        image.Byte(digit);
    const Bytes first =
        image.Empty().Empty().Empty().Empty().Empty().Empty().Empty().Finish(0x02, 0x82);
    codec.CalledPartyNumber().SetFromText("1234");
    codec.CallingPartyNumber().SetFromText("4321");
    ASSERT_EQ(codec.DecodeConnectInd(first), KV_OK);
    EXPECT_TRUE(codec.CalledPartyNumber().Digits().empty());
    EXPECT_TRUE(codec.CallingPartyNumber().Digits().empty());

    // Octet 3 alone announcing octet 3a: nothing is read past the struct.
    const Bytes second = MessageImage()
                             .Dword(0x0101)
                             .Word(1)
                             .Empty()
                             .Struct({0x01})
                             .Empty()
                             .Empty()
                             .Empty()
                             .Empty()
                             .Empty()
                             .Empty()
                             .Empty()
                             .Finish(0x02, 0x82);
    ASSERT_EQ(codec.DecodeConnectInd(second), KV_OK);
    EXPECT_TRUE(codec.CallingPartyNumber().Digits().empty());
    EXPECT_EQ(codec.CallingPartyNumber().presentation, 0);
}

TEST(CapiMessageCodecDecode, LengthOneStructsTakeTheirOctetWithoutDigits) {
    CapiMessageCodec codec;
    codec.CalledPartyNumber().SetFromText("1234");
    // Called number: national type (2), plan 9. Called subaddress: user
    // specified, odd. Calling subaddress: NSAP, odd.
    const Bytes message = MessageImage()
                              .Dword(0x0101)
                              .Word(1)
                              .Struct({0xA9})
                              .Empty()
                              .Struct({0xA8})
                              .Struct({0x88})
                              .Empty()
                              .Empty()
                              .Empty()
                              .Empty()
                              .Finish(0x02, 0x82);
    ASSERT_EQ(codec.DecodeConnectInd(message), KV_OK);
    EXPECT_EQ(codec.CalledPartyNumber().type, 2);
    EXPECT_EQ(codec.CalledPartyNumber().plan, 9);
    EXPECT_TRUE(codec.CalledPartyNumber().Digits().empty());
    EXPECT_EQ(codec.CalledPartySubaddress().type, CapiSubaddress::kUserSpecified);
    EXPECT_EQ(codec.CalledPartySubaddress().odd_even, 1);
    EXPECT_EQ(codec.CalledPartySubaddress().length, 0);
    EXPECT_EQ(codec.CallingPartySubaddress().type, CapiSubaddress::kNsap);
    EXPECT_EQ(codec.CallingPartySubaddress().odd_even, 1);
    EXPECT_EQ(codec.CallingPartySubaddress().length, 0);
}

TEST(CapiMessageCodecDecode, BcAndHlcReadOnlyInsideTheirLength) {
    const Bytes image = ConnectIndUpToCalling()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Struct({0x88})
                            .Empty()
                            .Struct({0xB1})
                            .Empty()
                            .Empty()
                            .Finish(0x02, 0x82);
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd(image), KV_OK);
    EXPECT_TRUE(!codec.Bc().empty && codec.Bc().capability == 8 && codec.Bc().rate == 0 &&
                codec.Bc().layer1 == 0);
    EXPECT_TRUE(!codec.Hlc().empty && codec.Hlc().coding == 1 && codec.Hlc().identification == 0 &&
                !codec.Hlc().extended);
}

TEST(CapiMessageCodecDecode, EscapedStructsAreSkippedWhole) {
    // The called subaddress announces a 16-bit length of 3.
    const Bytes image = ConnectIndUpToCalling()
                            .Empty()
                            .Raw({0xFF, 3, 0, 0xA0, 1, 2})
                            .Struct({0xA0, 9})
                            .Empty()
                            .Empty()
                            .Empty()
                            .Struct({0xFF, 1, 0, 7, 1, 'x'})
                            .Empty()
                            .Finish(0x02, 0x82);
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectInd(image), KV_OK);
    EXPECT_EQ(codec.CalledPartySubaddress().length, 0);
    EXPECT_EQ(codec.CallingPartySubaddress().length, 1);
    EXPECT_EQ(codec.CallingPartySubaddress().type, CapiSubaddress::kUserSpecified);
    EXPECT_EQ(codec.AdditionalInfo().parts[0].length, 0);
    EXPECT_EQ(codec.AdditionalInfo().parts[1].length, 1);
}

TEST(CapiMessageCodecDecode, AdditionalInfoPartRunningPastItFails) {
    const Bytes image = ConnectIndUpToCalling()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Empty()
                            .Struct({1, 0x89, 9, 'a'})
                            .Empty()
                            .Finish(0x02, 0x82);
    CapiMessageCodec codec;
    EXPECT_EQ(codec.DecodeConnectInd(image), KV_E_FAIL);
    EXPECT_EQ(codec.AdditionalInfo().parts[0].length, 0);
}

TEST(CapiMessageCodecDecode, B3IndicationsAndDisconnects) {
    CapiMessageCodec codec;
    ASSERT_EQ(codec.DecodeConnectB3Ind(MessageImage().Dword(0x00010101).Empty().Finish(0x82, 0x82)),
              KV_OK);
    EXPECT_EQ(codec.GetNcci(), 0x00010101u);
    EXPECT_EQ(codec.GetPlci(), 0x0101u);

    ASSERT_EQ(
        codec.DecodeDisconnectInd(MessageImage().Dword(0x0101).Word(0x3490).Finish(0x04, 0x82)),
        KV_OK);
    EXPECT_EQ(codec.Reason(), 0x3490u);
    ASSERT_EQ(codec.DecodeDisconnectB3Ind(
                  MessageImage().Dword(0x00010101).Word(0x3301).Struct({1}).Finish(0x84, 0x82)),
              KV_OK);
    EXPECT_EQ(codec.Reason(), 0x3301u);
    EXPECT_EQ(codec.Ncpi().length, 1);

    ASSERT_EQ(
        codec.DecodeInfoInd(MessageImage().Dword(0x0101).Word(0x8001).Empty().Finish(0x08, 0x82)),
        KV_OK);
    EXPECT_EQ(codec.InfoNumber(), 0x8001u);
    ASSERT_EQ(codec.DecodeConnectActiveInd(MessageImage()
                                               .Dword(0x0101)
                                               .Struct({0x01, 0x80, '5'})
                                               .Empty()
                                               .Empty()
                                               .Finish(0x03, 0x82)),
              KV_OK);
    EXPECT_EQ(codec.ConnectedNumber().Digits(), "5");
    ASSERT_EQ(
        codec.DecodeConnectB3ActiveInd(MessageImage().Dword(0x00020101).Empty().Finish(0x83, 0x82)),
        KV_OK);
    EXPECT_EQ(codec.GetNcci(), 0x00020101u);
    // A message cut inside its PLCI leaves the PLCI alone.
    EXPECT_EQ(codec.DecodeDisconnectInd(MessageImage().Word(7).Finish(0x04, 0x82)), KV_E_FAIL);
    EXPECT_EQ(codec.GetPlci(), 0x0101u);
}

TEST(CapiMessageCodecDecode, FacilityIndReadsTheReasonForHoldRetrieveAndEct) {
    CapiMessageCodec codec;
    const auto indication = [](std::uint8_t function, std::uint16_t reason) {
        return MessageImage()
            .Dword(0x0101)
            .Word(3)
            .Struct({function, 0, 2, static_cast<std::uint8_t>(reason),
                     static_cast<std::uint8_t>(reason >> 8)})
            .Finish(0x80, 0x82);
    };
    ASSERT_EQ(codec.DecodeFacilityInd(indication(2, 0)), KV_OK);
    EXPECT_EQ(codec.Facility().supplementary_service_reason, 0u);
    // A failed retrieve after a successful hold must not read as success.
    ASSERT_EQ(codec.DecodeFacilityInd(indication(3, 0x3303)), KV_OK);
    EXPECT_EQ(codec.Facility().function, 3u);
    EXPECT_EQ(codec.Facility().supplementary_service_reason, 0x3303u);
    EXPECT_EQ(codec.Facility().plci, 0x0101u);
    ASSERT_EQ(codec.DecodeFacilityInd(indication(6, 0x3400)), KV_OK);
    EXPECT_EQ(codec.Facility().supplementary_service_reason, 0x3400u);
    // Another function, or a reason struct too short: the reason is cleared.
    ASSERT_EQ(codec.DecodeFacilityInd(indication(4, 0x3400)), KV_OK);
    EXPECT_EQ(codec.Facility().supplementary_service_reason, 0u);
    codec.Facility().supplementary_service_reason = 9;
    ASSERT_EQ(codec.DecodeFacilityInd(
                  MessageImage().Dword(0x0101).Word(3).Struct({2, 0, 1, 5}).Finish(0x80, 0x82)),
              KV_OK);
    EXPECT_EQ(codec.Facility().supplementary_service_reason, 0u);
}

Bytes DataB3Ind(std::size_t count) {
    Bytes image = MessageImage()
                      .Dword(0x00010101)
                      .Dword(0)
                      .Word(count)
                      .Word(0x0042)
                      .Word(0x0004)
                      .Finish(0x86, 0x82);
    for (std::size_t i = 0; i < count; ++i)
        image.push_back(static_cast<std::uint8_t>(i));
    return image;
}

TEST(CapiMessageCodecDecode, DataB3IndFillsTheBlockFromTheBytesBehindTheMessage) {
    CapiMessageCodec codec;
    B3DataBlock block;
    EXPECT_EQ(codec.DecodeDataB3Ind(DataB3Ind(200), &block), KV_E_FAIL);
    EXPECT_EQ(block.GetLength(), 128u);
    EXPECT_EQ(block.GetData()[127], 127);
    EXPECT_EQ(block.GetDataHandle(), 0x42u);
    EXPECT_EQ(block.GetNcci(), 0x00010101u);
    EXPECT_EQ(block.GetDataFlags(), 4u);
    EXPECT_EQ(codec.DataHandle(), 0x42u);

    EXPECT_EQ(codec.DecodeDataB3Ind(DataB3Ind(16), &block), KV_OK);
    EXPECT_EQ(block.GetLength(), 16u);
    EXPECT_EQ(block.GetData()[16], 0);
    EXPECT_EQ(codec.DecodeDataB3Ind(DataB3Ind(0), &block), KV_E_FAIL);
    EXPECT_EQ(codec.DecodeDataB3Ind(DataB3Ind(16), nullptr), KV_E_INVALID_POINTER);
    EXPECT_EQ(codec.GetNcci(), 0x00010101u);
    // Data Length beyond the bytes given.
    Bytes cut = DataB3Ind(16);
    cut.resize(cut.size() - 1);
    EXPECT_EQ(codec.DecodeDataB3Ind(cut, &block), KV_E_FAIL);
}

// A message too short for its fields leaves no Data Handle of the one before.
TEST(CapiMessageCodecDecode, DataB3IndTooShortClearsTheDataHandle) {
    CapiMessageCodec codec;
    B3DataBlock block;
    const Bytes whole = DataB3Ind(16);
    for (const std::size_t cut : {std::size_t{4}, std::size_t{10}, std::size_t{16}}) {
        ASSERT_EQ(codec.DecodeDataB3Ind(whole, &block), KV_OK);
        ASSERT_EQ(codec.DataHandle(), 0x42u);
        Bytes image(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut));
        if (cut >= 2)
            image[0] = static_cast<std::uint8_t>(cut);
        EXPECT_EQ(codec.DecodeDataB3Ind(image, &block), KV_E_FAIL) << cut;
        EXPECT_EQ(codec.DataHandle(), 0u) << cut;
    }
}

TEST(CapiMessageCodecDecode, DataB3IndFromTheScriptedController) {
    ScriptedCapiController capi;
    capi.AddController(1, 2);
    DWORD appl = 0;
    capi.CAPI_REGISTER(0, 2, 7, 2048, &appl);
    CapiMessageCodec codec;
    codec.SetApplId(appl);
    codec.SetController(1);
    const Bytes data(40, 0x5A);
    capi.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive),
                             ScriptedCapiStep::Make(ScriptedCapiStep::kConnectB3),
                             ScriptedCapiStep::Data(data)});
    ASSERT_EQ(codec.BuildConnectReq(1), KV_OK);
    ASSERT_EQ(capi.CAPI_PUT_MESSAGE(appl, codec.GetMessage()), 0u);
    void* message = nullptr;
    const std::uint8_t* bytes = nullptr;
    for (int i = 0; i < 4; ++i) {
        ASSERT_EQ(capi.CAPI_GET_MESSAGE(appl, &message), 0u);
        bytes = static_cast<const std::uint8_t*>(message);
    }
    ASSERT_EQ(bytes[4], CAPI_DATA_B3);
    B3DataBlock block;
    ASSERT_EQ(codec.DecodeDataB3Ind({bytes, CapiMessageLength(bytes) + data.size()}, &block),
              KV_OK);
    EXPECT_EQ(block.GetLength(), 40u);
    EXPECT_EQ(block.GetData()[39], 0x5A);
}

// --- An exchange with the scripted controller through the codec ---

class CapiMessageCodecExchange : public testing::Test {
protected:
    void SetUp() override {
        capi_.AddController(1, 2);
        ASSERT_EQ(capi_.CAPI_REGISTER(0, 2, 7, 2048, &appl_), 0u);
        codec_.SetApplId(appl_);
        codec_.SetController(1);
    }
    std::span<const std::uint8_t> Next() {
        void* message = nullptr;
        if (capi_.CAPI_GET_MESSAGE(appl_, &message) != 0)
            return {};
        const auto* bytes = static_cast<const std::uint8_t*>(message);
        return {bytes, CapiMessageLength(bytes)};
    }
    void Put() { ASSERT_EQ(capi_.CAPI_PUT_MESSAGE(appl_, codec_.GetMessage()), 0u); }

    ScriptedCapiController capi_;
    DWORD appl_ = 0;
    CapiMessageCodec codec_;
};

TEST_F(CapiMessageCodecExchange, ListenReqIsConfirmedWithItsNumber) {
    codec_.SetCipValue(1);
    ASSERT_EQ(codec_.BuildListenReq(0x0777), KV_OK);
    Put();
    const std::span<const std::uint8_t> conf = Next();
    ASSERT_EQ(conf.size(), 14u);
    EXPECT_EQ(conf[kCapiOffsetSubcommand], CAPI_CONF);
    EXPECT_EQ(CapiGetWord(conf.data() + kCapiOffsetMessageNumber), 0x0777);
    EXPECT_EQ(ToBytes(capi_.GetPutMessages()[0]), ToBytes(codec_.GetMessageBytes()));
}

TEST_F(CapiMessageCodecExchange, ConnectReqBringsConfAlertingAndActive) {
    capi_.ScriptOutgoingCall({ScriptedCapiStep::Make(ScriptedCapiStep::kAlerting),
                              ScriptedCapiStep::Make(ScriptedCapiStep::kConnectActive)});
    codec_.CalledPartyNumber().SetFromText("0301234");
    ASSERT_EQ(codec_.BuildConnectReq(3), KV_OK);
    Put();
    const std::span<const std::uint8_t> conf = Next();
    EXPECT_EQ(conf[kCapiOffsetCommand], CAPI_CONNECT);
    EXPECT_EQ(CapiGetWord(conf.data() + kCapiOffsetMessageNumber), 3);
    const std::uint32_t plci = CapiGetDword(conf.data() + 8);

    ASSERT_EQ(codec_.DecodeInfoInd(Next()), KV_OK);
    EXPECT_EQ(codec_.InfoNumber(), 0x8001u);
    EXPECT_EQ(codec_.GetPlci(), plci);
    // Answered with another number: flagged.
    ASSERT_EQ(codec_.BuildInfoResp(codec_.GetReceivedMessageNumber() + 1), KV_OK);
    Put();
    ASSERT_EQ(capi_.GetViolations().size(), 1u);
    EXPECT_EQ(capi_.GetViolations()[0].kind, CapiProtocolViolation::kWrongMessageNumber);
    ASSERT_EQ(codec_.BuildInfoResp(codec_.GetReceivedMessageNumber()), KV_OK);
    Put();
    EXPECT_EQ(capi_.GetViolations().size(), 1u);

    const std::span<const std::uint8_t> active = Next();
    ASSERT_EQ(codec_.DecodeConnectActiveInd(active), KV_OK);
    EXPECT_EQ(codec_.GetReceivedCommand(), CAPI_CONNECT_ACTIVE);
    EXPECT_EQ(codec_.GetPlci(), plci);
}

} // namespace
