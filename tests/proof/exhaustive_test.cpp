// SPDX-License-Identifier: MIT
// The promise of exactness for every count from 0 to 2147483647.
//
// Every count up to two full three-loop nests and a rest loop is planned and
// the plan checked by instruction costs counted here, not by the search's
// formula. Above that range a plan is one full nest followed by the plan of
// the remaining count; the second test checks that on a sample, and together
// the two carry the proof to every count (see the second test's comment).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "delay/nest/delay_plan.hpp"
#include "proof/every_count.hpp"

using cyclotrim::DelayPlan;
using cyclotrim::LoopPlan;
using cyclotrim::plan_delay;

namespace {

constexpr int64_t full_nest = 49939965;  // three loops of 255
constexpr int64_t exhaustive_top = 2 * full_nest + 767;

// Cycles of a loop loaded with `counter` around a body of `body` cycles:
// ldi 1, then per pass the body and dec 1, brne 2 when taken and 1 on the
// last pass.
int64_t loop_cycles(int64_t counter, int64_t body) {
    return 1 + counter * (body + 1) + 2 * (counter - 1) + 1;
}

// Why `plan` does not take exactly `cycles`, or "" when it does.
std::string plan_problem(const DelayPlan& plan, int64_t cycles) {
    int64_t total = 0;
    for (const LoopPlan& nest : plan.nests) {
        if (nest.register_count < 1 || nest.register_count > 3) {
            return "a nest of " + std::to_string(nest.register_count) + " loops";
        }
        int64_t body = -1;  // the innermost loop's body is its dec and brne alone
        for (int32_t level = 0; level < nest.register_count; ++level) {
            const int64_t counter = nest.best_counters[level];
            if (counter < 1) {
                return "a loop counter of 0, which runs 256 passes";
            }
            body = loop_cycles(counter, body < 0 ? 0 : body);
        }
        total += body;
    }
    if (plan.rest_counter < 0 || plan.rest_counter > 255) {
        return "a rest counter of " + std::to_string(plan.rest_counter);
    }
    if (plan.rest_counter > 0) {
        total += loop_cycles(plan.rest_counter, 0);
    }
    if (plan.nop_count < 0 || plan.nop_count > 4) {
        return std::to_string(plan.nop_count) + " nops";
    }
    total += plan.nop_count;
    if (plan.requested_cycles != cycles || total != cycles) {
        return "takes " + std::to_string(total);
    }
    return "";
}

}  // namespace

TEST(Exhaustive, EveryCountUpToTwoFullNestsAndARestLoopIsExact) {
    const std::string problem = first_problem_up_to(exhaustive_top, [](int64_t c) {
        LoopPlan first_nest;
        return plan_problem(plan_delay(static_cast<int32_t>(c), first_nest), c);
    });
    EXPECT_EQ(problem, "");
}

// Above the exhaustive range, a count c is planned as one full nest
// (255, 255, 255: the largest three loops can take, and no more than c) and
// then exactly as the count c - 49939965 would be planned on its own. That
// count is above 767, so its own plan is not cut short, and it is smaller
// than c by a full nest: repeating the step brings any count down into the
// exhaustive range (from 2 x 49939965 + 768 up to 3 x 49939965 + 767 it
// lands in 49940733 to 2 x 49939965 + 767). There every plan is exact, and
// a full nest takes exactly 49939965 cycles, so every plan above is exact.
// The step is a property of the planner, checked here on a sample.
TEST(Exhaustive, AboveTheRangeAFullNestThenThePlanOfWhatRemains) {
    std::mt19937 random(12122026);
    std::uniform_int_distribution<int64_t> above(exhaustive_top + 1, 2147483647);
    std::vector<int64_t> counts{exhaustive_top + 1, exhaustive_top + 2, 447697889, 447697890,
                                2147483647};
    while (counts.size() < 20000) {
        counts.push_back(above(random));
    }
    for (int64_t c : counts) {
        LoopPlan scratch;
        const DelayPlan plan = plan_delay(static_cast<int32_t>(c), scratch);
        const DelayPlan remaining = plan_delay(static_cast<int32_t>(c - full_nest), scratch);
        ASSERT_GE(plan.nests.size(), 2u) << c;
        EXPECT_EQ(plan.nests[0].register_count, 3) << c;
        EXPECT_EQ(plan.nests[0].achieved_cycles, full_nest) << c;
        for (int level = 0; level < 3; ++level) {
            EXPECT_EQ(plan.nests[0].best_counters[level], 255) << c;
        }
        ASSERT_EQ(plan.nests.size(), remaining.nests.size() + 1) << c;
        for (size_t k = 0; k < remaining.nests.size(); ++k) {
            const LoopPlan& after = plan.nests[k + 1];
            const LoopPlan& alone = remaining.nests[k];
            EXPECT_EQ(after.register_count, alone.register_count) << c;
            EXPECT_EQ(after.achieved_cycles, alone.achieved_cycles) << c;
            for (int level = 0; level < after.register_count; ++level) {
                EXPECT_EQ(after.best_counters[level], alone.best_counters[level]) << c;
            }
        }
        EXPECT_EQ(plan.rest_counter, remaining.rest_counter) << c;
        EXPECT_EQ(plan.nop_count, remaining.nop_count) << c;
        ASSERT_EQ(plan_problem(plan, c), "") << c;
    }
}
