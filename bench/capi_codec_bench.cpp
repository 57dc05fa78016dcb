// BENCH_LIBRARIES: kv_capi
// BENCH_PEER: BM_ResetAndBuildConnectReq BM_MemcpyConnectReq time
// BENCH_PEER: BM_DecodeConnectInd BM_MemcpyConnectInd time
// BENCH_PEER: BM_DecodeDataB3Ind BM_MemcpyDataB3Ind time
// The CAPI codec against a memcpy of the same byte count, whose size is known
// only at run time: Reset + BuildConnectReq, DecodeConnectInd of a 60-byte
// CONNECT_IND, DecodeDataB3Ind of a 128-byte block. Nothing allocates in the
// loops.

#include "capi/b3_data_stream.h"
#include "capi/capi_message_codec.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> Struct(std::initializer_list<std::uint8_t> content) {
    std::vector<std::uint8_t> out;
    out.reserve(content.size() + 1);
    out.push_back(static_cast<std::uint8_t>(content.size()));
    for (std::uint8_t byte : content)
        out.push_back(byte);
    return out;
}

// A typical CONNECT_IND: telephony, ten-digit called and twelve-digit calling
// number, BC, HLC, Sending complete, empty second calling number.
std::vector<std::uint8_t> TypicalConnectInd() {
    std::vector<std::uint8_t> message(8, 0);
    const auto append = [&message](const std::vector<std::uint8_t>& bytes) {
        for (std::uint8_t byte : bytes)
            message.push_back(byte);
    };
    append({0x01, 0x01, 0x00, 0x00, 0x10, 0x00});
    append(Struct({0x81, '0', '3', '0', '1', '2', '3', '4', '5', '6', '7'}));
    append(Struct({0x01, 0x80, '0', '1', '7', '1', '1', '2', '3', '4', '5', '6', '7', '8'}));
    append(Struct({}));
    append(Struct({}));
    append(Struct({0x80, 0x90, 0xA3}));
    append(Struct({}));
    append(Struct({0x91, 0x81}));
    append(Struct({0, 0, 0, 0, 2, 1, 0}));
    append(Struct({}));
    message[0] = static_cast<std::uint8_t>(message.size());
    message[2] = 1;
    message[4] = CAPI_CONNECT;
    message[5] = CAPI_IND;
    return message;
}

std::vector<std::uint8_t> DataB3Ind() {
    std::vector<std::uint8_t> message = {
        22, 0, 1, 0, CAPI_DATA_B3, CAPI_IND, 9,    0, 0x01, 0x01, 0x01, 0x00,
        0,  0, 0, 0, 128,          0,        0x42, 0, 0,    0};
    for (int i = 0; i < 128; ++i)
        message.push_back(static_cast<std::uint8_t>(i));
    return message;
}

void Memcpy(benchmark::State& state, std::size_t count) {
    std::array<std::uint8_t, 2048> source{};
    std::array<std::uint8_t, 2048> target{};
    benchmark::DoNotOptimize(count);
    for (auto _ : state) {
        benchmark::DoNotOptimize(source.data());
        std::memcpy(target.data(), source.data(), count);
        benchmark::ClobberMemory();
    }
}

void BM_ResetAndBuildConnectReq(benchmark::State& state) {
    static CapiMessageCodec codec;
    for (auto _ : state) {
        codec.Reset();
        codec.SetApplId(1);
        codec.SetController(1);
        codec.SetCipValue(1);
        codec.CalledPartyNumber().SetFromText("0301234567");
        codec.CallingPartyNumber().SetFromText("017112345678");
        benchmark::DoNotOptimize(codec.BuildConnectReq(7));
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = codec.GetMessageLength();
}
BENCHMARK(BM_ResetAndBuildConnectReq);

void BM_MemcpyConnectReq(benchmark::State& state) {
    static CapiMessageCodec codec;
    codec.CalledPartyNumber().SetFromText("0301234567");
    codec.CallingPartyNumber().SetFromText("017112345678");
    codec.BuildConnectReq(7);
    Memcpy(state, codec.GetMessageLength());
}
BENCHMARK(BM_MemcpyConnectReq);

void BM_DecodeConnectInd(benchmark::State& state) {
    static CapiMessageCodec codec;
    const std::vector<std::uint8_t> message = TypicalConnectInd();
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.DecodeConnectInd(message));
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(message.size());
}
BENCHMARK(BM_DecodeConnectInd);

void BM_MemcpyConnectInd(benchmark::State& state) {
    Memcpy(state, TypicalConnectInd().size());
}
BENCHMARK(BM_MemcpyConnectInd);

void BM_DecodeDataB3Ind(benchmark::State& state) {
    static CapiMessageCodec codec;
    B3DataBlock block;
    const std::vector<std::uint8_t> message = DataB3Ind();
    for (auto _ : state) {
        benchmark::DoNotOptimize(codec.DecodeDataB3Ind(message, &block));
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(message.size());
}
BENCHMARK(BM_DecodeDataB3Ind);

void BM_MemcpyDataB3Ind(benchmark::State& state) {
    Memcpy(state, DataB3Ind().size());
}
BENCHMARK(BM_MemcpyDataB3Ind);

} // namespace
