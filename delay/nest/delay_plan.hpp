// SPDX-License-Identifier: MIT
// The whole delay for a cycle count: one or more loop nests, then a rest
// loop and nops, adding up to exactly the requested count.
#pragma once

#include <cstdint>
#include <vector>

#include "delay/nest/loop_search.hpp"

namespace cyclotrim {

// Largest remainder that one rest loop (at most 3 x 255 cycles) and two nops
// can fill after the nests.
constexpr int32_t max_rest_cycles = 3 * max_counter + 2;  // 767

struct DelayPlan {
    int32_t requested_cycles = 0;
    // The nests in the order they run; empty when no nest fits (0 to 2 cycles).
    std::vector<LoopPlan> nests;
    // Remainder after the nests, divided by 3: the count "Cmax:" reports.
    int32_t rest_quotient = 0;
    // Counter of the rest loop, 0 when there is none.
    int32_t rest_counter = 0;
    int32_t nop_count = 0;

    int32_t registers_used() const;
    // Instruction words: ldi, dec and brne for each loop, and each nop.
    int32_t words() const;
};

// Plans the delay for `cycles` (0 or more). The first nest is searched in
// `first_nest`, the long-lived plan whose counters the diagnostics report;
// further nests, needed when three loops leave more than a rest loop can
// fill, are searched on their own.
DelayPlan plan_delay(int32_t cycles, LoopPlan& first_nest);

}  // namespace cyclotrim
