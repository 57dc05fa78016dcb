#include "capi/capi_func_data.h"

#include "capi/capi_payloads.h"
#include "core/xml_document.h"
#include "framework/payload_registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using Type = CAPIFuncData::Type;

void FillMessage(CAPIFuncData& record, std::uint16_t length) {
    std::uint8_t* message = record.GetMessage();
    for (std::uint32_t i = 0; i < length; ++i)
        message[i] = static_cast<std::uint8_t>(i * 7);
    message[0] = static_cast<std::uint8_t>(length);
    message[1] = static_cast<std::uint8_t>(length >> 8);
}

struct PoolCase {
    std::uint32_t type;
    std::uint32_t flag_return;
    const char* pool;
};

TEST(CAPIFuncData, WritesTheDataPoolOfEveryTypeAndDirection) {
    CAPIFuncData record;
    record.SetRegisterParameter(0, 1);
    record.SetRegisterParameter(1, 2);
    record.SetRegisterParameter(2, 7);
    record.SetRegisterParameter(3, 2048);
    record.SetVersion(0, 2);
    record.SetVersion(3, 0x10);
    record.SetController(1);
    std::memcpy(record.GetTextBuffer(), "abc", 4);
    const PoolCase cases[] = {
        {Type::kUnspecified, 0, "0000"},
        {Type::kManufacturer, 1, ""},
        {Type::kRegister, 0, "0020000000010000000200000007" "00000800"},
        {Type::kRegister, 1, "0020000000010000000200000007" "00000800"},
        {Type::kRelease, 1, "0000"},
        {Type::kPutMessage, 0, "0000"},
        {Type::kGetMessage, 1, "0000"},
        {Type::kWaitForSignal, 0, "0000"},
        {Type::kGetManufacturer, 0, "0000"},
        {Type::kGetManufacturer, 1, "000861626300"},
        {Type::kGetSerialNumber, 1, "000861626300"},
        {Type::kGetVersion, 0, "0000"},
        {Type::kGetVersion, 1, "0020000000020000000000000000" "00000010"},
        {Type::kProfile, 0, "000800000001"},
        {Type::kInstalled, 1, "0000"},
        {77, 1, "0000"},
    };
    for (const PoolCase& c : cases) {
        record.SetType(c.type);
        record.SetFlagReturn(c.flag_return);
        EXPECT_EQ(record.WriteDataPool(), c.pool) << c.type << "/" << c.flag_return;
    }
    record.SetType(Type::kRegister);
    EXPECT_EQ(record.WriteDataPool().size(), 36u);
    record.SetType(Type::kProfile);
    record.SetFlagReturn(1);
    const std::string profile = record.WriteDataPool();
    EXPECT_EQ(profile.size(), 140u);
    EXPECT_EQ(profile.substr(0, 20), "00880000000161626300");
}

TEST(CAPIFuncData, WritesMessagesOfEightTo1032BytesOnly) {
    CAPIFuncData record;
    record.SetType(Type::kPutMessage);
    FillMessage(record, 7);
    EXPECT_EQ(record.WriteDataPool(), "0000");
    FillMessage(record, 9);
    EXPECT_EQ(record.WriteDataPool(), "001209000E151C23" "2A3138");
    FillMessage(record, 1033);
    EXPECT_EQ(record.WriteDataPool(), "0000");
    record.SetFlagReturn(1);
    FillMessage(record, 9);
    EXPECT_EQ(record.WriteDataPool(), "0000");
}

TEST(CAPIFuncData, SerialNumberTextStopsAtEightBytes) {
    CAPIFuncData record;
    record.SetType(Type::kGetSerialNumber);
    record.SetFlagReturn(1);
    std::memcpy(record.GetTextBuffer(), "0123456789", 11);
    EXPECT_EQ(record.WriteDataPool(), "00103031323334353637");
}

