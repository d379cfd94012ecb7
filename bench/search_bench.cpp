// Worst-case three-loop search against the exhaustive walk, and the
// longest listing the Start command writes.
#include <benchmark/benchmark.h>

#include "delay/nest/loop_search.hpp"
#include "delay/start_command.hpp"
#include "proof/exhaustive_walk.hpp"

namespace {

// A three-loop request for which the search tries every outer counter and
// the best nest falls short of the request.
constexpr int32_t worst_three_loop_request = 49939964;

void BM_SearchThreeLoopsWorstCase(benchmark::State& state) {
    cyclotrim::LoopPlan plan;
    for (auto _ : state) {
        cyclotrim::search_loop_nest(worst_three_loop_request, 3, plan);
        benchmark::DoNotOptimize(plan);
    }
}
BENCHMARK(BM_SearchThreeLoopsWorstCase)->Unit(benchmark::kMicrosecond);

void BM_ExhaustiveWalkThreeLoops(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(exhaustive_walk(worst_three_loop_request, 3, 1));
    }
}
BENCHMARK(BM_ExhaustiveWalkThreeLoops)->Unit(benchmark::kMillisecond);

void BM_LongestListing(benchmark::State& state) {
    cyclotrim::LoopPlan plan;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            cyclotrim::run_start_command("2147483647", cyclotrim::default_register_texts(), plan));
    }
}
BENCHMARK(BM_LongestListing)->Unit(benchmark::kMicrosecond);

}  // namespace
