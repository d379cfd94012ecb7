// SPDX-License-Identifier: MIT
// Worst-case three-loop search against the exhaustive walk, and the
// longest listing the Start command writes.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "delay/forms/compact_plan.hpp"
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

// Compact plans with the default registers (a pair for sbiw and two more),
// one search per iteration, over counts drawn with a fixed seed below `most`.
void compact_plans(benchmark::State& state, int64_t most) {
    std::mt19937_64 draw(7);
    std::vector<int64_t> counts(4096);
    for (int64_t& count : counts) {
        count = static_cast<int64_t>(draw() % static_cast<uint64_t>(most));
    }
    const cyclotrim::CompactRegisters registers{4, true};
    size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cyclotrim::plan_compact_delay(counts[next], registers));
        next = (next + 1) % counts.size();
    }
}
void BM_CompactPlanBelow65536(benchmark::State& state) { compact_plans(state, 65536); }
void BM_CompactPlanWholeRange(benchmark::State& state) { compact_plans(state, 4294967296); }
BENCHMARK(BM_CompactPlanBelow65536)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompactPlanWholeRange)->Unit(benchmark::kMicrosecond);

}  // namespace