TEST(CAPIFuncData, TextSettersConvertAndKeepTheText) {
    CAPIFuncData record;
    EXPECT_EQ(record.GetTypeName(), "UNSPECIFIED");
    EXPECT_EQ(record.GetIdText(), "0");
    EXPECT_EQ(record.GetFlagReturnText(), "false");
    record.SetTypeFromName("register");
    EXPECT_EQ(record.GetType(), Type::kRegister);
    EXPECT_EQ(record.GetTypeName(), "REGISTER");
    record.SetTypeFromName("DIAL");
    EXPECT_EQ(record.GetType(), Type::kUnspecified);
    EXPECT_EQ(record.GetTypeName(), "UNSPECIFIED");
    record.SetFlagReturnText(" TRUE ");
    EXPECT_EQ(record.GetFlagReturn(), 1u);
    EXPECT_EQ(record.GetFlagReturnText(), "true");
    record.SetFlagReturnText("yes");
    EXPECT_EQ(record.GetFlagReturn(), 0u);
    record.SetIdText(" 42");
    EXPECT_EQ(record.GetId(), 42);
    EXPECT_EQ(record.GetIdText(), " 42");
    record.SetReturnValue(0x1108);
    EXPECT_EQ(record.GetReturnValueText(), "4360");
}

TEST(CAPIFuncData, NotAvailableResultByType) {
    const std::pair<std::uint32_t, std::int32_t> cases[] = {
        {Type::kManufacturer, 0},     {Type::kGetManufacturer, 0}, {Type::kGetVersion, 0},
        {Type::kGetSerialNumber, 0},  {Type::kRegister, 0x1008},   {Type::kPutMessage, 0x1108},
        {Type::kWaitForSignal, 0x1108}, {Type::kUnspecified, 0x1108},
    };
    for (const auto& [type, value] : cases) {
        CAPIFuncData record;
        record.SetType(type);
        record.SetReturnValue(99);
        record.SetNotAvailableResult();
        EXPECT_EQ(record.GetReturnValue(), value) << type;
    }
}

CAPIFuncData& ReadPool(CAPIFuncData& record, std::uint32_t type, std::uint32_t flag,
                       const std::string& pool, KvResult expected) {
    record.SetType(type);
    record.SetFlagReturn(flag);
    EXPECT_EQ(record.ReadDataPool(pool), expected) << type << " " << pool;
    EXPECT_EQ(record.GetResult(), expected);
    return record;
}

TEST(CAPIFuncData, ReadsWhatItWrites) {
    CAPIFuncData source;
    source.SetRegisterParameter(0, 0x80000000u);
    source.SetRegisterParameter(3, 0xFFFFFFFFu);
    source.SetVersion(1, 0xABCDEF01u);
    source.SetController(0x7F);
    std::memcpy(source.GetTextBuffer(), "vendor", 7);
    const std::uint32_t types[] = {Type::kRegister, Type::kGetVersion, Type::kProfile,
                                   Type::kGetManufacturer, Type::kGetSerialNumber};
    for (const std::uint32_t type : types) {
        source.SetType(type);
        source.SetFlagReturn(1);
        CAPIFuncData target;
        ReadPool(target, type, 1, source.WriteDataPool(), KV_OK);
        EXPECT_EQ(target.WriteDataPool(), source.WriteDataPool()) << type;
    }
    CAPIFuncData target;
    source.SetType(Type::kRegister);
    ReadPool(target, Type::kRegister, 0, source.WriteDataPool(), KV_OK);
    EXPECT_EQ(target.GetRegisterParameter(0), 0x80000000u);
    EXPECT_EQ(target.GetRegisterParameter(3), 0xFFFFFFFFu);
}

TEST(CAPIFuncData, ReadsMessagesInTheirDirectionOnly) {
    CAPIFuncData source;
    source.SetType(Type::kPutMessage);
    FillMessage(source, 12);
    const std::string pool = source.WriteDataPool();
    CAPIFuncData target;
    ReadPool(target, Type::kPutMessage, 0, pool, KV_OK);
    EXPECT_EQ(std::memcmp(target.GetMessage(), source.GetMessage(), 12), 0);
    CAPIFuncData answer;
    ReadPool(answer, Type::kPutMessage, 1, pool, KV_OK);
    EXPECT_EQ(answer.GetMessageLength(), 0u);
    ReadPool(answer, Type::kGetMessage, 0, pool, KV_OK);
    EXPECT_EQ(answer.GetMessageLength(), 0u);
    ReadPool(answer, Type::kGetMessage, 1, "0000", KV_OK);
    ReadPool(answer, Type::kGetMessage, 1, pool, KV_OK);
    EXPECT_EQ(answer.GetMessageLength(), 12u);
    // A call without a message round-trips as one.
    ReadPool(target, Type::kPutMessage, 0, "0000", KV_OK);
    EXPECT_EQ(target.GetMessageLength(), 0u);
    EXPECT_EQ(target.WriteDataPool(), "0000");
}

