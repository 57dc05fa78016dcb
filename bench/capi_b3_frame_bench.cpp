// BENCH_LIBRARIES: kv_capi
// One step of the data manager's frame reader with back-to-back 32-byte
// frames held in the receive stream, at 100 and at 1,000 blocks: a step reads
// the frame at the read position and should cost the same however much is
// held. The read position runs over the first two blocks and starts again,
// so that no block is dropped and nothing allocates in the loop.

#include "capi/b3_data_stream.h"
#include "capi/capi_data_manager.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>

namespace {

void BM_ReadB3FrameStep(benchmark::State& state) {
    std::array<std::uint8_t, B3DataBlock::kCapacity> frames{};
    for (std::size_t at = 0; at < frames.size(); at += CapiDataManager::kFrameSpacing) {
        for (std::size_t i = 0; i < 8; ++i)
            frames[at + i] = i % 2 == 0 ? 0x50 : 0xA0;
        frames[at + 8] = 20;
        for (std::size_t i = 0; i < 20; ++i)
            frames[at + 10 + i] = static_cast<std::uint8_t>('a' + i);
    }
    B3DataStream stream;
    for (std::int64_t block = 0; block < state.range(0); ++block) {
        auto filled = std::make_unique<B3DataBlock>();
        filled->SetData(frames.data(), B3DataBlock::kCapacity, 0);
        if (stream.Append(filled) != KV_OK) {
            state.SkipWithError("the stream refused a block");
            return;
        }
    }
    std::array<std::uint8_t, CapiDataManager::kFrameDataSize> data{};
    std::uint32_t length = 0;
    std::int32_t position = 0;
    for (auto _ : state) {
        if (!ReadB3Frame(stream, position, data, length)) {
            state.SkipWithError("no frame read");
            return;
        }
        benchmark::DoNotOptimize(data);
        if (position >= 2 * static_cast<std::int32_t>(B3DataBlock::kCapacity))
            position = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ReadB3FrameStep)->Arg(100)->Arg(1000);

} // namespace
