#include "framework/packed_message.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The encoded record without the two zero bytes behind it.
Bytes Encoded(PackedMessage& message) {
    std::uint32_t length = 99;
    PackedMessage::EncodedBytes bytes;
    bytes.fill(0xEE);
    if (message.GetRawBytes(length, bytes) != KV_OK)
        return {};
    EXPECT_EQ(bytes[length], 0);
    EXPECT_EQ(bytes[length + 1], 0);
    return Bytes(bytes.begin(), bytes.begin() + length);
}

} // namespace

TEST(PackedMessage, BuildersEncodeTheGoldenBytesWithEveryFieldMasked) {
    struct Case {
        std::function<KvResult(PackedMessage&)> build;
        Bytes bytes;
    };
    const Case cases[] = {
        {[](PackedMessage& m) { return m.BuildRegister(2, 3, 10, "A", 7); },
         {'P', 0x28, 0x73, 0x1A, 'A'}},
        {[](PackedMessage& m) { return m.BuildStatusInfo(1, 2, "Hi", 7); },
         {'P', 0x7C, 0x71, 0x12, 'H', 'i'}},
        {[](PackedMessage& m) {
             m.SetMessageNumber(7);
             m.SetFlag(0);
             return m.BuildStatusRequest(0, 0, "", 3);
         },
         {'P', 0x77, 0x30, 0x00}},
        // A command without sub-commands carries 7 in their place.
        {[](PackedMessage& m) { return m.BuildUnregister(1, 4, 5, ""); }, {'P', 0x34, 0x74, 0x15}},
        // Type 6, sub-command 10, idt 0x1F and ids 0x23 do not spill over.
        {[](PackedMessage& m) { return m.BuildRegisterTyped(0x1F, 0x23, "", 0xA, 6); },
         {'P', 0x28, 0x2F, 0x13}},
        // A type that masks to 0 is no type: nothing is encoded.
        {[](PackedMessage& m) { return m.BuildRegisterTyped(0, 0, "X", 2, 4); }, {}},
        {[](PackedMessage& m) { return m.BuildRegister(0, 0, 0, "X", 2); }, {}},
    };
    for (const Case& c : cases) {
        PackedMessage message;
        EXPECT_EQ(c.build(message), c.bytes.empty() ? KV_E_FAIL : KV_OK);
        EXPECT_EQ(Encoded(message), c.bytes);
    }
}

TEST(PackedMessage, EachSubstitutedCharacterTravelsAsItsByteAndBack) {
    const std::pair<char, std::uint8_t> cases[] = {
        {'\r', 127},  {'\n', 125},   {'\b', 95},   {'\xDF', 93},  {'\xFC', 126},
        {'\xDC', 94}, {'\xF6', 124}, {'\xD6', 92}, {'\xE4', 123}, {'\xC4', 91}};
    for (const auto& [character, byte] : cases) {
        SCOPED_TRACE(static_cast<int>(byte));
        const std::string text = std::string("a") + character + "Z";
        PackedMessage sent;
        ASSERT_EQ(sent.BuildStatusInfo(0, 0, text, 2), KV_OK);
        Bytes bytes = Encoded(sent);
        EXPECT_EQ(bytes, (Bytes{'P', 0x7C, 0x20, 0x10, 'a', byte, 'Z'}));
        // The top bit of a received text byte is ignored.
        bytes[5] |= 0x80;
        PackedMessage received;
        ASSERT_EQ(received.FromBytes(bytes, nullptr), KV_OK);
        EXPECT_EQ(received.GetText(), text);
    }
}

TEST(PackedMessage, TextKeepsOnlyCharactersWithASevenBitFormAndAtMostFourteen) {
    PackedMessage message;
    EXPECT_EQ(message.SetText("a[b]c{d}~\x7F\t\xE9"
                              "e"),
              KV_OK);
    EXPECT_EQ(message.GetText(), "abcde");
    EXPECT_EQ(message.BuildStatusInfo(0, 0, "ABCDEFGHIJKLMN", 2), KV_OK);
    EXPECT_EQ(Encoded(message).size(), 18u);
    EXPECT_EQ(message.SetText("ABCDEFGHIJKLMNO"), KV_E_FAIL);
    EXPECT_EQ(message.GetText(), "ABCDEFGHIJKLMN");
    // A builder reports only its encoding.
    EXPECT_EQ(message.BuildStatusInfo(0, 0, "ABCDEFGHIJKLMNO", 2), KV_OK);
    EXPECT_EQ(Encoded(message).size(), 18u);
}

TEST(PackedMessage, FromBytesAcceptsFourToEighteenBytesBeginningWithP) {
    const Bytes eighteen = {'P', 0x6E, 0x35, 0x0C, 'A', 'B', 'C', 'D', 'E',
                            'F', 'G',  'H',  'I',  'J', 'K', 'L', 'M', 'N'};
    const std::string peer = "peer";
    PackedMessage message;
    EXPECT_EQ(message.FromBytes(Bytes(eighteen.begin(), eighteen.begin() + 3), &peer), KV_E_FAIL);
    Bytes nineteen = eighteen;
    nineteen.push_back('O');
    EXPECT_EQ(message.FromBytes(nineteen, &peer), KV_E_FAIL);
    EXPECT_EQ(std::tuple(message.GetLength(), message.GetPeerName()), std::tuple(0u, ""));

    ASSERT_EQ(message.FromBytes(eighteen, &peer), KV_OK);
    std::string log;
    EXPECT_EQ(message.FormatLog(log),
              "idt[5] ids[C] mn(2) NOTIFICATION_DATA (INFO):\tEND\t[ABCDEFGHIJKLMN]");
    EXPECT_EQ(std::tuple(message.GetFlag(), message.GetPeerName()), std::tuple(1u, "peer"));

    // Refused after the length was taken: the peer name is kept, the text is
    // not decoded.
    const std::string other = "other";
    EXPECT_EQ(message.FromBytes(Bytes{'Q', 0x28, 0x61, 0x13, 'X'}, &other), KV_E_FAIL);
    EXPECT_EQ(std::tuple(message.GetPeerName(), message.GetCommand()),
              std::tuple("other", PackedMessage::kCommandNotificationData));
    EXPECT_EQ(message.FromBytes(Bytes{'P', 0x20, 0x61, 0x13, 'X'}, nullptr), KV_E_FAIL);
    EXPECT_EQ(std::tuple(message.GetCommand(), message.GetText()),
              std::tuple(PackedMessage::kCommandRegister, "ABCDEFGHIJKLMN"));

    ASSERT_EQ(message.FromBytes(Bytes{'P', 0x28, 0x61, 0x13}, nullptr), KV_OK);
    EXPECT_EQ(message.FormatLog(log), "idt[1] ids[3] mn(0) REGISTER (CONFIRMATION):\tLASTNAME\t[]");
    EXPECT_EQ(std::tuple(message.GetDataSubCommand(), message.GetFlag()), std::tuple(0u, 2u));
    // A set flag reads 2 only above 1.
    for (const auto& [set, read] : {std::pair(1u, 1u), {0u, 1u}, {2u, 2u}, {9u, 2u}}) {
        message.SetFlag(set);
        EXPECT_EQ(message.GetFlag(), read) << set;
    }
}
