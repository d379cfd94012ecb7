// SPDX-License-Identifier: MIT
// Loop-nest search: how many nested ldi/dec/brne loops a delay needs and
// which counter each loop gets, by the cycle model of the AVR core.
#pragma once

#include <array>
#include <cstdint>

namespace cyclotrim {

// Largest counter an 8-bit loop register can be loaded with.
constexpr int32_t max_counter = 255;
// Loops the window offers registers for (entries R0 to R2).
constexpr int32_t max_nest_levels = 3;

// The result of one search. Levels are numbered from the innermost loop (0)
// outwards. Counters of levels at or above `register_count` keep whatever an
// earlier search left there.
struct LoopPlan {
    int32_t register_count = 0;
    std::array<uint8_t, 4> best_counters{};
    int32_t achieved_cycles = 0;
};

// Number of nested loops to try first for `cycles` (1 to 4).
int32_t estimate_register_count(int32_t cycles);

// A loop with counter r around an inner part that costs k cycles takes
// r (k + 3) cycles: its ldi, r passes of dec and brne, minus one for the
// final branch that is not taken.
//
// Finds the counters (each 1 to 255) of a nest of `levels` loops
// (1 to max_nest_levels) that takes as many cycles as possible without
// exceeding `cycles`. Among equal nests the one with the smallest innermost
// counter wins, then the smallest next counter, and so on. Sets
// plan.achieved_cycles to 0 when no nest fits; sets plan.register_count to
// `levels` either way.
void search_loop_nest(int32_t cycles, int32_t levels, LoopPlan& plan);

}  // namespace cyclotrim
