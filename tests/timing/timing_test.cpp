// SPDX-License-Identifier: MIT
// Every listing, assembled by real assemblers and run in a cycle-accurate
// simulator, takes exactly the cycles that were asked for.
#include <gtest/gtest.h>

#include <string>

#include "avr_bench.hpp"
#include "delay/start_command.hpp"

namespace {

std::string listing_for(int32_t cycles, const cyclotrim::RegisterTexts& registers =
                                            cyclotrim::default_register_texts()) {
    cyclotrim::LoopPlan plan;
    const cyclotrim::StartOutcome outcome =
        cyclotrim::run_start_command(std::to_string(cycles), registers, plan);
    EXPECT_FALSE(outcome.refused) << cycles << ": " << outcome.status_message;
    return outcome.listing;
}

class AvraTiming : public ::testing::TestWithParam<int32_t> {};

TEST_P(AvraTiming, SimulatorCountsExactlyTheRequest) {
    const int32_t cycles = GetParam();
    const AssembledProgram program = assemble_with_avra(listing_for(cycles), std::to_string(cycles));
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, int64_t{cycles} + 1000), cycles);
}

INSTANTIATE_TEST_SUITE_P(
    SmallCountsAndRangeEdges, AvraTiming,
    ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 100, 764, 765, 766, 767,
                      768, 770, 771, 1000, 1529, 1530, 1531, 1536, 195840, 195841, 196607,
                      196608, 196609, 585989, 585990, 600000, 1000003, 27891566, 27891567,
                      49939965, 49940732, 49940733, 100000000));

TEST(AvraTimingOtherRegisters, AliasesAndHighRegisters) {
    const std::string listing =
        ".def outer = r24\n" + listing_for(600001, {"outer", "r31", "R20"});
    const AssembledProgram program = assemble_with_avra(listing, "registers");
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, 601000), 600001);
}

class GnuAsTiming : public ::testing::TestWithParam<int32_t> {};

TEST_P(GnuAsTiming, SimulatorCountsExactlyTheRequest) {
    const int32_t cycles = GetParam();
    const AssembledProgram program =
        assemble_with_gnu_as(listing_for(cycles), std::to_string(cycles));
    ASSERT_TRUE(program.ok) << program.tool_output;
    EXPECT_EQ(measure_cycles(program.hex_path, int64_t{cycles} + 1000), cycles);
}

INSTANTIATE_TEST_SUITE_P(SomeCounts, GnuAsTiming,
                         ::testing::Values(2, 100, 765, 1000, 196608, 600000, 27891567));

}  // namespace

// The bench itself must notice what it is there to catch.
TEST(TimingBench, NoticesAnExtraCycleAndAnOutOfRangeConstant) {
    const AssembledProgram longer = assemble_with_avra(listing_for(1000) + "\tnop\n", "longer");
    ASSERT_TRUE(longer.ok) << longer.tool_output;
    EXPECT_EQ(measure_cycles(longer.hex_path, 2000), 1001);
    EXPECT_FALSE(assemble_with_avra("\tldi R16,0x100\n", "masked").ok);
    EXPECT_FALSE(assemble_with_gnu_as("\tldi R16,0x100\n", "masked").ok);
}
