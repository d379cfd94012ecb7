// SPDX-License-Identifier: MIT
#include "delay/nest/delay_plan.hpp"

#include <algorithm>

namespace cyclotrim {

namespace {

// Searches a nest for `cycles`, starting from the estimated number of loops
// and adding loops while the remainder is more than a rest loop can fill.
// An estimate beyond the window's three loops counts as three.
void search_fitting_nest(int32_t cycles, LoopPlan& plan) {
    int32_t levels = std::min(estimate_register_count(cycles), max_nest_levels);
    search_loop_nest(cycles, levels, plan);
    while (cycles - plan.achieved_cycles > max_rest_cycles && levels < max_nest_levels) {
        search_loop_nest(cycles, ++levels, plan);
    }
}

}  // namespace

int32_t DelayPlan::registers_used() const {
    int32_t used = 0;
    for (const LoopPlan& nest : nests) {
        used = std::max(used, nest.register_count);
    }
    return used;
}

int32_t DelayPlan::words() const {
    int32_t loops = rest_counter > 0 ? 1 : 0;
    for (const LoopPlan& nest : nests) {
        loops += nest.register_count;
    }
    return 3 * loops + nop_count;
}

DelayPlan plan_delay(int32_t cycles, LoopPlan& first_nest) {
    DelayPlan plan;
    plan.requested_cycles = cycles;
    search_fitting_nest(cycles, first_nest);
    if (first_nest.achieved_cycles == 0) {
        first_nest.register_count = 0;
    } else {
        plan.nests.push_back(first_nest);
    }
    int32_t remaining = cycles - first_nest.achieved_cycles;
    while (remaining > max_rest_cycles) {
        LoopPlan further;
        search_fitting_nest(remaining, further);
        plan.nests.push_back(further);
        remaining -= further.achieved_cycles;
    }
    plan.rest_quotient = remaining / 3;
    if (remaining > 4) {
        plan.rest_counter = plan.rest_quotient;
        remaining -= 3 * plan.rest_counter;
    }
    plan.nop_count = remaining;
    return plan;
}

}  // namespace cyclotrim
