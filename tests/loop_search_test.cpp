// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "delay/nest/loop_search.hpp"
#include "proof/exhaustive_walk.hpp"

using cyclotrim::LoopPlan;
using cyclotrim::estimate_register_count;
using cyclotrim::search_loop_nest;

TEST(EstimateRegisterCount, FollowsTheThresholdTable) {
    struct Case { int32_t cycles; int32_t n; };
    const Case cases[] = {
        {0, 1},         {1, 1},         {764, 1},       {765, 2},       {766, 1},
        {1529, 1},      {1530, 2},      {585989, 2},    {585990, 3},    {447697889, 3},
        {447697890, 4}, {2147483647, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(estimate_register_count(c.cycles), c.n) << c.cycles;
    }
}

namespace {

std::vector<int> innermost_first(const LoopPlan& plan) {
    return std::vector<int>(plan.best_counters.begin(),
                            plan.best_counters.begin() + plan.register_count);
}

}  // namespace

TEST(SearchLoopNest, WorkedResults) {
    struct Case { int32_t cycles; int32_t n; std::vector<int> counters; int32_t achieved; };
    const Case cases[] = {
        {3, 1, {1}, 3},
        {100, 1, {33}, 99},
        {1000, 1, {255}, 765},
        {1530, 2, {1, 255}, 1530},
        {1536, 2, {3, 128}, 1536},
        {600000, 3, {8, 111, 200}, 600000},
        {766, 1, {255}, 765},
        {1529, 1, {255}, 765},
        {196608, 2, {255, 255}, 195840},
        // No counter is ever 0: 765 cycles take inner 2, outer 85.
        {765, 2, {2, 85}, 765},
        {196608, 3, {6, 73, 128}, 196608},
        {585989, 3, {4, 179, 218}, 585984},
        {27891567, 3, {174, 228, 233}, 27890799},
        {49939965, 3, {255, 255, 255}, 49939965},
    };
    for (const Case& c : cases) {
        LoopPlan plan;
        search_loop_nest(c.cycles, c.n, plan);
        EXPECT_EQ(plan.achieved_cycles, c.achieved) << c.cycles;
        EXPECT_EQ(innermost_first(plan), c.counters) << c.cycles;
    }
}

TEST(SearchLoopNest, NothingFitsBelowThreeCycles) {
    for (int32_t cycles : {0, 1, 2}) {
        LoopPlan plan;
        plan.best_counters = {7, 8, 9, 0};
        search_loop_nest(cycles, 1, plan);
        EXPECT_EQ(plan.achieved_cycles, 0) << cycles;
        EXPECT_EQ(plan.best_counters[0], 7) << "counters of a failed search are left alone";
    }
}

TEST(SearchLoopNest, EachSearchStartsAfresh) {
    LoopPlan plan;
    search_loop_nest(1000, 1, plan);
    search_loop_nest(60, 1, plan);
    EXPECT_EQ(plan.achieved_cycles, 60);
    EXPECT_EQ(plan.best_counters[0], 20);
}

TEST(SearchLoopNest, LeavesCountersAboveItsLevelsAlone) {
    LoopPlan plan;
    search_loop_nest(600000, 3, plan);
    search_loop_nest(1000, 1, plan);
    EXPECT_EQ(plan.best_counters[0], 255);
    EXPECT_EQ(plan.best_counters[1], 111);
    EXPECT_EQ(plan.best_counters[2], 200);
}

namespace {

// Counts spread over every range of the estimate, with the range edges.
std::vector<int32_t> sample_counts(int32_t levels, int count, uint32_t seed) {
    const int32_t ceiling = levels == 1 ? 800 : levels == 2 ? 200000 : 50000000;
    std::vector<int32_t> counts;
    for (int32_t edge : {0, 1, 2, 3, 764, 765, 766, 1529, 1530, 1536, 195840, 196607, 196608,
                         585989, 585990, 27891566, 27891567, 49939965, 49940733}) {
        if (edge <= ceiling + 1000000) {
            counts.push_back(edge);
        }
    }
    std::mt19937 random(seed);
    std::uniform_int_distribution<int32_t> anywhere(0, ceiling);
    std::uniform_int_distribution<int32_t> low(0, 5000);
    while (static_cast<int>(counts.size()) < count) {
        counts.push_back(anywhere(random));
        counts.push_back(low(random));
    }
    return counts;
}

void expect_same_as_walk(int32_t levels, int count, uint32_t seed) {
    for (int32_t cycles : sample_counts(levels, count, seed)) {
        LoopPlan plan;
        search_loop_nest(cycles, levels, plan);
        const WalkResult complete = exhaustive_walk(cycles, levels, 1);
        ASSERT_EQ(plan.achieved_cycles, complete.achieved) << cycles;
        for (int32_t level = 0; level < levels; ++level) {
            ASSERT_EQ(plan.best_counters[level], complete.counters[level])
                << cycles << " level " << level;
        }
        // Where the original walk's best has no zero counter, it is the same nest.
        const WalkResult original = exhaustive_walk(cycles, levels, 0);
        bool has_zero = false;
        for (int32_t level = 0; level < levels; ++level) {
            has_zero = has_zero || original.counters[level] == 0;
        }
        if (!has_zero) {
            ASSERT_EQ(original.achieved, plan.achieved_cycles) << cycles;
            ASSERT_EQ(original.counters, complete.counters) << cycles;
        }
    }
}

}  // namespace

TEST(SearchLoopNest, MatchesTheExhaustiveWalkForOneLoop) { expect_same_as_walk(1, 800, 1); }
TEST(SearchLoopNest, MatchesTheExhaustiveWalkForTwoLoops) { expect_same_as_walk(2, 400, 2); }
TEST(SearchLoopNest, MatchesTheExhaustiveWalkForThreeLoops) { expect_same_as_walk(3, 60, 3); }