// A message of the largest size is read 32 digits at a time: every byte value,
// digits of either case, and a character that is no digit at any position.
TEST(CAPIFuncData, ReadsLongMessagesOfEveryByteAndRefusesAnyBadDigit) {
    constexpr std::uint16_t kLength = CAPIFuncData::kMaxMessageLength;
    std::string digits;
    std::uint8_t expected[kLength];
    for (std::uint32_t i = 0; i < kLength; ++i)
        expected[i] = static_cast<std::uint8_t>(i < 2 ? 0 : (i * 37 + 11) & 0xFF);
    expected[0] = static_cast<std::uint8_t>(kLength & 0xFF);
    expected[1] = static_cast<std::uint8_t>(kLength >> 8);
    constexpr char kUpper[] = "0123456789ABCDEF";
    constexpr char kLower[] = "0123456789abcdef";
    for (std::uint32_t i = 0; i < kLength; ++i) {
        const char* table = i % 3 == 0 ? kLower : kUpper;
        digits += table[expected[i] >> 4];
        digits += table[expected[i] & 0xF];
    }
    const std::string pool = "0810" + digits;
    CAPIFuncData record;
    ReadPool(record, Type::kGetMessage, 1, pool, KV_OK);
    EXPECT_EQ(std::memcmp(record.GetMessage(), expected, kLength), 0);
    for (const char bad : {'G', 'g', '/', ':', '@', '`', ' ', '\xC1'}) {
        for (const std::size_t at : {std::size_t{4}, std::size_t{17}, std::size_t{35},
                                     std::size_t{1000}, std::size_t{2051}, pool.size() - 1}) {
            std::string spoiled = pool;
            spoiled[at] = bad;
            CAPIFuncData target;
            ReadPool(target, Type::kGetMessage, 1, spoiled, KV_E_FAIL);
            EXPECT_EQ(target.GetMessageLength(), 0u) << at << " " << bad;
        }
    }
}

TEST(CAPIFuncData, RefusesHostileDataPools) {
    std::string long_text = "0082";
    for (int i = 0; i < 65; ++i)
        long_text += "41";
    std::string forged = "0012" "0A00070015" "1C232A3138"; // length word 10, 9 bytes
    forged.resize(4 + 18);
    const std::pair<std::uint32_t, std::string> refused[] = {
        {Type::kGetManufacturer, long_text},
        {Type::kGetSerialNumber, long_text},
        {Type::kRegister, "0020000000010000000200000007000008G0"},
        {Type::kRegister, "001F00000001000000020000000700000800"},
        {Type::kRegister, "00"},
        {Type::kRelease, "0002AB"},
        {Type::kGetVersion, "0020000000010000000200000007000008"},
        {Type::kGetManufacturer, "0003616"},
        {Type::kProfile, "0006000001"},
        {Type::kProfile, "000800000001"},
        {Type::kGetMessage, forged},
        {Type::kGetMessage, "000E07000100020003"},
        {Type::kGetMessage, "zz"},
    };
    for (const auto& [type, pool] : refused) {
        CAPIFuncData record;
        std::memcpy(record.GetTextBuffer(), "keep", 5);
        ReadPool(record, type, 1, pool, KV_E_FAIL);
        EXPECT_STREQ(reinterpret_cast<const char*>(record.GetTextBuffer()), "keep");
        EXPECT_EQ(record.GetMessageLength(), 0u);
    }
    CAPIFuncData record;
    ReadPool(record, Type::kGetMessage, 1, "0014" "0A000700151C232A3138", KV_OK);
    EXPECT_EQ(record.GetMessageLength(), 10u);
    ReadPool(record, Type::kManufacturer, 0, "garbage", KV_OK);
    ReadPool(record, 40, 0, "garbage", KV_OK);
}

