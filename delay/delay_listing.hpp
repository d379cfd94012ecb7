// The assembler listing of a planned delay and the diagnostic lines that
// accompany it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "delay/delay_plan.hpp"

namespace cyclotrim {

struct DelayListing {
    std::string text;
    // Instruction lines only; comments, labels alone and blank lines are not counted.
    int32_t line_count = 0;
};

// Writes the listing for `plan`. `registers[i]` is the register of loop WLi
// (0 = outermost); there must be at least plan.registers_used() of them.
DelayListing write_delay_listing(const DelayPlan& plan, const std::vector<std::string>& registers);

// The four diagnostic lines of one run, newline-terminated. `first_nest` is
// the long-lived plan that the first nest was searched in.
std::string diagnostic_lines(const DelayPlan& plan, const LoopPlan& first_nest);

}  // namespace cyclotrim
