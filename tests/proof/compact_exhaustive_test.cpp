// SPDX-License-Identifier: MIT
// The promise of exactness for compact delays, every count from 0 to
// 4294967295.
//
// Every count from 0 to 16,777,216 is planned, written and timed by the
// test's own reader of the listing (instruction by instruction, not by the
// planner's formula), for a counter counted down with sbiw and with subi.
// Above that range the argument in the README's "What is proven" holds:
// the planner's arithmetic is exact by construction, and the listing of
// every shape it can write takes what that arithmetic says at any number of
// passes, which the shape tests check shape by shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "proof/every_count.hpp"
#include "readers/compact_reader.hpp"
#include "delay/forms/compact_listing.hpp"
#include "delay/forms/compact_plan.hpp"

using cyclotrim::CompactLoop;
using cyclotrim::CompactPlan;
using cyclotrim::CompactRegisters;
using cyclotrim::CountDown;

namespace {

constexpr int64_t exhaustive_top = 16777216;

struct Registers {
    std::vector<std::string> names;
    CompactRegisters usable;
};

const Registers sbiw_registers{{"R24", "R25", "R26", "R27"}, {4, true}};
const Registers subi_registers{{"R16", "R17", "R18", "R19"}, {4, false}};

std::string listing_of(const CompactPlan& plan, const Registers& registers) {
    return cyclotrim::write_compact_listing(plan, registers.names, cyclotrim::LoopLabels::window(),
                                            cyclotrim::PadSpelling::avra);
}

// Why the listing of `plan` does not take `cycles` in the words it states,
// or "" when it does.
std::string listing_problem(const CompactPlan& plan, const Registers& registers, int64_t cycles) {
    if (plan.cycles() != cycles) {
        return "planned as " + std::to_string(plan.cycles());
    }
    const CompactReading reading = read_compact_listing(listing_of(plan, registers));
    if (!reading.ok) {
        return reading.problem;
    }
    if (reading.cycles != cycles || reading.header_cycles != cycles) {
        return "takes " + std::to_string(reading.cycles) + ", states " +
               std::to_string(reading.header_cycles);
    }
    if (reading.words != plan.words() || reading.header_words != reading.words) {
        return std::to_string(reading.words) + " words, states " +
               std::to_string(reading.header_words);
    }
    return "";
}

}  // namespace

TEST(CompactExhaustive, EveryCountUpTo16777216IsExact) {
    for (const Registers* registers : {&sbiw_registers, &subi_registers}) {
        const std::string problem = first_problem_up_to(exhaustive_top, [&](int64_t c) {
            const std::optional<CompactPlan> plan = plan_compact_delay(c, registers->usable);
            if (!plan) {
                return std::string("refused with four registers");
            }
            return listing_problem(*plan, *registers, c);
        });
        EXPECT_EQ(problem, "") << registers->names[0];
    }
}

// A plan is a shape (count-down, counter bytes, padding in the body and
// after the loop, an outer loop or a loop after it) and the passes of its
// loops; the planner works out its cycles from them (CompactPlan::cycles).
// The listing of every shape takes exactly that, at one pass, two passes,
// the most passes (a counter loaded with 0) and counters whose every byte is
// used: the cycles grow by the same amount with every pass of a loop, so two
// passes of each loop fix them for any number.
namespace {

struct LoopShape {
    CountDown count_down;
    int32_t bytes;
    const Registers* registers;

    // One pass, two, the most, and every byte used.
    std::vector<uint32_t> counters() const {
        const int64_t most_passes = int64_t{1} << (8 * bytes);
        return {1u, 2u, 0u, static_cast<uint32_t>(0x9d5b3c17 & (most_passes - 1))};
    }
};

const LoopShape loop_shapes[] = {
    {CountDown::dec, 1, &subi_registers},  {CountDown::subi, 2, &subi_registers},
    {CountDown::subi, 3, &subi_registers}, {CountDown::subi, 4, &subi_registers},
    {CountDown::sbiw, 2, &sbiw_registers}, {CountDown::sbiw, 3, &sbiw_registers},
    {CountDown::sbiw, 4, &sbiw_registers},
};

}  // namespace