TEST(CAPIFuncData, CopiesWithTheMessageRangeCheck) {
    CAPIFuncData source;
    source.SetType(Type::kGetMessage);
    source.SetId(5);
    source.SetNote("note");
    FillMessage(source, 9);
    CAPIFuncData target;
    EXPECT_EQ(target.CopyFrom(source), KV_OK);
    EXPECT_EQ(target.GetIdText(), "5");
    EXPECT_EQ(target.GetNote(), "note");
    EXPECT_EQ(target.GetMessageLength(), 9u);
    FillMessage(source, 8);
    EXPECT_EQ(target.CopyFrom(source), KV_E_FAIL);
    EXPECT_EQ(target.GetMessageLength(), 0u);
    EXPECT_EQ(target.SetMessage(nullptr), KV_E_INVALID_POINTER);

    CAPIFuncData answer;
    answer.SetType(Type::kGetMessage);
    answer.SetFlagReturn(1);
    answer.SetReturnValue(0x1104);
    FillMessage(answer, 20);
    EXPECT_EQ(answer.CopyResultTo(target), 1);
    EXPECT_EQ(target.GetReturnValue(), 0x1104);
    EXPECT_EQ(target.GetFlagReturnText(), "true");
    EXPECT_EQ(target.GetMessageLength(), 20u);
    target.SetType(Type::kRegister);
    EXPECT_EQ(answer.CopyResultTo(target), 0);
}

TEST(CAPIFuncData, XmlRoundTrip) {
    CAPIFuncData source;
    source.SetType(Type::kRegister);
    source.SetId(17);
    source.SetApplicationId(3);
    source.SetFlagReturn(1);
    source.SetRegisterParameter(3, 2048);
    XmlDocument document;
    XmlNode* root = document.GetRoot();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(source.WriteXml(nullptr, root), KV_E_INVALID_POINTER);
    EXPECT_EQ(source.WriteXml(&document, root, 1), KV_OK);
    EXPECT_TRUE(root->GetChildList().begin() == root->GetChildList().end());
    ASSERT_EQ(source.WriteXml(&document, root), KV_OK);
    std::string text;
    ASSERT_EQ(document.GetText(text), KV_OK);
    EXPECT_NE(text.find("<CAPIFuncData><Type>REGISTER</Type><ApplicationId>3</ApplicationId>"
                        "<FlagReturn>true</FlagReturn><ReturnValue>0</ReturnValue><Id>17</Id>"
                        "<DataPool>0020000000000000000000000000" "00000800</DataPool>"
                        "</CAPIFuncData>"),
              std::string::npos)
        << text;
    XmlDocument parsed;
    ASSERT_EQ(parsed.Parse(text), KV_OK);
    CAPIFuncData target;
    ASSERT_EQ(target.ReadXml(parsed.GetRoot()), KV_OK);
    EXPECT_EQ(target.GetType(), Type::kRegister);
    EXPECT_EQ(target.GetId(), 17);
    EXPECT_EQ(target.GetApplicationId(), 3);
    EXPECT_EQ(target.GetFlagReturn(), 1u);
    EXPECT_EQ(target.GetRegisterParameter(3), 2048u);
    EXPECT_EQ(target.ReadXml(nullptr), KV_E_INVALID_POINTER);
}

TEST(CAPIFuncData, IsAPayloadOfTypeThirty) {
    RegisterCapiPayloads();
    void* source = nullptr;
    void* copy = nullptr;
    ASSERT_TRUE(CreatePayloadByType(source, KV_PAYLOAD_CAPI_FUNC_DATA));
    ASSERT_TRUE(CreatePayloadByType(copy, KV_PAYLOAD_CAPI_FUNC_DATA));
    static_cast<CAPIFuncData*>(source)->SetId(9);
    EXPECT_TRUE(CopyPayloadByType(copy, source, KV_PAYLOAD_CAPI_FUNC_DATA));
    EXPECT_EQ(static_cast<CAPIFuncData*>(copy)->GetId(), 9);
    EXPECT_EQ(DestroyPayloadByType(source, KV_PAYLOAD_CAPI_FUNC_DATA), KV_OK);
    EXPECT_EQ(DestroyPayloadByType(copy, KV_PAYLOAD_CAPI_FUNC_DATA), KV_OK);
}

} // namespace
