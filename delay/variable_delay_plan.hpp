// A delay whose length is known only at run time: a subroutine that reads
// a count n from r25:r24 (or r24 alone) and takes exactly n units of cycles
// from the first cycle of its call to the instruction after it.
#pragma once

#include <cstdint>
#include <optional>

#include "delay/delay_plan.hpp"
#include "delay/subroutine_plan.hpp"

namespace cyclotrim {

struct VariableDelayForm {
    AvrCore core = AvrCore::avre;
    bool long_call = false;   // counted from a call, not an rcall
    bool save = false;        // push and pop the loop registers, counted
    int32_t count_bits = 16;  // n in r25:r24 (16) or in r24 alone (8)
};

// The largest n the count's bits hold: 65535 or 255.
int32_t largest_count(int32_t count_bits);

struct VariableDelayPlan {
    int32_t unit = 0;
    CallCosts costs;
    int32_t saved_registers = 0;
    // Cycles from NAME to the start of the first pass when n >= 1: the test
    // for n = 0 and its branch, and with saving the pushes and a jump.
    int32_t entry_cycles = 0;
    // Cycles of the test for n = 0 (tst or sbiw) and of the count's
    // decrement at the end of each pass (dec or sbiw).
    int32_t test_cycles = 0;
    int32_t decrement_cycles = 0;
    // From the first cycle of the call to the instruction after it, n = 0.
    int32_t zero_cycles = 0;
    // The top of every pass but the first: what the first pass skips pays
    // for the call, the entry, the pops and the return.
    DelayPlan skipped;
    // The rest of every pass, before the decrement and its branch.
    DelayPlan rest_of_pass;

    int32_t registers_used() const;
};

// Plans the subroutine for `unit` cycles a count, or nothing when `unit` is
// too small to absorb the call, the return and the loop's own instructions
// (or the core's call timing is not known). A pure function of its inputs.
std::optional<VariableDelayPlan> plan_variable_delay(int32_t unit, const VariableDelayForm& form);

// The smallest unit plan_variable_delay takes for `form`; nothing for a core
// without known call timing.
std::optional<int32_t> smallest_variable_unit(const VariableDelayForm& form);

}  // namespace cyclotrim
