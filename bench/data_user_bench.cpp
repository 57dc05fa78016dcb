// Filling the text set of a user record: every add keeps the first of equal
// texts, so the cost per text must not grow with the texts held.
//
// Run: build-release/bench/data_user_bench (or any Release build folder).

#include "data/data_user.h"
#include "platform/text.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void AddToTextSet(benchmark::State& state) {
    const auto count = static_cast<std::uint32_t>(state.range(0));
    std::vector<std::string> texts;
    texts.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
        texts.push_back(Format("buddy-%u@example.org", i));
    for (auto _ : state) {
        CKvDataUser user;
        // Each text twice: the second round finds every text present.
        for (int round = 0; round < 2; ++round) {
            for (const std::string& text : texts)
                user.AddToTextSet(text);
        }
        if (user.GetTextSetCount() != count)
            state.SkipWithError("the set holds another number of texts");
        benchmark::DoNotOptimize(user.GetTextSetCount());
    }
    state.SetItemsProcessed(state.iterations() * 2 * state.range(0));
}

} // namespace

BENCHMARK(AddToTextSet)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);
