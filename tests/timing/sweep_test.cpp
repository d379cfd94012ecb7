// SPDX-License-Identifier: MIT
// A wide timing sweep: a few hundred counts drawn with a fixed seed across
// 0 to 60,000,000, half of them near the edges of the search's ranges, each
// assembled with avra and measured in simavr; above that, a sample up to
// 2147483647 timed by the independent listing reader.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "avr_bench.hpp"
#include "delay/start_command.hpp"
#include "readers/listing_reader.hpp"

namespace {

constexpr int32_t simulated_ceiling = 60000000;

std::string listing_for(int32_t cycles) {
    cyclotrim::LoopPlan plan;
    return cyclotrim::run_start_command(std::to_string(cycles), cyclotrim::default_register_texts(),
                                        plan)
        .listing;
}

std::vector<int32_t> sweep_counts() {
    const int32_t edges[] = {765,    1530,     196607,   196608,   585989,   585990,
                             27891566, 27891567, 49939965, 49940732, 49940733};
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int32_t> anywhere(0, simulated_ceiling);
    std::uniform_int_distribution<int32_t> edge_index(0, std::size(edges) - 1);
    std::uniform_int_distribution<int32_t> offset(-1000, 1000);
    std::vector<int32_t> counts;
    for (int i = 0; i < 150; ++i) {
        counts.push_back(anywhere(random));
        counts.push_back(std::max(0, edges[edge_index(random)] + offset(random)));
    }
    return counts;
}

class WideSweep : public ::testing::TestWithParam<int32_t> {};

TEST_P(WideSweep, SimulatorCountsExactlyTheRequest) {
    const int32_t cycles = GetParam();
    const AssembledProgram program =
        assemble_with_avra(listing_for(cycles), "sweep-" + std::to_string(cycles));
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, int64_t{cycles} + 1000), cycles);
}

INSTANTIATE_TEST_SUITE_P(SeededCounts, WideSweep, ::testing::ValuesIn(sweep_counts()));

TEST(WideSweepBeyondTheSimulator, ReaderTimesSampledCountsUpToTheLargest) {
    std::mt19937 random(8122026);
    std::uniform_int_distribution<int32_t> beyond(simulated_ceiling, 2147483647);
    std::vector<int32_t> counts{simulated_ceiling, 447697889, 447697890, 2147483646, 2147483647};
    while (counts.size() < 2000) {
        counts.push_back(beyond(random));
    }
    for (int32_t cycles : counts) {
        const ListingReading reading = read_listing(listing_for(cycles));
        ASSERT_TRUE(reading.ok) << cycles << ": " << reading.problem;
        ASSERT_EQ(reading.cycles, cycles);
    }
}

}  // namespace
