#include "capi/b3_data_stream.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A stream of count full blocks; byte at position p is p modulo 251.
B3DataStream MakeStream(std::uint32_t count) {
    B3DataStream stream;
    for (std::uint32_t b = 0; b < count; ++b) {
        std::uint8_t bytes[128];
        for (std::uint32_t i = 0; i < 128; ++i)
            bytes[i] = static_cast<std::uint8_t>((b * 128 + i) % 251);
        stream.AppendNew()->SetData(bytes, 128, 0);
    }
    return stream;
}

TEST(B3DataBlock, SetDataCutsAtOneHundredTwentyEightAndClearsTheRest) {
    B3DataBlock block;
    const std::vector<std::uint8_t> data(200, 0xEE);
    EXPECT_EQ(block.SetData(data.data(), 200, 7), KV_E_FAIL);
    EXPECT_EQ(block.GetLength(), 128u);
    EXPECT_EQ(block.GetDataFlags(), 7u);
    EXPECT_EQ(block.SetData(data.data(), 3, 0), KV_OK);
    EXPECT_EQ(block.GetByte(3), 0);
    EXPECT_EQ(block.GetByte(2), 0xEE);
    EXPECT_EQ(block.SetData(nullptr, 3, 0), KV_E_FAIL);
    EXPECT_EQ(block.GetLength(), 0u);
    EXPECT_EQ(block.GetByte(0), 0);
    EXPECT_EQ(block.GetByte(128), 0);
    EXPECT_EQ(block.GetBlockResult(), KV_E_FAIL);
}

TEST(B3DataBlock, ConfirmationFlagAndAssignment) {
    B3DataBlock block;
    block.SetGotConfirmation(true);
    block.AddFlags(B3dtFlagSet::kPutRequest);
    block.SetIds(0x10101, 9, 0);
    const std::uint8_t byte = 0x42;
    block.SetData(&byte, 1, 0);
    B3DataBlock copy;
    copy = block;
    EXPECT_EQ(copy.GetValue(), 3u);
    EXPECT_EQ(copy.GetDataHandle(), 9u);
    EXPECT_EQ(copy.GetByte(0), 0x42);
    copy.SetGotConfirmation(false);
    EXPECT_EQ(copy.GetText(), "B3DT_FLAG_PUT_REQUEST");
}

TEST(B3DataStream, ReadMustEndBeforeTheLastByte) {
    B3DataStream stream = MakeStream(2);
    EXPECT_EQ(stream.GetSize(), 256);
    std::uint8_t out[10] = {};
    EXPECT_EQ(stream.Read(out, 10, 240), KV_OK);
    EXPECT_EQ(out[9], 249);
    EXPECT_EQ(stream.Read(out, 10, 246), KV_E_FAIL);
    EXPECT_EQ(stream.Read(out, 1, -1), KV_E_FAIL);
    // Across the border of the two blocks.
    EXPECT_EQ(stream.Read(out, 4, 126), KV_OK);
    EXPECT_EQ(out[0], 126);
    EXPECT_EQ(out[3], 129);
}

TEST(B3DataStream, ReadWordChecksTheEndAsReadDoes) {
    B3DataStream stream = MakeStream(1);
    EXPECT_EQ(stream.ReadWord(0), 0x0100u);
    EXPECT_EQ(stream.ReadWord(125), 125u | (126u << 8));
    EXPECT_EQ(stream.ReadWord(126), B3DataStream::kFailed);
    EXPECT_EQ(stream.ReadWord(127), B3DataStream::kFailed);
    EXPECT_EQ(stream.ReadWord(-2), B3DataStream::kFailed);
    EXPECT_EQ(stream.GetResult(), KV_E_FAIL);
}

TEST(B3DataStream, GetByteAndFindRefuseNegativePositions) {
    B3DataStream stream = MakeStream(2);
    EXPECT_EQ(stream.GetByte(255), 255u % 251);
    EXPECT_EQ(stream.GetByte(256), B3DataStream::kFailed);
    EXPECT_EQ(stream.GetByte(-1), B3DataStream::kFailed);
    const std::uint8_t pattern[] = {127, 128, 129};
    EXPECT_EQ(stream.Find(pattern, 3, -5), static_cast<std::int32_t>(B3DataStream::kFailed));
    EXPECT_EQ(stream.Find(pattern, 3, 0), 127);
    EXPECT_EQ(stream.Find(pattern, 3, 128), static_cast<std::int32_t>(B3DataStream::kFailed));
    EXPECT_EQ(stream.Find(pattern, 0, 0), static_cast<std::int32_t>(B3DataStream::kFailed));
}

TEST(B3DataStream, HoldsAtMostOneThousandTwentyFourBlocks) {
    B3DataStream stream;
    for (int i = 0; i < 1024; ++i)
        ASSERT_NE(stream.AppendNew(), nullptr);
    EXPECT_EQ(stream.AppendNew(), nullptr);
    EXPECT_EQ(stream.GetResult(), KV_E_LIST_FULL);
    auto block = std::make_unique<B3DataBlock>();
    EXPECT_EQ(stream.Append(block), KV_E_LIST_FULL);
    EXPECT_NE(block, nullptr); // still the caller's
    std::unique_ptr<B3DataBlock> none;
    EXPECT_EQ(stream.Append(none), KV_E_INVALID_POINTER);
    EXPECT_EQ(stream.Count(), 1024u);
}

TEST(B3DataStream, CountFindTakeAndDelete) {
    B3DataStream stream;
    stream.AppendNew()->SetIds(1, 10, 0);
    B3DataBlock* second = stream.AppendNew();
    second->SetIds(1, 11, 0);
    second->SetGotConfirmation(true);
    EXPECT_EQ(stream.Count(B3dtFlagSet::kGotConfirmation), 1u);
    EXPECT_EQ(stream.FindByHandle(11), second);
    EXPECT_EQ(stream.FindByHandle(12), nullptr);
    EXPECT_EQ(stream.GetResult(), KV_E_FAIL);
    EXPECT_EQ(stream.TakeFirst()->GetDataHandle(), 10u);
    EXPECT_EQ(stream.DeleteFirst(), KV_OK);
    EXPECT_EQ(stream.DeleteFirst(), KV_E_FAIL);
    EXPECT_EQ(stream.TakeFirst(), nullptr);
}

} // namespace