// Padding in a loop's body and after it: every amount a plan of at most 64
// words can hold.
TEST(CompactExhaustive, EveryLoopTakesWhatThePlannerCounts) {
    constexpr int32_t most_padding = 2 * cyclotrim::max_compact_words;
    for (const LoopShape& shape : loop_shapes) {
        for (uint32_t counter : shape.counters()) {
            for (int32_t body = 0; body <= most_padding; ++body) {
                for (int32_t after = 0; after <= most_padding; ++after) {
                    CompactPlan plan;
                    plan.loop = CompactLoop{shape.count_down, shape.bytes, counter, body};
                    plan.padding = after;
                    if (plan.words() > cyclotrim::max_compact_words) {
                        break;
                    }
                    plan.requested_cycles = plan.cycles();
                    ASSERT_EQ(listing_problem(plan, *shape.registers, plan.cycles()), "")
                        << shape.bytes << " bytes, counter " << counter << ", padding " << body
                        << " and " << after;
                }
            }
        }
    }
}

// The same for one or two loops after the loop and an outer loop around
// it, reloading it or loading it once, with each padding of both parities
// (more padding adds rjmp instructions, each two cycles once per pass of
// the loops around it).
TEST(CompactExhaustive, EveryNestAndLoopAfterTakesWhatThePlannerCounts) {
    const auto expect_exact = [](const CompactPlan& plan, const LoopShape& shape, const std::string& what) {
        CompactPlan requested = plan;
        requested.requested_cycles = plan.cycles();
        ASSERT_EQ(listing_problem(requested, *shape.registers, plan.cycles()), "")
            << shape.bytes << " bytes, counter " << plan.loop->counter << ", " << what;
    };
    const auto loop_after = [](const LoopShape& shape, int32_t bytes, int32_t body) {
        return CompactLoop{bytes == 1 ? CountDown::dec : shape.count_down, bytes, 0, body, false};
    };
    for (const LoopShape& shape : loop_shapes) {
        for (uint32_t counter : shape.counters()) {
            for (int32_t body = 0; body <= 3; ++body) {
                for (int32_t after = 0; after <= 3; ++after) {
                    CompactPlan plan;
                    plan.loop = CompactLoop{shape.count_down, shape.bytes, counter, body};
                    plan.padding = after;
                    for (int32_t bytes = 1; bytes <= std::min(shape.bytes, 3); ++bytes) {
                        for (int32_t following_body = 0; following_body <= 3; ++following_body) {
                            CompactPlan followed = plan;
                            followed.following[0] = loop_after(shape, bytes, following_body);
                            expect_exact(followed, shape, "then " + std::to_string(bytes) + " bytes");
                            for (int32_t second_bytes = 1; second_bytes <= bytes; ++second_bytes) {
                                followed.following[1] = loop_after(shape, second_bytes, 3 - following_body);
                                expect_exact(followed, shape, "then " + std::to_string(bytes) + " and " +
                                                                  std::to_string(second_bytes) + " bytes");
                            }
                        }
                    }
                    for (uint32_t outer_counter : {1u, 2u, 0u, 0x9du}) {
                        for (int32_t outer_padding = 0; shape.bytes < 4 && outer_padding <= 3;
                             ++outer_padding) {
                            for (const bool reloads : {true, false}) {
                                CompactPlan nest = plan;
                                nest.outer = cyclotrim::OuterLoop{outer_counter, outer_padding, reloads};
                                expect_exact(nest, shape, "outer " + std::to_string(outer_counter) +
                                                              (reloads ? "" : ", loaded once"));
                            }
                        }
                    }
                }
            }
        }
    }
}

// The planner's arithmetic above the exhaustive range, on a sample timed by
// the reader, and its refusal of nothing up to 4294967295 with four registers.
TEST(CompactExhaustive, SampledCountsAboveTheRangeAreExact) {
    std::mt19937_64 random(17122026);
    std::uniform_int_distribution<int64_t> above(exhaustive_top + 1, 4294967295);
    std::vector<int64_t> counts{exhaustive_top + 1, 83886081, 83886082, 2147483647, 2147483648,
                                4294967294, 4294967295};
    while (counts.size() < 100000) {
        counts.push_back(above(random));
    }
    for (const Registers* registers : {&sbiw_registers, &subi_registers}) {
        for (int64_t c : counts) {
            const std::optional<CompactPlan> plan = plan_compact_delay(c, registers->usable);
            ASSERT_TRUE(plan) << c;
            ASSERT_EQ(listing_problem(*plan, *registers, c), "") << c;
        }
    }
}
